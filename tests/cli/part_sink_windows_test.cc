// The part files of quorlix-cli --post-limit -o on Windows: all parts or
// none, and only stale parts removed, through the Windows calls (a move
// that fails at a chosen part, a folder appearing in a part's place).
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "cli/part_sink.h"
#include "core/text/error.h"
#include "tests/support/scratch_dir.h"

namespace quorlix::cli {
namespace {

namespace fs = std::filesystem;

// What the seam's rename does before the real one; a nonzero result fails
// the call with that errno.
std::function<int(const std::string& to)> g_before_rename;
int g_flushes = 0;

void InstallCalls() {
  AtomicWriteCalls& calls = CurrentAtomicWriteCalls();
  calls = AtomicWriteCalls::Defaults();
  calls.rename = [](const char* from, const char* to) {
    if (g_before_rename) {
      if (const int error = g_before_rename(to)) return errno = error, -1;
    }
    return AtomicWriteCalls::Defaults().rename(from, to);
  };
  calls.syncfs = [](int fd) {
    ++g_flushes;
    return AtomicWriteCalls::Defaults().syncfs(fd);
  };
}

// Every name in `dir` with its content ("<dir>" for a folder).
std::map<std::string, std::string> Listing(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    files[name] = entry.is_directory() ? "<dir>" : test::ReadFileBytes(entry.path().string());
  }
  return files;
}

TEST(PartFileSinkWindowsTest, AllPartsOrNoneAndOnlyStalePartsRemoved) {
  using Files = std::map<std::string, std::string>;
  const Files kOldSet = {{"out-1.txt", "old 1"},
                         {"out-2.txt", "old 2"},
                         {"out-3.txt", "old 3"},
                         {"out-4.txt", "old 4"}};
  const Files kNewSet = {{"out-1.txt", "a\r\n"}, {"out-2.txt", "b\r\n"}, {"out-3.txt", "c\r\n"}};
  struct Case {
    std::string name;
    std::string output;  // -o, in the scratch folder
    Files before;
    std::function<int(const std::string&)> before_rename;
    bool fails;
    Files after;
  } cases[] = {
      {"a new set", "out.txt", {}, nullptr, false, kNewSet},
      {"backslashes, and a dot only in the folder's name",
       "d.x\\post",
       {},
       nullptr,
       false,
       {{"d.x\\post-1", "a\r\n"}, {"d.x\\post-2", "b\r\n"}, {"d.x\\post-3", "c\r\n"}}},
      {"an older, longer set: its parts beyond the third go", "out.txt", kOldSet, nullptr, false,
       kNewSet},
      {"only files named as parts go",
       "out.txt",
       {{"out-04.txt", "x"}, {"out-5.txt.bak", "x"}, {"out-9.txt", "old 9"}},
       nullptr,
       false,
       {{"out-04.txt", "x"},
        {"out-5.txt.bak", "x"},
        {"out-1.txt", "a\r\n"},
        {"out-2.txt", "b\r\n"},
        {"out-3.txt", "c\r\n"}}},
      {"the move of part 2 fails: part 1's old content comes back", "out.txt", kOldSet,
       [](const std::string& to) { return to.ends_with("out-2.txt") ? EIO : 0; }, true, kOldSet},
      {"the move of part 3 fails, parts 1 and 2 new: they go",
       "out.txt",
       {},
       [](const std::string& to) { return to.ends_with("out-3.txt") ? EIO : 0; },
       true,
       {}},
      {"a folder appears at part 2 once part 1 is in place",
       "out.txt",
       {{"out-1.txt", "old 1"}},
       [](const std::string& to) {
         if (to.ends_with("out-1.txt"))
           fs::create_directory(fs::path(to).parent_path() / "out-2.txt");
         return 0;
       },
       true,
       {{"out-1.txt", "old 1"}, {"out-2.txt", "<dir>"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScratchDir scratch;
    const std::string dir = c.output.find('\\') == std::string::npos
                                ? scratch.path()
                                : scratch.Path(c.output.substr(0, c.output.find('\\')));
    fs::create_directories(dir);
    for (const auto& [name, content] : c.before) test::WriteFileBytes(scratch.Path(name), content);
    InstallCalls();
    g_before_rename = c.before_rename;
    g_flushes = 0;
    bool threw = false;
    try {
      PartFileSink sink(scratch.path() + "\\" + c.output, 1);
      for (const char* line : {"a", "b", "c"}) sink.AppendLine(line);
      sink.Commit();
    } catch (const Error&) {
      threw = true;
    }
    g_before_rename = nullptr;
    CurrentAtomicWriteCalls() = AtomicWriteCalls::Defaults();
    EXPECT_EQ(threw, c.fails);
    Files after;
    for (const auto& [name, content] : c.after) {
      const std::size_t slash = name.find('\\');
      after[slash == std::string::npos ? name : name.substr(slash + 1)] = content;
    }
    EXPECT_EQ(Listing(dir), after);  // no private folder left either
    // The parts' content made durable before any of them appears.
    EXPECT_EQ(g_flushes, 1);
  }
}

}  // namespace
}  // namespace quorlix::cli
