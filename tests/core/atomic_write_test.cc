#include "core/atomic_write.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

  // Names in the directory other than the target: left-over temporaries.
  std::vector<std::string> Strays() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      if (entry.path() != target_) names.push_back(entry.path().filename());
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

TEST_F(AtomicWriteTest, ReadOnlyDirectoryFailsAndLeavesTheTarget) {
  PutFile(target_, "old");
  if (::geteuid() == 0) {
    // Root ignores permission bits: make the file system itself read-only.
    if (!MountTmpfs("size=64k")) GTEST_SKIP() << "cannot mount a tmpfs";
    PutFile(target_, "old");
    ASSERT_EQ(::mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                      "size=64k"),
              0);
  } else {
    ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);
  }
  try {
    WriteFileAtomically(target_, "new");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), ::testing::HasSubstr(target_));
  }
  EXPECT_EQ(ReadFile(target_), "old");
  EXPECT_THAT(Strays(), ::testing::IsEmpty());
}

TEST_F(AtomicWriteTest, FullDiskFailsAndLeavesTheTarget) {
  if (!MountTmpfs("size=64k")) GTEST_SKIP() << "needs root to mount a tmpfs";
  PutFile(target_, "old");
  try {
    WriteFileAtomically(target_, std::string(1 << 20, 'x'));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), ::testing::HasSubstr("No space left on device"));
  }
  EXPECT_EQ(ReadFile(target_), "old");
  EXPECT_THAT(Strays(), ::testing::IsEmpty());
}

// Fails the n-th system call the writer makes; counts them all.
int g_call = 0;
int g_fail_at = 0;
bool FailNow() { return ++g_call == g_fail_at && (errno = EIO, true); }

// Makes the k-th call fail, for every k: either an error comes out and the
// target is the old file, or the new file is wholly in place.
TEST_F(AtomicWriteTest, EveryFailingCallLeavesOldOrNewContent) {
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
  const std::string new_content(200000, 'n');
  int failures = 0;
  for (g_fail_at = 1;; ++g_fail_at) {
    PutFile(target_, "old");
    g_call = 0;
    bool threw = false;
    try {
      WriteFileAtomically(target_, new_content);
    } catch (const Error&) {
      threw = true;
      ++failures;
    }
    const std::string now = ReadFile(target_);
    EXPECT_EQ(now, threw ? "old" : new_content) << "call " << g_fail_at;
    EXPECT_THAT(Strays(), ::testing::IsEmpty()) << "call " << g_fail_at;
    if (g_call < g_fail_at) break;  // every call has been failed once
  }
  // open, fchmod, write, fsync, close and rename fail the write; the
  // directory sync after the rename does not.
  EXPECT_EQ(failures, 6);
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
