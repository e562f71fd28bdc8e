#include "core/atomic_write.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/config_file.h"
#include "core/error.h"

namespace quorlix {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void PutFile(const std::string& path, std::string_view content) {
  std::ofstream(path, std::ios::binary) << content;
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

class AtomicWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/quorlix-aw-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    dir_ = name;
    target_ = dir_ + "/out.txt";
  }
  void TearDown() override {
    CurrentAtomicWriteCalls() = AtomicWriteCalls::Defaults();
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    ::chmod(dir_.c_str(), 0700);
    fs::remove_all(dir_);
  }

  // Names in the directory other than the target and the config writers'
  // lock file: left-over temporaries.
  std::vector<std::string> Strays() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      if (entry.path() != target_ && entry.path() != target_ + ".lock") {
        names.push_back(entry.path().filename());
      }
    }
    return names;
  }

  // A tmpfs over the test directory; false when this process may not mount.
  bool MountTmpfs(const char* options) {
    if (::geteuid() != 0) return false;
    mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options) == 0;
    return mounted_;
  }

  std::string dir_;
  std::string target_;
  bool mounted_ = false;
};

TEST_F(AtomicWriteTest, ReplacesContentAndKeepsTheMode) {
  PutFile(target_, "old content that is longer than the new");
  ASSERT_EQ(::chmod(target_.c_str(), 0640), 0);
  WriteFileAtomically(target_, "new");
  EXPECT_EQ(ReadFile(target_), "new");
  EXPECT_EQ(ModeOf(target_), 0640u);
  EXPECT_THAT(Strays(), ::testing::IsEmpty());
}

TEST_F(AtomicWriteTest, NewFileGetsTheUmaskedDefaultMode) {
  const mode_t saved = ::umask(027);
  WriteFileAtomically(target_, std::string("a\0b\r\n", 5));
  ::umask(saved);
  EXPECT_EQ(ReadFile(target_), std::string("a\0b\r\n", 5));
  EXPECT_EQ(ModeOf(target_), 0640u);
  EXPECT_THAT(Strays(), ::testing::IsEmpty());
}

TEST_F(AtomicWriteTest, StreamsManyPiecesOfMixedSizes) {
  std::string want;
  {
    AtomicFileWriter writer(target_);
    for (int i = 0; i < 300; ++i) {
      const std::string piece(static_cast<std::size_t>(i * i * 7 % 90001),
                              static_cast<char>('a' + i % 26));
      writer.Write(piece);
      want += piece;
    }
    writer.Commit();
  }
  EXPECT_EQ(ReadFile(target_), want);
}

TEST_F(AtomicWriteTest, UncommittedWriterLeavesNothing) {
  PutFile(target_, "old");
  {
    AtomicFileWriter writer(target_);
    writer.Write("new");
  }
  EXPECT_EQ(ReadFile(target_), "old");
  EXPECT_THAT(Strays(), ::testing::IsEmpty());
}

// The two ways Quorlix writes a file, with the message each reports.
struct Writer {
  const char* name;
  void (*write)(const std::string& path);
  std::string (*message)(const std::string& path);
};

const Writer kWriters[] = {
    {"atomic write",
     [](const std::string& path) { WriteFileAtomically(path, "new"); },
     [](const std::string& path) { return "Datei " + path + " kann nicht geschrieben werden. "; }},
    {"config.cfg",
     [](const std::string& path) {
       ConfigFile(path).WriteConfigValue("config", "time_config", "h:m");
     },
     [](const std::string& path) {
       return "In " + path + " kann nicht geschrieben werden";
     }},
};

constexpr std::string_view kOldConfig = "[config]\ntime_config=Y:M:D\n";

TEST_F(AtomicWriteTest, ReadOnlyDirectoryFailsAndLeavesTheTarget) {
  if (::geteuid() == 0) {
    // Root ignores permission bits: make the file system itself read-only.
    if (!MountTmpfs("size=64k")) GTEST_SKIP() << "cannot mount a tmpfs";
    PutFile(target_, kOldConfig);
    ASSERT_EQ(::mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                      "size=64k"),
              0);
  } else {
    PutFile(target_, kOldConfig);
    ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);
  }
  for (const Writer& writer : kWriters) {
    try {
      writer.write(target_);
      ADD_FAILURE() << writer.name << ": no error";
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), ::testing::StartsWith(writer.message(target_)))
          << writer.name;
    }
    EXPECT_EQ(ReadFile(target_), kOldConfig) << writer.name;
    EXPECT_THAT(Strays(), ::testing::IsEmpty()) << writer.name;
  }
}

