// The window's private copy of the log on Windows: what the POSIX tests
// check through st_uid, modes, links and flock, here through the owner SID,
// reparse points and open handles.
#include <aclapi.h>
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/files/windows_text.h"
#include "core/log/temp_log.h"
#include "core/text/error.h"
#include "tests/support/scratch_dir.h"

namespace quorlix {
namespace {

using platform::Widen;
using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;

constexpr const char* kLog = "line one\r\nline two\n";

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code missing;
  for (const auto& entry : std::filesystem::directory_iterator(dir, missing)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

HANDLE Hold(const std::string& path) {
  return ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool IsOwnedBy(const std::string& path, WELL_KNOWN_SID_TYPE kind) {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::wstring name = Widen(path);
  if (!::CreateWellKnownSid(kind, nullptr, sid, &size) ||
      ::GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool same = ::EqualSid(owner, sid);
  ::LocalFree(descriptor);
  return same;
}

// A folder of another account's: a new one given to the Administrators
// group where the system lets this user do that (an administrator on
// Windows). Wine keeps the owner it derives from the Unix file's owner, so
// there the caller names one: QUORLIX_TEST_FOREIGN_FOLDER, an empty folder
// that another Unix account owns. "" when there is neither.
std::string ForeignFolder(const ScratchDir& dir) {
  const std::string made = dir.Path("foreign");
  std::filesystem::create_directory(made);
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  std::wstring name = Widen(made);
  if (::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
      ::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, sid, nullptr,
                              nullptr, nullptr) == ERROR_SUCCESS &&
      IsOwnedBy(made, WinBuiltinAdministratorsSid)) {
    return made;
  }
  const char* named = std::getenv("QUORLIX_TEST_FOREIGN_FOLDER");
  return named ? named : "";
}

std::string LoadError(const std::string& source, const std::string& cache) {
  try {
    LoadThroughTempLog(source, cache);
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

TEST(TempLogWindowsTest, CopiesTheLogBytesIntoANewFolderAndKeepsItAsLogTxt) {
  ScratchDir dir;
  const std::string source = dir.Path("chat.log");
  const std::string cache = dir.Path("Local\\Quorlix");  // parents made too
  WriteFileBytes(source, kLog);
  const LineStore lines = LoadThroughTempLog(source, cache);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "line two");
  EXPECT_EQ(ReadFileBytes(cache + "\\log.txt"), kLog);
  EXPECT_THAT(Entries(cache), testing::ElementsAre("log.txt"));
  // A second load replaces the copy.
  WriteFileBytes(source, "other\n");
  LoadThroughTempLog(source, cache);
  EXPECT_EQ(ReadFileBytes(cache + "\\log.txt"), "other\n");
  EXPECT_THAT(Entries(cache), testing::ElementsAre("log.txt"));
}

TEST(TempLogWindowsTest, RemovesLeftOverCopiesThatNobodyHolds) {
  ScratchDir dir;
  const std::string source = dir.Path("chat.log");
  const std::string cache = dir.Path("cache");
  WriteFileBytes(source, kLog);
  std::filesystem::create_directory(cache);
  for (const char* name : {"log.txt.AbC123", "log.txt.held01", "log.txt.short", "notes.txt"}) {
    WriteFileBytes(cache + "\\" + name, "x");
  }
  const HANDLE held = Hold(cache + "\\log.txt.held01");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  LoadThroughTempLog(source, cache);
  ::CloseHandle(held);
  EXPECT_THAT(Entries(cache),
              testing::ElementsAre("log.txt", "log.txt.held01", "log.txt.short", "notes.txt"));
}

TEST(TempLogWindowsTest, RefusesFoldersThatAreNotTheUsersOwnAndLeavesNothing) {
  ScratchDir dir;
  const std::string source = dir.Path("chat.log");
  WriteFileBytes(source, kLog);
  const auto refused = [](const std::string& folder) {
    return "Der Zwischenspeicher " + folder +
           " ist kein eigenes Verzeichnis des Benutzers; es wird nichts geladen";
  };

  const std::string file = dir.Path("a-file");
  WriteFileBytes(file, "");
  EXPECT_EQ(LoadError(source, file), refused(file));
  EXPECT_EQ(ReadFileBytes(file), "");

  const std::string foreign = ForeignFolder(dir);
  if (foreign.empty()) {
    GTEST_SKIP() << "no folder of another account here: Wine keeps the owner of the Unix "
                    "file; set QUORLIX_TEST_FOREIGN_FOLDER to an empty folder another Unix "
                    "account owns";
  }
  const std::vector<std::string> before = Entries(foreign);
  EXPECT_EQ(LoadError(source, foreign), refused(foreign));
  EXPECT_EQ(Entries(foreign), before);
}

// A junction or folder link in the cache folder's place: what it leads to
// is never written. Wine makes no such links (CreateSymbolicLinkW makes
// nothing there), so this runs on Windows only.
TEST(TempLogWindowsTest, RefusesAFolderLink) {
  ScratchDir dir;
  const std::string source = dir.Path("chat.log");
  WriteFileBytes(source, kLog);
  const std::string target = dir.Path("elsewhere");
  const std::string link = dir.Path("linked");
  std::filesystem::create_directory(target);
  ::CreateSymbolicLinkW(
      Widen(link).c_str(), Widen(target).c_str(),
      SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  if (::GetFileAttributesW(Widen(link).c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no folder link can be made here (Wine; or Windows without the right "
                    "to make links): error "
                 << ::GetLastError();
  }
  EXPECT_THAT(LoadError(source, link), testing::StartsWith("Der Zwischenspeicher " + link));
  EXPECT_THAT(Entries(target), testing::IsEmpty());
}

TEST(TempLogWindowsTest, RefusesFoldersAndMissingLogsByName) {
  ScratchDir dir;
  const std::string cache = dir.Path("cache");
  EXPECT_EQ(LoadError(dir.path(), cache), dir.path() + " ist ein Verzeichnis");
  EXPECT_THAT(
      LoadError(dir.Path("missing.log"), cache),
      testing::StartsWith("Datei " + dir.Path("missing.log") + " kann nicht geöffnet werden. "));
  EXPECT_THAT(Entries(dir.path()), testing::IsEmpty());
}

}  // namespace
}  // namespace quorlix
