#include "core/files/atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/text/error.h"
#include "tests/support/write_target_test.h"

namespace quorlix {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;
using test::Writer;

mode_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

using AtomicWriteTest = test::WriteTargetTest;

TEST_F(AtomicWriteTest, ReplacesContentAndKeepsTheMode) {
  WriteFileBytes(target_, "old content that is longer than the new");
  ASSERT_EQ(::chmod(target_.c_str(), 0640), 0);
  WriteFileAtomically(target_, "new");
  EXPECT_EQ(ReadFileBytes(target_), "new");
  EXPECT_EQ(ModeOf(target_), 0640u);
  EXPECT_THAT(Strays(), ::testing::IsEmpty());
}

TEST_F(AtomicWriteTest, NewFileGetsTheUmaskedDefaultMode) {
  const mode_t saved = ::umask(027);
  WriteFileAtomically(target_, std::string("a\0b\r\n", 5));
  ::umask(saved);
  EXPECT_EQ(ReadFileBytes(target_), std::string("a\0b\r\n", 5));
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
  EXPECT_EQ(ReadFileBytes(target_), want);
}

TEST_F(AtomicWriteTest, UncommittedWriterLeavesNothing) {
  WriteFileBytes(target_, "old");
  {
    AtomicFileWriter writer(target_);
    writer.Write("new");
    // Large enough that a thread syncs it meanwhile; discarding stops that.
    writer.Write(std::string(std::size_t{9} << 20, 'n'));
  }
  EXPECT_EQ(ReadFileBytes(target_), "old");
  EXPECT_THAT(Strays(), ::testing::IsEmpty());
}

const Writer kAtomicWrite = {
    "atomic write", [](const std::string& path) { WriteFileAtomically(path, "new"); },
    [](const std::string& path) { return "Datei " + path + " kann nicht geschrieben werden. "; }};

TEST_F(AtomicWriteTest, ReadOnlyDirectoryFailsAndLeavesTheTarget) {
  if (!MakeReadOnlyFolder()) GTEST_SKIP() << "cannot make a read-only folder";
  ExpectFailureKeepsTheTarget(kAtomicWrite, {});
}

TEST_F(AtomicWriteTest, FullDiskFailsAndLeavesTheTarget) {
  if (!MakeFullDisk()) GTEST_SKIP() << "needs root to mount a tmpfs";
  EXPECT_THAT(ExpectFailureKeepsTheTarget(kAtomicWrite, {"filler"}),
              ::testing::HasSubstr(std::strerror(ENOSPC)));
  // Once there is room again, the write goes through.
  ::unlink(filler_.c_str());
  kAtomicWrite.write(target_);
  EXPECT_EQ(ReadFileBytes(target_), "new");
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
  calls.open = [](const char* p, int f, mode_t m) { return FailNow() ? -1 : ::open(p, f, m); };
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
  calls.rename = [](const char* a, const char* b) { return FailNow() ? -1 : ::rename(a, b); };
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
      WriteFileBytes(target_, "old");
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
      EXPECT_EQ(ReadFileBytes(target_), threw ? "old" : new_content) << "call " << g_fail_at;
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

// The rename is made durable: the folder is synced after it.
std::vector<std::string> g_events;
TEST_F(AtomicWriteTest, SyncsTheFolderAfterTheRename) {
  AtomicWriteCalls& calls = CurrentAtomicWriteCalls();
  calls.rename = [](const char* from, const char* to) {
    g_events.push_back("rename");
    return ::rename(from, to);
  };
  calls.fsync = [](int fd) {
    struct stat st {};
    ::fstat(fd, &st);
    g_events.push_back(S_ISDIR(st.st_mode) ? "sync folder" : "sync file");
    return ::fsync(fd);
  };
  WriteFileAtomically(target_, "new");
  EXPECT_THAT(g_events, ::testing::ElementsAre("sync file", "rename", "sync folder"));
}

// Names of the target's own temporary pattern go; anything else stays.
TEST_F(AtomicWriteTest, RemovesOnlyStaleTemporaryFilesOfItsTarget) {
  const std::string outside = dir_ + "-outside";
  WriteFileBytes(outside, "keep");
  struct Case {
    const char* name;
    bool removed;
  } const cases[] = {
      {".out.txt.quorlix-tmp-Ab3xY9", true},      {".out.txt.quorlix-tmp-000000", true},
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
  for (const Case& c : cases) WriteFileBytes(dir_ + "/" + c.name, "stale");
  ASSERT_EQ(::symlink(outside.c_str(), (dir_ + "/.out.txt.quorlix-tmp-link01").c_str()), 0);
  ASSERT_EQ(::mkdir((dir_ + "/.out.txt.quorlix-tmp-dir001").c_str(), 0700), 0);
  WriteFileAtomically(target_, "second");

  std::vector<std::string> left = Strays();
  for (const Case& c : cases) {
    EXPECT_EQ(std::count(left.begin(), left.end(), c.name), c.removed ? 0 : 1) << c.name;
  }
  EXPECT_EQ(std::count(left.begin(), left.end(), ".out.txt.quorlix-tmp-link01"), 1);
  EXPECT_EQ(std::count(left.begin(), left.end(), ".out.txt.quorlix-tmp-dir001"), 1);
  EXPECT_EQ(ReadFileBytes(outside), "keep");
  EXPECT_EQ(left.size(), std::size(cases) - 2 + 2 + 1) << "the busy writer's file";
  busy.Commit();
  EXPECT_EQ(ReadFileBytes(target_), "first");
  ::unlink(outside.c_str());
}

TEST_F(AtomicWriteTest, RetriesInterruptedAndPartialWrites) {
  CurrentAtomicWriteCalls().write = [](int fd, const void* d, size_t n) -> ssize_t {
    static int call = 0;
    if (++call % 2 == 0) return errno = EINTR, -1;
    return ::write(fd, d, n < 7 ? n : 7);
  };
  std::string want;
  for (int i = 0; i < 1000; ++i) want += std::to_string(i) + ",";
  WriteFileAtomically(target_, want);
  EXPECT_EQ(ReadFileBytes(target_), want);
  // A write that makes no progress is a full disk, not a reason to try
  // for ever (the fake gives up after many, so a loop fails, not hangs).
  CurrentAtomicWriteCalls().write = [](int, const void*, size_t) -> ssize_t {
    static int calls = 0;
    return ++calls < 1000 ? 0 : (errno = EIO, -1);
  };
  try {
    WriteFileAtomically(target_, "lost");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(std::strerror(ENOSPC)), std::string::npos) << e.what();
  }
  CurrentAtomicWriteCalls() = AtomicWriteCalls::Defaults();
  EXPECT_EQ(ReadFileBytes(target_), want);
}

}  // namespace
}  // namespace quorlix
