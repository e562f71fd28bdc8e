// The part files of quorlix-cli --post-limit -o, written in this process
// so that a rename can fail, or a folder appear, at a chosen moment.
#include "cli/part_sink.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
// link); the record of the parts only as "<record>".
std::map<std::string, std::string> Listing(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename();
    if (EndsWith(name, ".quorlix-parts") && entry.is_regular_file()) {
      files[name] = "<record>";
      continue;
    }
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

using Files = std::map<std::string, std::string>;

// The parts of `lines` at `path`, one line each, as a run writes them.
void WriteSet(const std::string& path, const std::vector<std::string>& lines) {
  PartFileSink sink(path, 1);
  for (const std::string& line : lines) sink.AppendLine(line);
  sink.Commit();
}

const Files kRecordedOldSet = {{"out-1.txt", "old 1\r\n"},
                               {"out-2.txt", "old 2\r\n"},
                               {"out-3.txt", "old 3\r\n"},
                               {"out-4.txt", "old 4\r\n"},
                               {".out.txt.quorlix-parts", "<record>"}};
const Files kNewSet = {{"out-1.txt", "a\r\n"},
                       {"out-2.txt", "b\r\n"},
                       {"out-3.txt", "c\r\n"},
                       {".out.txt.quorlix-parts", "<record>"}};

TEST(PartFileSinkTest, AllPartsOrNoneAndOnlyStalePartsRemoved) {
  const Files kOldSet = {{"out-1.txt", "old 1"},
                         {"out-2.txt", "old 2"},
                         {"out-3.txt", "old 3"},
                         {"out-4.txt", "old 4"}};
  struct Case {
    std::string name;
    std::string output;  // -o
    Files before;        // as named; kRecordedOldSet: written by an earlier run
    std::function<int(const std::string&)> before_rename;
    bool fails;
    Files after;
  } cases[] = {
      {"a new set", "out.txt", {}, nullptr, false, kNewSet},
      {"a name with a leading dot",
       ".out",
       {},
       nullptr,
       false,
       {{".out-1", "a\r\n"},
        {".out-2", "b\r\n"},
        {".out-3", "c\r\n"},
        {"..out.quorlix-parts", "<record>"}}},
      {"an older, longer set: its parts beyond the third go", "out.txt", kRecordedOldSet, nullptr,
       false, kNewSet},
      {"an older set of no record stays: the files may be the user's",
       "out.txt",
       kOldSet,
       nullptr,
       false,
       {{"out-1.txt", "a\r\n"},
        {"out-2.txt", "b\r\n"},
        {"out-3.txt", "c\r\n"},
        {"out-4.txt", "old 4"},
        {".out.txt.quorlix-parts", "<record>"}}},
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
    if (c.before == kRecordedOldSet) {
      WriteSet(scratch.Path("out.txt"), {"old 1", "old 2", "old 3", "old 4"});
    } else {
      for (const auto& [name, content] : c.before)
        test::WriteFileBytes(scratch.Path(name), content);
    }
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
    // The journal's folder before the renames, the parts' folder after.
    EXPECT_EQ(g_directory_syncs, c.fails ? 1 : 2);
  }
}

// A record that cannot be trusted removes nothing: the fourth part of the
// earlier set stays.
TEST(PartFileSinkTest, ABadRecordRemovesNothing) {
  const std::function<void(const std::string& record)> spoil[] = {
      [](const std::string& record) { fs::resize_file(record, fs::file_size(record) - 2); },
      [](const std::string& record) {
        fs::rename(record, record + ".real");
        fs::create_symlink(record + ".real", record);
      },
      [](const std::string& record) {  // part 4's size changed by hand
        std::string text = test::ReadFileBytes(record);
        text[text.find("\n4 ") + 3] = '9';
        test::WriteFileBytes(record, text);
      },
      [](const std::string& record) {
        test::WriteFileBytes(record, "quorlix part files 1\nend\n");
      },
  };
  for (const auto& change : spoil) {
    test::ScratchDir scratch;
    WriteSet(scratch.Path("out.txt"), {"old 1", "old 2", "old 3", "old 4"});
    change(scratch.Path(".out.txt.quorlix-parts"));
    WriteSet(scratch.Path("out.txt"), {"a", "b", "c"});
    EXPECT_EQ(test::ReadFileBytes(scratch.Path("out-4.txt")), "old 4\r\n");
    EXPECT_EQ(test::ReadFileBytes(scratch.Path("out-3.txt")), "c\r\n");
  }
}

// Counts the seam's calls once `g_counting` is set and ends the process at
// call `g_kill_at`, as a SIGKILL at that step would.
bool g_counting = false;
int g_calls = 0, g_kill_at = 0;
void CountCall() {
  if (g_counting && ++g_calls == g_kill_at) ::raise(SIGKILL);
}

void InstallKillingCalls() {
  AtomicWriteCalls& calls = CurrentAtomicWriteCalls();
  calls = AtomicWriteCalls::Defaults();
  calls.open = [](const char* path, int flags, mode_t mode) {
    return CountCall(), ::open(path, flags, mode);
  };
  calls.write = [](int fd, const void* data, size_t size) {
    return CountCall(), ::write(fd, data, size);
  };
  calls.fsync = [](int fd) { return CountCall(), ::fsync(fd); };
  calls.close = [](int fd) { return CountCall(), ::close(fd); };
  calls.rename = [](const char* from, const char* to) { return CountCall(), ::rename(from, to); };
  calls.unlink = [](const char* path) { return CountCall(), ::unlink(path); };
  calls.link = [](const char* from, const char* to) { return CountCall(), ::link(from, to); };
  calls.syncfs = [](int fd) { return CountCall(), ::syncfs(fd); };
}

// Killed at each step of putting a set in place: after the next run to the
// same name has started, the folder holds the old set or the new one,
// whole, the earlier set's fourth part gone with it or not at all.
TEST(PartFileSinkTest, ARunKilledAtAnyStepOfTheSwitchIsFinishedByTheNext) {
  int step = 1;
  for (bool killed = true; killed; ++step) {
    SCOPED_TRACE(step);
    test::ScratchDir scratch;
    const std::string out = scratch.Path("out.txt");
    WriteSet(out, {"old 1", "old 2", "old 3", "old 4"});
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      InstallKillingCalls();
      g_kill_at = step;
      PartFileSink sink(out, 1);
      for (const char* line : {"a", "b", "c"}) sink.AppendLine(line);
      g_counting = true;
      sink.Commit();
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    killed = WIFSIGNALED(status);
    { PartFileSink next(out, 1); }  // finishes what the killed run left, writes nothing
    const Files after = Listing(scratch.path());
    EXPECT_TRUE(after == kRecordedOldSet || after == kNewSet) << ::testing::PrintToString(after);
  }
  EXPECT_GT(step, 10);  // the switch's steps were all met
}

}  // namespace
}  // namespace quorlix::cli
