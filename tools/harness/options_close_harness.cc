// Stress harness for the Options window's Close (the model's Close, which
// the window's Close button runs), against a real config.cfg:
//
//   options_close_harness kill ROUNDS DIR   kills a Close at a random moment
//   options_close_harness race ROUNDS DIR   two windows' Close at once
//
// kill: each round restores the old file, lets a child Close with a rename,
// a removal, a new channel and a new pattern, and SIGKILLs it after a
// random delay; the file must then be exactly the old or the new one.
// race: two children open the window on the same file, each adds its own
// channel, and both Close together; no channel may be lost.
// Prints the counts; exits 1 when any round failed.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/config_file.h"
#include "config/options_model.h"

namespace {

using quorlix::ConfigFile;
using quorlix::OptionsModel;

const char kOld[] =
    "[config]\ntime_config=Y:M:D\ntimedisplay_depth=Day\ndisable_polbot=true\n"
    "[colordef]\nClan=ff0000\nOOC=00ff00\nOrg=0000ff\nTrade=ffff00\nVicinity=00ffff\n"
    "Shout=ff00ff\n";
constexpr int kOldChannels = 6;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void Put(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Removes the temporary files a killed writer left; returns how many.
int RemoveTempFiles(const std::string& dir) {
  int removed = 0;
  DIR* listing = ::opendir(dir.c_str());
  while (const dirent* entry = listing ? ::readdir(listing) : nullptr) {
    if (std::string(entry->d_name).starts_with(".config.cfg.quorlix-tmp-")) {
      removed += ::unlink((dir + "/" + entry->d_name).c_str()) == 0;
    }
  }
  if (listing) ::closedir(listing);
  return removed;
}

// One window's edits and its Close.
void EditAndClose(const std::string& path) {
  ConfigFile config(path);
  OptionsModel model;
  model.Open(config);
  model.set_time_pattern("D.M.Y h:m");
  model.SetRowName(0, "Clan2");
  model.SetRowName(1, "");
  model.InsertEmptyRow(model.rows().size());
  model.SetRowName(model.rows().size() - 1, "Team");
  model.SetRowColor(model.rows().size() - 1, "123456");
  model.Close(config);
}

int Kill(int rounds, const std::string& dir) {
  const std::string path = dir + "/config.cfg";
  Put(path, kOld);
  EditAndClose(path);
  const std::string now = Read(path);
  // How long a child takes from fork to the end of its Close.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) {
    Put(path, kOld);
    const pid_t child = ::fork();
    if (child == 0) EditAndClose(path), ::_exit(0);
    ::waitpid(child, nullptr, 0);
  }
  const long one_us = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count() /
                      20;
  std::mt19937 random(4242);
  std::uniform_int_distribution<long> delay(0, one_us + one_us / 2);
  int whole = 0, old_kept = 0, new_written = 0, inside_write = 0;
  for (int round = 0; round < rounds; ++round) {
    Put(path, kOld);
    const pid_t child = ::fork();
    if (child == 0) EditAndClose(path), ::_exit(0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const std::string after = Read(path);
    if (after == kOld) ++old_kept, ++whole;
    if (after == now) ++new_written, ++whole;
    inside_write += RemoveTempFiles(dir) > 0;
  }
  std::printf(
      "kill: %d of %d rounds left config.cfg exactly old or new "
      "(old %d, new %d; %d kills fell inside the write; one Close takes about %ld us)\n",
      whole, rounds, old_kept, new_written, inside_write, one_us);
  return whole == rounds ? 0 : 1;
}

void AddChannelAndClose(const std::string& path, const char* name, int ready_fd, int go_fd) {
  ConfigFile config(path);
  OptionsModel model;
  model.Open(config);
  model.InsertEmptyRow(model.rows().size());
  model.SetRowName(model.rows().size() - 1, name);
  model.SetRowColor(model.rows().size() - 1, "abcdef");
  char byte = 0;
  [[maybe_unused]] ssize_t n = ::write(ready_fd, "r", 1);
  n = ::read(go_fd, &byte, 1);
  model.Close(config);
}

int Race(int rounds, const std::string& dir) {
  const std::string path = dir + "/config.cfg";
  int intact = 0, lost_new = 0, lost_old = 0;
  for (int round = 0; round < rounds; ++round) {
    Put(path, kOld);
    int ready[2], go[2];
    if (::pipe(ready) != 0 || ::pipe(go) != 0) return 2;
    pid_t children[2];
    const char* names[2] = {"NewA", "NewB"};
    for (int i = 0; i < 2; ++i) {
      children[i] = ::fork();
      if (children[i] == 0) AddChannelAndClose(path, names[i], ready[1], go[0]), ::_exit(0);
    }
    char bytes[2];
    [[maybe_unused]] ssize_t n = ::read(ready[0], bytes, 1);
    n = ::read(ready[0], bytes + 1, 1);
    n = ::write(go[1], "gg", 2);  // both windows Close now
    for (pid_t child : children) ::waitpid(child, nullptr, 0);
    for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
    const std::vector<std::string> colors = ConfigFile(path).ReadConfigSection("colordef");
    const bool both_new = std::count(colors.begin(), colors.end(), "NewA=abcdef") == 1 &&
                          std::count(colors.begin(), colors.end(), "NewB=abcdef") == 1;
    const bool old_all = colors.size() == kOldChannels + 2;
    lost_new += !both_new;
    lost_old += !old_all;
    intact += both_new && old_all;
  }
  std::printf("race: %d of %d rounds lost no channel (a new one lost in %d, an old one in %d)\n",
              intact, rounds, lost_new, lost_old);
  return intact == rounds ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s kill|race ROUNDS DIR\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  const int rounds = std::atoi(argv[2]);
  if (mode == "kill") return Kill(rounds, argv[3]);
  if (mode == "race") return Race(rounds, argv[3]);
  std::fprintf(stderr, "unknown mode %s\n", argv[1]);
  return 2;
}
