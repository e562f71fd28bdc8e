#include "core/log/line_store.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/files/platform.h"
#include "core/line/byte_scan.h"
#include "core/text/error.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/test_platform.h"

namespace quorlix {
namespace {

std::vector<std::string> Lines(const LineStore& store) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < store.size(); ++i) lines.emplace_back(store[i]);
  return lines;
}

TEST(LineStoreTest, SplitsAtEveryKindOfLineBreak) {
  using L = std::vector<std::string>;
  const struct {
    std::string bytes;
    L lines;
  } cases[] = {
      {"", {}},
      {"\n", {""}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r", {"a"}},
      {"a\nb", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\rc", {"a", "b", "c"}},
      {"a\n\nb\n\n", {"a", "", "b", ""}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"\r\n\r\n", {"", ""}},
      {std::string("x\0y\nz", 5), {std::string("x\0y", 3), "z"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Lines(LineStore::FromBytes(c.bytes)), c.lines) << testing::PrintToString(c.bytes);
    // The same breaks at and around the 64-byte steps of the vector scan.
    for (std::size_t pad = 58; pad <= 130; ++pad) {
      const std::string bytes = std::string(pad, 'x') + c.bytes;
      L lines = c.lines.empty() ? L{""} : c.lines;
      lines[0].insert(0, pad, 'x');
      EXPECT_EQ(Lines(LineStore::FromBytes(bytes)), lines)
          << pad << testing::PrintToString(c.bytes);
      if (bytes.size() < 64) continue;  // both scans read 64 whole bytes
      const char* window = bytes.data() + bytes.size() - 64;
      EXPECT_EQ(LineBreakBits(window), scan_detail::LineBreakBitsNarrow(window));
    }
  }
}

TEST(LineStoreTest, ViewsSurviveMovesOfShortTexts) {
  LineStore store = LineStore::FromBytes("ab\ncd");
  const std::string_view second = store[1];
  LineStore moved = std::move(store);
  LineStore again;
  again = std::move(moved);
  EXPECT_EQ(second, "cd");
  EXPECT_EQ(second.data(), again[1].data());
  EXPECT_EQ(again.bytes(), "ab\ncd");
}

TEST(LineStoreTest, ReadsFilesAndPipesAsBytes) {
  // A folder of its own: other runs of the suite may share the temporary one.
  const test::ScratchDir scratch;
  const std::string path = scratch.Path("line_store_test.log");
  const std::string small = std::string("one\r\ntw\xf6\0o\rthree\n", 16);
  // Large enough for a buffer mapped on its own, and a file for two threads
  // that meet at a line start; a pipe's buffer grows into one. All kinds of
  // breaks, also CR LF pairs that only a wrong meeting point would cut.
  const std::string large = [] {
    std::string text(std::size_t{33} << 20, 'x');
    for (std::size_t i = 0; i + 1 < text.size(); i += 97) {
      text[i] = "\n\r\r"[i % 3];
      if (i % 3 == 2) text[i + 1] = '\n';
    }
    return text;
  }();
  for (const std::string* bytes : {&small, &large}) {
    {
      std::ofstream file(path, std::ios::binary);
      file << *bytes;
    }
    const LineStore store = LineStore::ReadFile(path);
    EXPECT_TRUE(store.bytes() == *bytes) << bytes->size();
    EXPECT_TRUE(Lines(store) == Lines(LineStore::FromBytes(*bytes))) << bytes->size();
    // Mapped from a megabyte on; the guard sees the mapped bytes first.
    std::string_view guarded;
    const LineStore mapped = LineStore::MapFile(path, [&](std::string_view b) { guarded = b; });
    EXPECT_TRUE(Lines(mapped) == Lines(store)) << bytes->size();
    EXPECT_EQ(guarded.data(), bytes->size() > 1000 ? mapped.bytes().data() : nullptr);
    int ends[2];
    ASSERT_EQ(test::MakePipe(ends), 0);
    std::thread writer([&] {
      EXPECT_EQ(write(ends[1], bytes->data(), bytes->size()), static_cast<int64_t>(bytes->size()));
      close(ends[1]);
    });
    const LineStore piped = LineStore::ReadDescriptor(ends[0], "pipe");
    writer.join();
    close(ends[0]);
    EXPECT_TRUE(piped.bytes() == *bytes) << bytes->size();
  }
  const LineStore store = LineStore::FromBytes(small);
  EXPECT_EQ(Lines(store), (std::vector<std::string>{"one", std::string("tw\xf6\0o", 5), "three"}));
}

TEST(LineStoreTest, UnreadableFilesNameThePathAndTheReason) {
  const std::string missing = testing::TempDir() + "no/such.log";
  try {
    LineStore::ReadFile(missing);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Datei " + missing +
                                         " kann nicht ge\xc3\xb6"
                                         "ffnet werden. " +
                                         platform::SystemErrorText(ENOENT));
  }
  // A directory, and a device that never ends, are refused by name.
  const std::string dir = testing::TempDir();
  for (const auto& [path, message] :
       {std::pair<std::string, std::string>{dir, dir + " ist ein Verzeichnis"},
        {test::kEndlessDevice, "Datei " + test::kEndlessDevice +
                                   " ist weder eine regul\xc3\xa4re Datei noch eine Pipe "
                                   "und wird nicht gelesen"}}) {
    try {
      LineStore::ReadFile(path);
      ADD_FAILURE() << path << ": no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

}  // namespace
}  // namespace quorlix
