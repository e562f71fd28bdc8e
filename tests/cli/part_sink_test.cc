// The part files of quorlix-cli --post-limit -o, written in this process
// so that a rename can fail, or a folder appear, at a chosen moment.
#include "cli/part_sink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/text/error.h"
#include "tests/support/scratch_dir.h"

namespace quorlix::cli {
namespace {

namespace fs = std::filesystem;

// What the seam's rename does before the real one; a nonzero result fails
// the call with that errno.
std::function<int(const std::string& to)> g_before_rename;
int g_directory_syncs = 0;
int g_file_system_syncs = 0;

void InstallCalls() {
  AtomicWriteCalls& calls = CurrentAtomicWriteCalls();
  calls = AtomicWriteCalls::Defaults();
  calls.rename = [](const char* from, const char* to) {
    if (g_before_rename) {
      if (const int error = g_before_rename(to)) return errno = error, -1;
    }
    return ::rename(from, to);
  };
  calls.fsync = [](int fd) {
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) ++g_directory_syncs;
    return ::fsync(fd);
  };
  calls.syncfs = [](int fd) {
    ++g_file_system_syncs;
    return ::syncfs(fd);
  };
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Every name in `dir` with its content ("<dir>" for a folder, "-> x" for a
// link).
std::map<std::string, std::string> Listing(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename();
    if (entry.is_symlink()) {
      files[name] = "-> " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_directory()) {
      files[name] = "<dir>";
    } else {
      files[name] = test::ReadFileBytes(entry.path());
    }
  }
  return files;
}

TEST(PartFileSinkTest, AllPartsOrNoneAndOnlyStalePartsRemoved) {
  using Files = std::map<std::string, std::string>;
  const Files kOldSet = {{"out-1.txt", "old 1"},
                         {"out-2.txt", "old 2"},
                         {"out-3.txt", "old 3"},
                         {"out-4.txt", "old 4"}};
  struct Case {
    std::string name;
    std::string output;  // -o
    Files before;
    std::function<int(const std::string&)> before_rename;
    bool fails;
    Files after;
  } cases[] = {
      {"a new set",
       "out.txt",
       {},
       nullptr,
       false,
       {{"out-1.txt", "a\r\n"}, {"out-2.txt", "b\r\n"}, {"out-3.txt", "c\r\n"}}},
      {"a name with a leading dot",
       ".out",
       {},
       nullptr,
       false,
       {{".out-1", "a\r\n"}, {".out-2", "b\r\n"}, {".out-3", "c\r\n"}}},
      {"an older, longer set: its parts beyond the third go",
       "out.txt",
       kOldSet,
       nullptr,
       false,
       {{"out-1.txt", "a\r\n"}, {"out-2.txt", "b\r\n"}, {"out-3.txt", "c\r\n"}}},
      {"only regular files named as parts go",
       "out.txt",
       {{"out-04.txt", "x"}, {"out-5.txt.bak", "x"}, {"out-9.txt", "old 9"}, {"out-x.txt", "x"}},
       nullptr,
       false,
       {{"out-04.txt", "x"},
        {"out-5.txt.bak", "x"},
        {"out-x.txt", "x"},
        {"out-1.txt", "a\r\n"},
        {"out-2.txt", "b\r\n"},
        {"out-3.txt", "c\r\n"}}},
      {"the rename of part 2 fails", "out.txt", kOldSet,
       [](const std::string& to) { return EndsWith(to, "/out-2.txt") ? EIO : 0; }, true, kOldSet},
      {"the rename of part 3 fails, parts 1 and 2 new",
       "out.txt",
       {},
       [](const std::string& to) { return EndsWith(to, "/out-3.txt") ? EIO : 0; },
       true,
       {}},
      {"a folder appears at part 2 once part 1 is in place",
       "out.txt",
       {{"out-1.txt", "old 1"}},
       [](const std::string& to) {
         if (EndsWith(to, "/out-1.txt"))
           fs::create_directory(fs::path(to).parent_path() / "out-2.txt");
         return 0;
       },
       true,
       {{"out-1.txt", "old 1"}, {"out-2.txt", "<dir>"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScratchDir scratch;
    for (const auto& [name, content] : c.before) test::WriteFileBytes(scratch.Path(name), content);
    ASSERT_EQ(::symlink("elsewhere", scratch.Path("out-7.txt").c_str()), 0);
    InstallCalls();
    g_before_rename = c.before_rename;
    g_directory_syncs = g_file_system_syncs = 0;
    bool threw = false;
    try {
      PartFileSink sink(scratch.Path(c.output), 1);
      for (const char* line : {"a", "b", "c"}) sink.AppendLine(line);
      sink.Commit();
    } catch (const Error&) {
      threw = true;
    }
    g_before_rename = nullptr;
    CurrentAtomicWriteCalls() = AtomicWriteCalls::Defaults();
    EXPECT_EQ(threw, c.fails);
    Files after = c.after;
    after["out-7.txt"] = "-> elsewhere";  // a link is no part file
    EXPECT_EQ(Listing(scratch.path()), after);
    // The parts' content made durable before the renames, the folder after.
    EXPECT_EQ(g_file_system_syncs, 1);
    EXPECT_EQ(g_directory_syncs, c.fails ? 0 : 1);
  }
}

}  // namespace
}  // namespace quorlix::cli
