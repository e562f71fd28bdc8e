#include "core/log/temp_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "core/text/error.h"
#include "tests/support/scratch_dir.h"

namespace quorlix {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;

constexpr const char* kLog = "line one\r\nline two\n";

mode_t ModeOf(const std::string& path) {
  struct stat info;
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info.st_mode;
}

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code missing;
  for (const auto& entry : std::filesystem::directory_iterator(dir, missing)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// One load: the log at `source`, the cache folder at `cache`, both in `dir`.
struct Setting {
  explicit Setting(const ScratchDir& d) : dir(d) {}
  const ScratchDir& dir;
  std::string source = dir.Path("chat.log");
  std::string cache = dir.Path("cache");
  std::vector<int> held;  // descriptors that hold a lock during the load
};

void MakeDir(const std::string& path, mode_t mode) {
  ASSERT_EQ(::mkdir(path.c_str(), mode), 0) << path;
  ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

void HoldLocked(Setting& s, const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  s.held.push_back(fd);
}

struct Case {
  const char* name;
  void (*prepare)(Setting&);
  const char* error;  // part of the message, or nullptr when the load succeeds
  std::vector<std::string> cache_after;
};

// The case by its name in test listings, not as raw bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"MissingFolderAndParentsAreMade",
     [](Setting& s) { s.cache = s.dir.Path("a/b/cache"); },
     nullptr,
     {"log.txt"}},
    {"OpenFolderIsMadePrivate", [](Setting& s) { MakeDir(s.cache, 0755); }, nullptr, {"log.txt"}},
    {"LinkAtTheFixedNameIsReplacedNotFollowed",
     [](Setting& s) {
       MakeDir(s.cache, 0700);
       WriteFileBytes(s.dir.Path("victim"), "untouched");
       ASSERT_EQ(::symlink(s.dir.Path("victim").c_str(), (s.cache + "/log.txt").c_str()), 0);
     },
     nullptr,
     {"log.txt"}},
    {"StaleCopiesGo",
     [](Setting& s) {
       MakeDir(s.cache, 0700);
       WriteFileBytes(s.cache + "/log.txt.Stale1", "stale");
       WriteFileBytes(s.cache + "/log.txt.a1B2c3", "stale");
     },
     nullptr,
     {"log.txt"}},
    {"LockedCopyOfALiveLoadStays",
     [](Setting& s) {
       MakeDir(s.cache, 0700);
       WriteFileBytes(s.cache + "/log.txt.Held12", "held");
       HoldLocked(s, s.cache + "/log.txt.Held12");
     },
     nullptr,
     {"log.txt", "log.txt.Held12"}},
    {"OtherNamesAndLinksStay",
     [](Setting& s) {
       MakeDir(s.cache, 0700);
       for (const char* name : {"log.txt.Short", "log.txt.Long123", "log.txt.ab_cd1", "notes"}) {
         WriteFileBytes(s.cache + "/" + name, "kept");
       }
       WriteFileBytes(s.dir.Path("victim"), "untouched");
       ASSERT_EQ(::symlink(s.dir.Path("victim").c_str(), (s.cache + "/log.txt.Link12").c_str()), 0);
       MakeDir(s.cache + "/log.txt.Dir123", 0700);
     },
     nullptr,
     {"log.txt", "log.txt.Dir123", "log.txt.Link12", "log.txt.Long123", "log.txt.Short",
      "log.txt.ab_cd1", "notes"}},
    {"FixedNameTakenStillLoadsAndLeavesNoCopy",
     [](Setting& s) {
       MakeDir(s.cache, 0700);
       std::filesystem::create_directories(s.cache + "/log.txt/full");
     },
     nullptr,
     {"log.txt"}},
    {"LinkedCacheFolderIsRefused",
     [](Setting& s) {
       MakeDir(s.dir.Path("shared"), 0777);
       ASSERT_EQ(::symlink(s.dir.Path("shared").c_str(), s.cache.c_str()), 0);
     },
     "ist kein eigenes Verzeichnis des Benutzers; es wird nichts geladen",
     {}},
    {"FileAsCacheFolderIsRefused",
     [](Setting& s) { WriteFileBytes(s.cache, "file"); },
     "ist kein eigenes Verzeichnis des Benutzers",
     {}},
    {"ForeignCacheFolderIsRefused",
     [](Setting& s) {
       MakeDir(s.cache, 0777);
       // Only root can give a folder away; others see the row pass as is.
       if (::geteuid() == 0) {
         ASSERT_EQ(::chown(s.cache.c_str(), 4242, 4242), 0);
       } else {
         s.cache = "/";
       }
     },
     "ist kein eigenes Verzeichnis des Benutzers",
     {}},
    {"MissingLogIsNamed",
     [](Setting& s) { s.source = s.dir.Path("gone.log"); },
     "gone.log kann nicht geöffnet werden.",
     {}},
    {"DirectoryIsNoLog", [](Setting& s) { s.source = s.dir.path(); }, "ist ein Verzeichnis", {}},
    {"FifoIsNoLog",
     [](Setting& s) {
       s.source = s.dir.Path("fifo");
       ASSERT_EQ(::mkfifo(s.source.c_str(), 0600), 0);
     },
     "ist keine reguläre Datei und wird nicht geladen",
     {}},
};

class TempLogTest : public ::testing::TestWithParam<Case> {};

TEST_P(TempLogTest, LoadsThroughAPrivateCopy) {
  const Case& c = GetParam();
  ScratchDir dir;
  Setting s(dir);
  WriteFileBytes(s.source, kLog);
  c.prepare(s);
  if (::testing::Test::HasFatalFailure()) return;

  std::string error;
  LineStore lines;
  try {
    lines = LoadThroughTempLog(s.source, s.cache);
  } catch (const Error& e) {
    error = e.what();
  }
  for (int fd : s.held) ::close(fd);

  if (c.error != nullptr) {
    EXPECT_THAT(error, ::testing::HasSubstr(c.error));
    // The message names the file or folder at fault.
    EXPECT_TRUE(error.find(s.source) != std::string::npos ||
                error.find(s.cache) != std::string::npos)
        << error;
  } else {
    ASSERT_EQ(error, "");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "line two");
    EXPECT_EQ(ModeOf(s.cache) & 07777, 0700u);
    if (S_ISREG(ModeOf(s.cache + "/log.txt"))) {
      EXPECT_EQ(ReadFileBytes(s.cache + "/log.txt"), kLog);
      EXPECT_EQ(ModeOf(s.cache + "/log.txt") & 07777, 0600u);
    }
  }
  if (std::filesystem::exists(dir.Path("victim"))) {
    EXPECT_EQ(ReadFileBytes(dir.Path("victim")), "untouched");
  }
  if (std::filesystem::exists(dir.Path("shared"))) {
    EXPECT_EQ(ModeOf(dir.Path("shared")) & 07777, 0777u);
    EXPECT_THAT(Entries(dir.Path("shared")), ::testing::IsEmpty());
  }
  if (s.cache != "/") {
    EXPECT_EQ(Entries(s.cache), c.cache_after);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, TempLogTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorlix
