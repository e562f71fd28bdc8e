// The atomic writer on Windows: what the POSIX tests check through
// permission bits, links and locks, here through attributes, sharing and
// handles.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/files/atomic_write.h"
#include "core/files/platform.h"
#include "core/files/windows_text.h"
#include "core/text/error.h"
#include "tests/support/scratch_dir.h"

namespace quorlix {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

// Names are UTF-8 in the program; std::filesystem takes them as such.
fs::path Utf8Path(const std::string& name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

std::string Utf8Name(const fs::path& path) {
  const std::u8string name = path.filename().u8string();
  return std::string(name.begin(), name.end());
}

class AtomicWriteWindowsTest : public ::testing::Test {
 protected:
  // Everything in the folder but the target.
  std::vector<std::string> Strays() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Utf8Path(dir_.path()))) {
      const std::string name = Utf8Name(entry.path());
      if (name != "out.txt") names.push_back(name);
    }
    return names;
  }
  // The German message of a failed write, up to the system's reason.
  std::string CannotWrite(const std::string& path) const {
    return "Datei " + path + " kann nicht geschrieben werden. ";
  }

  test::ScratchDir dir_;
  std::string target_ = dir_.Path("out.txt");
};

// The writer's calls that change the disk, in order.
std::vector<std::string> g_calls;

TEST_F(AtomicWriteWindowsTest, ReplacesWholeAndBinaryWithoutStrays) {
  WriteFileBytes(target_, "old content that is longer than the new");
  AtomicWriteCalls& calls = CurrentAtomicWriteCalls();
  calls.fsync = [](int fd) {
    g_calls.push_back("flush");
    return AtomicWriteCalls::Defaults().fsync(fd);
  };
  calls.rename = [](const char* from, const char* to) {
    g_calls.push_back("move");
    return AtomicWriteCalls::Defaults().rename(from, to);
  };
  g_calls.clear();
  WriteFileAtomically(target_, std::string("a\0b\r\nc\n\x1a"
                                           "d",
                                           9));
  CurrentAtomicWriteCalls() = AtomicWriteCalls::Defaults();
  // On the disk before it is in place.
  EXPECT_EQ(g_calls, (std::vector<std::string>{"flush", "move"}));
  EXPECT_EQ(ReadFileBytes(target_), std::string("a\0b\r\nc\n\x1a"
                                                "d",
                                                9));
  EXPECT_TRUE(Strays().empty());
}

TEST_F(AtomicWriteWindowsTest, RefusesFoldersReadOnlyFilesAndFilesHeldOpen) {
  fs::create_directory(dir_.Path("folder"));
  try {
    WriteFileAtomically(dir_.Path("folder"), "new");
    ADD_FAILURE() << "no error for a folder";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), dir_.Path("folder") + " ist ein Verzeichnis");
  }

  WriteFileBytes(target_, "old");
  ASSERT_TRUE(::SetFileAttributesW(platform::Widen(target_).c_str(), FILE_ATTRIBUTE_READONLY));
  try {
    WriteFileAtomically(target_, "new");
    ADD_FAILURE() << "no error for a read-only file";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Datei " + target_ + " ist schreibgesch\xc3\xbctzt und wird nicht ersetzt");
  }
  ::SetFileAttributesW(platform::Widen(target_).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFileBytes(target_), "old");

  // A program that holds the file open without letting it be replaced (as
  // the game holds its log): a clear message, the old file whole.
  const HANDLE held = ::CreateFileW(platform::Widen(target_).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    WriteFileAtomically(target_, "new");
    ADD_FAILURE() << "no error for a file held open";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind(CannotWrite(target_), 0), 0u) << e.what();
  }
  ::CloseHandle(held);
  EXPECT_EQ(ReadFileBytes(target_), "old");

  // A second name would keep the old content: the file would be split.
  ASSERT_TRUE(::CreateHardLinkW(platform::Widen(dir_.Path("other.txt")).c_str(),
                                platform::Widen(target_).c_str(), nullptr));
  try {
    WriteFileAtomically(target_, "new");
    ADD_FAILURE() << "no error for a file with two names";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Datei " + target_ + " hat weitere harte Links und wird nicht ersetzt");
  }
  EXPECT_EQ(ReadFileBytes(dir_.Path("other.txt")), "old");
  EXPECT_EQ(Strays(), (std::vector<std::string>{"folder", "other.txt"}));
}

