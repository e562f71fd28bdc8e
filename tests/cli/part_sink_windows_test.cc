// The part files of quorlix-cli --post-limit -o on Windows: all parts or
// none, and only stale parts removed, through the Windows calls (a move
// that fails at a chosen part, a folder appearing in a part's place).
#include <process.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
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

// Every name in `dir` with its content ("<dir>" for a folder); the record
// of the parts only as "<record>".
std::map<std::string, std::string> Listing(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    files[name] = entry.is_directory()               ? "<dir>"
                  : name.ends_with(".quorlix-parts") ? "<record>"
                                                     : test::ReadFileBytes(entry.path().string());
  }
  return files;
}

using Files = std::map<std::string, std::string>;

TEST(PartFileSinkWindowsTest, AllPartsOrNoneAndOnlyStalePartsRemoved) {
  const Files kOldSet = {{"out-1.txt", "old 1"},
                         {"out-2.txt", "old 2"},
                         {"out-3.txt", "old 3"},
                         {"out-4.txt", "old 4"}};
  const Files kNewSet = {{"out-1.txt", "a\r\n"},
                         {"out-2.txt", "b\r\n"},
                         {"out-3.txt", "c\r\n"},
                         {".out.txt.quorlix-parts", "<record>"}};
  // Written by an earlier run, which leaves its record.
  const Files kRecordedOldSet = {{"out-1.txt", "old 1\r\n"},
                                 {"out-2.txt", "old 2\r\n"},
                                 {"out-3.txt", "old 3\r\n"},
                                 {"out-4.txt", "old 4\r\n"},
                                 {".out.txt.quorlix-parts", "<record>"}};
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
       {{"d.x\\post-1", "a\r\n"},
        {"d.x\\post-2", "b\r\n"},
        {"d.x\\post-3", "c\r\n"},
        {"d.x\\.post.quorlix-parts", "<record>"}}},
      {"an older, longer set: its parts beyond the third go", "out.txt", kRecordedOldSet, nullptr,
       false, kNewSet},
      {"parts of no record stay: they may be the user's files",
       "out.txt",
       {{"out-04.txt", "x"}, {"out-5.txt.bak", "x"}, {"out-9.txt", "old 9"}},
       nullptr,
       false,
       {{"out-04.txt", "x"},
        {"out-5.txt.bak", "x"},
        {"out-9.txt", "old 9"},
        {"out-1.txt", "a\r\n"},
        {"out-2.txt", "b\r\n"},
        {"out-3.txt", "c\r\n"},
        {".out.txt.quorlix-parts", "<record>"}}},
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
    if (c.before == kRecordedOldSet) {
      PartFileSink earlier(scratch.Path("out.txt"), 1);
      for (const char* line : {"old 1", "old 2", "old 3", "old 4"}) earlier.AppendLine(line);
      earlier.Commit();
    } else {
      for (const auto& [name, content] : c.before)
        test::WriteFileBytes(scratch.Path(name), content);
    }
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

// The killed run of the test below, in a process of its own: it ends at
// the seam's call QUORLIX_KILL_AT, as a kill at that step would.
int g_calls = 0, g_kill_at = 0;
bool g_counting = false;
void CountCall() {
  if (g_counting && ++g_calls == g_kill_at) std::_Exit(9);
}

TEST(PartFileSinkWindowsTest, KilledRun) {
  const char* step = std::getenv("QUORLIX_KILL_AT");
  const char* out = std::getenv("QUORLIX_KILL_OUT");
  if (step == nullptr || out == nullptr) GTEST_SKIP() << "run by the test below";
  g_kill_at = std::atoi(step);
  AtomicWriteCalls& calls = CurrentAtomicWriteCalls();
  calls.open = [](const char* path, int flags, mode_t mode) {
    return CountCall(), AtomicWriteCalls::Defaults().open(path, flags, mode);
  };
  calls.write = [](int fd, const void* data, size_t size) {
    return CountCall(), AtomicWriteCalls::Defaults().write(fd, data, size);
  };
  calls.fsync = [](int fd) { return CountCall(), AtomicWriteCalls::Defaults().fsync(fd); };
  calls.rename = [](const char* from, const char* to) {
    return CountCall(), AtomicWriteCalls::Defaults().rename(from, to);
  };
  calls.unlink = [](const char* path) {
    return CountCall(), AtomicWriteCalls::Defaults().unlink(path);
  };
  calls.link = [](const char* from, const char* to) {
    return CountCall(), AtomicWriteCalls::Defaults().link(from, to);
  };
  calls.syncfs = [](int fd) { return CountCall(), AtomicWriteCalls::Defaults().syncfs(fd); };
  PartFileSink sink(out, 1);
  for (const char* line : {"a", "b", "c"}) sink.AppendLine(line);
  g_counting = true;
  sink.Commit();
  std::_Exit(0);
}

// Killed at each step of putting a set in place: once the next run to the
// same name has started, the folder holds the old set or the new one, whole.
TEST(PartFileSinkWindowsTest, ARunKilledAtAnyStepOfTheSwitchIsFinishedByTheNext) {
  const Files kOld = {{"out-1.txt", "old 1\r\n"},
                      {"out-2.txt", "old 2\r\n"},
                      {"out-3.txt", "old 3\r\n"},
                      {"out-4.txt", "old 4\r\n"},
                      {".out.txt.quorlix-parts", "<record>"}};
  const Files kNew = {{"out-1.txt", "a\r\n"},
                      {"out-2.txt", "b\r\n"},
                      {"out-3.txt", "c\r\n"},
                      {".out.txt.quorlix-parts", "<record>"}};
  const std::string program = ::testing::internal::GetArgvs()[0];
  int step = 1;
  for (int status = 9; status == 9; ++step) {
    SCOPED_TRACE(step);
    test::ScratchDir scratch;
    const std::string out = scratch.Path("out.txt");
    {
      PartFileSink earlier(out, 1);
      for (const char* line : {"old 1", "old 2", "old 3", "old 4"}) earlier.AppendLine(line);
      earlier.Commit();
    }
    _putenv_s("QUORLIX_KILL_AT", std::to_string(step).c_str());
    _putenv_s("QUORLIX_KILL_OUT", out.c_str());
    status = static_cast<int>(_spawnl(_P_WAIT, program.c_str(), program.c_str(),
                                      "--gtest_filter=PartFileSinkWindowsTest.KilledRun", nullptr));
    ASSERT_TRUE(status == 0 || status == 9) << status;
    { PartFileSink next(out, 1); }  // finishes what the killed run left, writes nothing
    const Files after = Listing(scratch.path());
    EXPECT_TRUE(after == kOld || after == kNew) << ::testing::PrintToString(after);
  }
  _putenv_s("QUORLIX_KILL_AT", "");
  EXPECT_GT(step, 10);  // the switch's steps were all met
}

}  // namespace
}  // namespace quorlix::cli
