// The Windows side of the platform layer: the traps the C runtime sets
// (text mode, file identity, names) and what the engine takes for granted
// of mappings and scratch files.
#include <io.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/files/platform.h"
#include "core/files/windows_text.h"
#include "core/log/line_store.h"
#include "tests/support/scratch_dir.h"

namespace quorlix {
namespace {

namespace fs = std::filesystem;

TEST(PlatformWindows, NamesOfOneFileShareAnIdentityOthersDoNot) {
  test::ScratchDir dir;
  const std::string one = dir.Path("one.log"), two = dir.Path("two.log");
  const std::string link = dir.Path("\xc3\xa4-link.log");
  test::WriteFileBytes(one, "1");
  test::WriteFileBytes(two, "2");
  ASSERT_TRUE(
      ::CreateHardLinkW(platform::Widen(link).c_str(), platform::Widen(one).c_str(), nullptr));
  platform::FileId a, b, c;
  ASSERT_TRUE(platform::IdentifyPath(one, a));
  ASSERT_TRUE(platform::IdentifyPath(link, b));
  ASSERT_TRUE(platform::IdentifyPath(two, c));
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);  // the C runtime's st_ino is 0 for both
  const int fd = platform::OpenForReading(two);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(platform::IdentifyFile(fd, b));
  ::_close(fd);
  EXPECT_EQ(b, c);
}

TEST(PlatformWindows, FilesAreBytesNotText) {
  test::ScratchDir dir;
  const std::string path = dir.Path("bytes.log");
  const std::string bytes(
      "a\r\nb\nc\x1a"
      "d\r",
      9);
  test::WriteFileBytes(path, bytes);
  const LineStore store = LineStore::ReadFile(path);
  EXPECT_EQ(store.bytes(), bytes);  // no CR LF folded, no stop at 0x1A
  ASSERT_EQ(store.size(), 3u);
  EXPECT_EQ(store[2],
            "c\x1a"
            "d");
  const int fd = platform::OpenForReading(path);
  char at[4] = {};
  EXPECT_EQ(platform::ReadAt(fd, at, 3, 5), 3);
  EXPECT_EQ(std::string(at),
            "c\x1a"
            "d");
  ::_close(fd);
}

TEST(PlatformWindows, AMappedFileCannotBeShortenedAndScratchFilesVanish) {
  test::ScratchDir dir;
  const std::string path = dir.Path("mapped.log");
  test::WriteFileBytes(path, std::string(1 << 20, 'x'));
  const int fd = platform::OpenForReading(path);
  const char* view = platform::MapForReading(fd, 1 << 20);
  ASSERT_NE(view, nullptr);
  ::_close(fd);
  // Why no lost page needs guarding here: the game cannot cut the log short.
  const HANDLE writer = ::CreateFileW(platform::Widen(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  LARGE_INTEGER start{};
  ASSERT_TRUE(::SetFilePointerEx(writer, start, nullptr, FILE_BEGIN));
  EXPECT_FALSE(::SetEndOfFile(writer));
  ::CloseHandle(writer);
  EXPECT_EQ(view[(1 << 20) - 1], 'x');
  platform::UnmapFile(view, 1 << 20);

  const int scratch = platform::CreateScratchFile(dir.path());
  ASSERT_GE(scratch, 0);
  EXPECT_EQ(platform::WriteAt(scratch, "abc", 3, 5), 3);
  char back[3];
  EXPECT_EQ(platform::ReadAt(scratch, back, 3, 5), 3);
  EXPECT_EQ(std::string(back, 3), "abc");
  ::_close(scratch);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// A folder a live program holds stays; one a killed program left goes,
// with the files in it.
TEST(PlatformWindows, OnlyAbandonedFoldersAreRemoved) {
  test::ScratchDir dir;
  std::string held;
  const int fd = platform::CreateHeldFolder(dir.Path(".out.quorlix-parts-"), held);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(held.size(), dir.Path(".out.quorlix-parts-").size() + 6) << held;
  test::WriteFileBytes(held + "/1", "part");
  platform::RemoveAbandonedFolder(held);
  EXPECT_EQ(test::ReadFileBytes(held + "/1"), "part");
  std::vector<std::string> names;
  ASSERT_TRUE(platform::ListFolder(dir.path(), names));
  EXPECT_EQ(names, std::vector<std::string>{fs::path(held).filename().string()});
  platform::Close(fd);
  platform::RemoveAbandonedFolder(held);
  EXPECT_FALSE(fs::exists(held));
}

// Output to these names would vanish: refused, but for the null device
// and the console the program writes to.
TEST(PlatformWindows, DeviceNamesWhereOutputWouldBeLostAreKnown) {
  for (const char* lost : {"AUX", "aux.txt", "C:\\Logs\\COM1.log", "lpt9", "Prn .txt", "D:com3",
                           "sub/LPT1.tar.gz", "COM\xc2\xb9", "CONIN$", "NUL.txt"}) {
    EXPECT_TRUE(platform::IsLostDeviceName(lost)) << lost;
  }
  for (const char* kept : {"NUL", "C:\\x\\nul", "COM10", "LPT", "auxiliary.txt", "aux\\out.txt",
                           "\\\\.\\COM1", "\\\\server\\share\\aux.txt"}) {
    EXPECT_FALSE(platform::IsLostDeviceName(kept)) << kept;
  }
  const bool console = platform::IsTerminal(1) || platform::IsTerminal(2);
  EXPECT_EQ(platform::IsLostDeviceName("con.log"), !console);
  EXPECT_EQ(platform::FoldNameCase("Day-7.txt"), platform::FoldNameCase("DAY-7.TXT"));
  EXPECT_EQ(platform::FoldNameCase("\xc3\xa4.log"), platform::FoldNameCase("\xc3\x84.LOG"));
  EXPECT_NE(platform::FoldNameCase("day-7.txt"), platform::FoldNameCase("day-17.txt"));
}

TEST(PlatformWindows, SystemErrorTextsAreOneLineWithoutAFullStop) {
  for (int error : {ENOENT, EACCES, ENOSPC, EISDIR}) {
    const std::string text = platform::SystemErrorText(error);
    EXPECT_FALSE(text.empty()) << error;
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_NE(text.back(), '.') << text;
  }
}

}  // namespace
}  // namespace quorlix