TEST_F(AtomicWriteTest, FullDiskFailsAndLeavesTheTarget) {
  if (!MountTmpfs("size=64k")) GTEST_SKIP() << "needs root to mount a tmpfs";
  PutFile(target_, kOldConfig);
  // Fill the disk to the last byte.
  const std::string filler = dir_ + "/filler";
  {
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, "f", 1) > 0) {
    }
    ::close(fd);
  }
  for (const Writer& writer : kWriters) {
    try {
      writer.write(target_);
      ADD_FAILURE() << writer.name << ": no error";
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), ::testing::StartsWith(writer.message(target_)))
          << writer.name;
      if (&writer == &kWriters[0]) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr("No space left on device"));
      }
    }
    EXPECT_EQ(ReadFile(target_), kOldConfig) << writer.name;
    EXPECT_THAT(Strays(), ::testing::ElementsAre("filler")) << writer.name;
  }
  // Once there is room again, the write goes through.
  ::unlink(filler.c_str());
  kWriters[1].write(target_);
  EXPECT_EQ(ConfigFile(target_).ReadConfigValue("config", "time_config", ""), "h:m");
}

// Fails system calls of the writer, counting them all: the n-th call only,
// or (persistently) the n-th and every later one.
int g_call = 0;
int g_fail_at = 0;
bool g_persistent = false;
bool FailNow() {
  ++g_call;
  const bool fail = g_persistent ? g_call >= g_fail_at : g_call == g_fail_at;
  if (fail) errno = EIO;
  return fail;
}

void InstallFailingCalls() {
  AtomicWriteCalls& calls = CurrentAtomicWriteCalls();
  calls.open = [](const char* p, int f, mode_t m) {
    return FailNow() ? -1 : ::open(p, f, m);
  };
  calls.write = [](int fd, const void* d, size_t n) -> ssize_t {
    return FailNow() ? -1 : ::write(fd, d, n);
  };
  calls.fchmod = [](int fd, mode_t m) { return FailNow() ? -1 : ::fchmod(fd, m); };
  calls.fsync = [](int fd) { return FailNow() ? -1 : ::fsync(fd); };
  calls.close = [](int fd) {
    const bool fail = FailNow();
    const int rc = ::close(fd);  // the descriptor goes either way
    return fail ? -1 : rc;
  };
  calls.rename = [](const char* a, const char* b) {
    return FailNow() ? -1 : ::rename(a, b);
  };
  calls.unlink = [](const char* p) { return FailNow() ? -1 : ::unlink(p); };
}

// Makes the k-th call fail, for every k, once and persistently: either an
// error comes out and the target is the old file, or the new file is
// wholly in place. A temporary file that a failed removal leaves behind is
// cleared by the next write.
TEST_F(AtomicWriteTest, EveryFailingCallLeavesOldOrNewContent) {
  const std::string new_content(200000, 'n');
  for (const bool persistent : {false, true}) {
    SCOPED_TRACE(persistent ? "persistently" : "once");
    int failures = 0;
    for (g_fail_at = 1;; ++g_fail_at) {
      PutFile(target_, "old");
      InstallFailingCalls();
      g_persistent = persistent;
      g_call = 0;
      bool threw = false;
      try {
        WriteFileAtomically(target_, new_content);
      } catch (const Error&) {
        threw = true;
        ++failures;
      }
      CurrentAtomicWriteCalls() = AtomicWriteCalls::Defaults();
      EXPECT_EQ(ReadFile(target_), threw ? "old" : new_content) << "call " << g_fail_at;
      if (!persistent) {
        EXPECT_THAT(Strays(), ::testing::IsEmpty()) << "call " << g_fail_at;
      }
      WriteFileAtomically(target_, "next");
      EXPECT_THAT(Strays(), ::testing::IsEmpty()) << "call " << g_fail_at;
      if (g_call < g_fail_at) break;  // every call has been failed once
    }
    // open, fchmod, write, fsync, close and rename fail the write; the
    // directory sync after the rename does not.
    EXPECT_EQ(failures, 6);
  }
}

