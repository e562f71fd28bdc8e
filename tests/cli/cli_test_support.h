// What the tests of quorlix-cli share: running the program (CliTest), the
// UBB footer and a generator of small logs in the game's format.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "core/dialects/convert_options.h"
#include "tests/support/scratch_dir.h"

extern char** environ;

namespace quorlix {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out, err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override { test::WriteFileBytes(config_, ""); }

  // Starts `args[0]` (quorlix-cli when it is no absolute path) with
  // `args`, standard input from `input`, output and error into files,
  // under this environment without its language settings plus `language`
  // (German by default: the messages checked are German).
  pid_t Start(std::vector<std::string> args, const std::string& input = "/dev/null",
              std::vector<std::string> language = {"LANG=de_DE.UTF-8"}) {
    if (args.empty() || args[0].front() != '/') args.insert(args.begin(), QUORLIX_CLI_PATH);
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string_view entry(*e);
      if (entry.rfind("LANG", 0) != 0 && entry.rfind("LC_", 0) != 0) language.push_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& entry : language) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (dir_ / "stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (dir_ / "stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  // Waits for `pid`; the exit status, or 128 + the signal that ended it.
  Result Finish(pid_t pid) {
    Result result;
    int wait_status = 0;
    if (pid > 0 && ::waitpid(pid, &wait_status, 0) == pid) {
      if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
      if (WIFSIGNALED(wait_status)) result.status = 128 + WTERMSIG(wait_status);
    }
    result.out = test::ReadFileBytes(dir_ / "stdout");
    result.err = test::ReadFileBytes(dir_ / "stderr");
    fs::remove(dir_ / "stdout");
    fs::remove(dir_ / "stderr");
    return result;
  }
  Result Run(std::vector<std::string> args, const std::string& input = "/dev/null",
             std::vector<std::string> language = {"LANG=de_DE.UTF-8"}) {
    return Finish(Start(std::move(args), input, std::move(language)));
  }

  // The sample log with default settings and the given options.
  Result RunSample(std::vector<std::string> options) {
    options.insert(options.begin(), {"--config", config_});
    options.push_back(QUORLIX_SAMPLE_LOG);
    return Run(options);
  }

  std::vector<std::string> FilesInDir() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::ScratchDir scratch_;
  const fs::path dir_ = scratch_.path();
  // An empty config reads as the defaults (a missing one draws a warning).
  const std::string config_ = scratch_.Path("empty.cfg");
};

inline const std::string kUbbFooter =
    "\r\nCreated using [url=\"" + std::string(kHomePageUrl) + "\"]The Quorlix[/url]\r\n";

// A log of `lines` lines in the game's format: channels, persons in
// changing letter case, bot and system lines, markup of every kind, lines
// without a header, CR LF and LF breaks, time that mostly rises.
inline std::string GeneratedLog(unsigned seed, int lines) {
  std::mt19937 random(seed);
  const char* channels[] = {"OOC", "Clan", "clan", "Org", "Trade", "Vicinity"};
  const char* persons[] = {"Bob", "bob", "Ann", "Polbot", "", "Kestrin", "Al\"x"};
  const char* words[] = {"hi",      "<font color=#ff0000>",
                         "</font>", "<a href='p.htm'>",
                         "</a>",    "<br>",
                         "[b]",     "'#",
                         "'>",      "x y",
                         "<",       ">",
                         "]",       "<FONT color=red>"};
  std::string log;
  int64_t t = 1104537000;
  for (int i = 0; i < lines; ++i) {
    t += random() % 400 - (random() % 50 == 0 ? 3000 : 0);
    if (random() % 40 == 0) {
      log += "no header here, just text";
    } else {
      log += "[\"" + std::to_string(random() % 9) + "\",\"" + channels[random() % 6] + "\",\"" +
             persons[random() % 7] + "\"," + std::to_string(t) + "]";
      for (unsigned w = random() % 8; w > 0; --w) log += words[random() % 14];
    }
    log += random() % 2 ? "\r\n" : "\n";
  }
  return log;
}

}  // namespace quorlix