// Names with backslashes and drive letters, as Windows users type them.
TEST(AtomicWriteWindowsNames, FolderAndNameOfWindowsPaths) {
  const struct {
    std::string path, folder, name;
  } cases[] = {
      {"C:\\out.txt", "C:\\", "out.txt"},
      {"C:\\a.b\\post", "C:\\a.b", "post"},
      {"C:/logs\\x.txt", "C:/logs", "x.txt"},
      {"dir/sub\\x.txt", "dir/sub", "x.txt"},
      {"\\x.txt", "\\", "x.txt"},
      {"x.txt", ".", "x.txt"},
      {"C:x.txt", "C:.", "x.txt"},  // drive C's current folder
      {"C:sub\\x.txt", "C:sub", "x.txt"},
      {"a/x.txt", "a", "x.txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DirectoryOf(c.path), c.folder) << c.path;
    EXPECT_EQ(NameOf(c.path), c.name) << c.path;
  }
}

TEST_F(AtomicWriteWindowsTest, RemovesAbandonedTemporaryFilesButNotOnesInUse) {
  const std::string abandoned = dir_.Path(".out.txt.quorlix-tmp-AbC123");
  const std::string in_use = dir_.Path(".out.txt.quorlix-tmp-XyZ789");
  const std::string other = dir_.Path(".out.txt.quorlix-tmp-toolong1");
  for (const std::string& path : {abandoned, in_use, other}) WriteFileBytes(path, "left");
  const HANDLE holder = ::CreateFileW(platform::Widen(in_use).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  WriteFileAtomically(target_, "new");
  ::CloseHandle(holder);
  EXPECT_FALSE(fs::exists(Utf8Path(abandoned)));
  EXPECT_TRUE(fs::exists(Utf8Path(in_use)));
  EXPECT_TRUE(fs::exists(Utf8Path(other)));
  EXPECT_EQ(ReadFileBytes(target_), "new");
}

TEST_F(AtomicWriteWindowsTest, AWriterInUseSurvivesAnotherWritersCleanUp) {
  AtomicFileWriter first(target_);
  first.Write("first");
  first.Finish();  // closed, waiting for the rename
  WriteFileAtomically(target_, "second");
  first.Commit();
  EXPECT_EQ(ReadFileBytes(target_), "first");
  EXPECT_TRUE(Strays().empty());
}

TEST_F(AtomicWriteWindowsTest, NamesBeyondAsciiAndBeyond260Characters) {
  const std::vector<std::string> names = {
      "Gr\xc3\xbc\xc3\x9f"
      "e.txt",
      "\xe8\x81\x8a\xe5\xa4\xa9.txt",
      std::string(120, 'd') + "/" + std::string(120, 'e') + "/" + std::string(60, 'f') + ".txt"};
  for (const std::string& name : names) {
    const std::string path = dir_.Path(name);
    fs::create_directories(Utf8Path(path).parent_path());
    WriteFileAtomically(path, "one");
    WriteFileAtomically(path, "two");
    const int fd = platform::OpenForReading(path);
    ASSERT_GE(fd, 0) << path;
    char bytes[8] = {};
    EXPECT_EQ(platform::ReadAt(fd, bytes, sizeof bytes, 0), 3) << path;
    ::_close(fd);
    EXPECT_EQ(std::string(bytes), "two") << path;
  }
}

}  // namespace
}  // namespace quorlix
