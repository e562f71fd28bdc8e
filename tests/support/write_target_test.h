// A fixture for tests of replacing a file: a scratch folder holding the
// target out.txt, the names left beside it, a tmpfs mounted over the folder
// (root only) to make a read-only or full file system, and the checks that
// every way Quorlix writes a file must pass there.
#pragma once

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/atomic_write.h"
#include "core/text/error.h"
#include "tests/support/scratch_dir.h"

namespace quorlix::test {

// One way of writing a file, with the start of the message it reports.
struct Writer {
  const char* name;
  void (*write)(const std::string& path);
  std::string (*message)(const std::string& path);
};

inline constexpr std::string_view kOldConfig = "[config]\ntime_config=Y:M:D\n";

class WriteTargetTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CurrentAtomicWriteCalls() = AtomicWriteCalls::Defaults();
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    ::chmod(dir_.c_str(), 0700);
  }

  // Names in the folder other than the target and the config writers'
  // lock file: left-over temporaries.
  std::vector<std::string> Strays() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      if (entry.path() != target_ && entry.path() != target_ + ".lock") {
        names.push_back(entry.path().filename());
      }
    }
    return names;
  }

  // A tmpfs over the folder; false when this process may not mount.
  bool MountTmpfs(const char* options) {
    if (::geteuid() != 0) return false;
    mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options) == 0;
    return mounted_;
  }

  // The target holds kOldConfig in a folder that cannot be written to;
  // false when that cannot be arranged.
  bool MakeReadOnlyFolder() {
    if (::geteuid() == 0) {
      // Root ignores permission bits: make the file system itself read-only.
      if (!MountTmpfs("size=64k")) return false;
      WriteFileBytes(target_, kOldConfig);
      return ::mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k") == 0;
    }
    WriteFileBytes(target_, kOldConfig);
    return ::chmod(dir_.c_str(), 0555) == 0;
  }

  // The target holds kOldConfig on a file system filled to the last byte by
  // the file filler_; false without root.
  bool MakeFullDisk() {
    if (!MountTmpfs("size=64k")) return false;
    WriteFileBytes(target_, kOldConfig);
    const int fd = ::open(filler_.c_str(), O_WRONLY | O_CREAT, 0600);
    if (fd < 0) return false;
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, "f", 1) > 0) {
    }
    ::close(fd);
    return true;
  }

  // `writer` fails with its message and leaves the target as it was and
  // nothing but `strays` beside it. Returns the message.
  std::string ExpectFailureKeepsTheTarget(const Writer& writer,
                                          const std::vector<std::string>& strays) {
    std::string message;
    try {
      writer.write(target_);
      ADD_FAILURE() << writer.name << ": no error";
    } catch (const Error& e) {
      message = e.what();
      EXPECT_THAT(message, ::testing::StartsWith(writer.message(target_))) << writer.name;
    }
    EXPECT_EQ(ReadFileBytes(target_), kOldConfig) << writer.name;
    EXPECT_EQ(Strays(), strays) << writer.name;
    return message;
  }

  ScratchDir scratch_;
  const std::string dir_ = scratch_.path();
  const std::string target_ = scratch_.Path("out.txt");
  const std::string filler_ = scratch_.Path("filler");
  bool mounted_ = false;
};

}  // namespace quorlix::test