// Names of the target's own temporary pattern go; anything else stays.
TEST_F(AtomicWriteTest, RemovesOnlyStaleTemporaryFilesOfItsTarget) {
  const std::string outside = dir_ + "-outside";
  PutFile(outside, "keep");
  struct Case {
    const char* name;
    bool removed;
  } const cases[] = {
      {".out.txt.quorlix-tmp-Ab3xY9", true},
      {".out.txt.quorlix-tmp-000000", true},
      {".out.txt.quorlix-tmp-Ab3xY", false},    // five characters
      {".out.txt.quorlix-tmp-Ab3xY9z", false},  // seven
      {".out.txt.quorlix-tmp-Ab-xY9", false},   // not a letter or digit
      {"out.txt.quorlix-tmp-Ab3xY9", false},    // no leading dot
      {".other.quorlix-tmp-Ab3xY9", false},     // another target's
      {".out.txt.quorlix-tmp-Ab3xY9.bak", false},
  };
  // A writer at work holds its temporary file: a second writer leaves it.
  AtomicFileWriter busy(target_);
  busy.Write("first");
  for (const Case& c : cases) PutFile(dir_ + "/" + c.name, "stale");
  ASSERT_EQ(::symlink(outside.c_str(), (dir_ + "/.out.txt.quorlix-tmp-link01").c_str()), 0);
  ASSERT_EQ(::mkdir((dir_ + "/.out.txt.quorlix-tmp-dir001").c_str(), 0700), 0);
  WriteFileAtomically(target_, "second");

  std::vector<std::string> left = Strays();
  for (const Case& c : cases) {
    EXPECT_EQ(std::count(left.begin(), left.end(), c.name), c.removed ? 0 : 1) << c.name;
  }
  EXPECT_EQ(std::count(left.begin(), left.end(), ".out.txt.quorlix-tmp-link01"), 1);
  EXPECT_EQ(std::count(left.begin(), left.end(), ".out.txt.quorlix-tmp-dir001"), 1);
  EXPECT_EQ(ReadFile(outside), "keep");
  EXPECT_EQ(left.size(), std::size(cases) - 2 + 2 + 1) << "the busy writer's file";
  busy.Commit();
  EXPECT_EQ(ReadFile(target_), "first");
  ::unlink(outside.c_str());
}

// Kills a process at random moments while it rewrites config.cfg over and
// over: config.cfg is always whole, old or new, and whatever a killed write
// left behind is gone after the next write.
TEST_F(AtomicWriteTest, KilledWritersLeaveOldOrNewConfigAndTheNextWriteCleansUp) {
  constexpr int kKills = 1000;
  // Some bulk, so that a kill can fall inside the write itself.
  std::string bulk = "[config]\ntime_config=Y:M:D\n[colordef]\n";
  for (int i = 0; i < 300; ++i) bulk += "channel" + std::to_string(i) + "=ff8000\n";
  PutFile(target_, bulk);
  ConfigFile config(target_);
  const std::string values[] = {"Y:M:D h:m:s", "D.M.Y"};
  std::string contents[2];
  for (int i : {0, 1}) {
    config.WriteConfigValue("config", "time_config", values[i]);
    contents[i] = ReadFile(target_);
  }
  // How long one write takes, to spread the kills over a few writes.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) config.WriteConfigValue("config", "time_config", values[i % 2]);
  const auto one_write = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::steady_clock::now() - start) / 20;

  std::mt19937 random(12345);
  std::uniform_int_distribution<long> delay(0, 3 * one_write.count() + 100);
  int left_a_temp_file = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0; i < 1000000; ++i) {
        try {
          config.WriteConfigValue("config", "time_config", values[i % 2]);
        } catch (...) {
          ::_exit(1);
        }
      }
      ::_exit(0);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed or ended on its own";
    const std::string now = ReadFile(target_);
    ASSERT_TRUE(now == contents[0] || now == contents[1]) << "kill " << kill;
    const std::vector<std::string> strays = Strays();
    // Each write clears what the last killed one left: never more than one.
    ASSERT_LE(strays.size(), 1u) << "kill " << kill;
    if (!strays.empty()) {
      ASSERT_THAT(strays[0], ::testing::StartsWith(".out.txt.quorlix-tmp-"));
      ++left_a_temp_file;
    }
  }
  config.WriteConfigValue("config", "time_config", values[0]);
  EXPECT_EQ(ReadFile(target_), contents[0]);
  EXPECT_THAT(Strays(), ::testing::IsEmpty());
  // The kills must have hit writes in progress, not only the gaps.
  EXPECT_GT(left_a_temp_file, kKills / 20);
  RecordProperty("kills_that_left_a_temporary_file", left_a_temp_file);
}

TEST_F(AtomicWriteTest, RetriesInterruptedAndPartialWrites) {
  CurrentAtomicWriteCalls().write = [](int fd, const void* d,
                                       size_t n) -> ssize_t {
    static int call = 0;
    if (++call % 2 == 0) return errno = EINTR, -1;
    return ::write(fd, d, n < 7 ? n : 7);
  };
  std::string want;
  for (int i = 0; i < 1000; ++i) want += std::to_string(i) + ",";
  WriteFileAtomically(target_, want);
  EXPECT_EQ(ReadFile(target_), want);
}

}  // namespace
}  // namespace quorlix
