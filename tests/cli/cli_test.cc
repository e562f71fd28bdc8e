// Runs the quorlix-cli program and checks what it writes and returns.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/converter.h"
#include "version_info.h"
#include "tests/support/scratch_dir.h"

extern char** environ;

namespace quorlix {
namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out, err;
};

class CliTest : public ::testing::Test {
 protected:

  // Runs quorlix-cli with `args`, standard output and error caught in files.
  Result Run(std::vector<std::string> args) {
    args.insert(args.begin(), QUORLIX_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid;
    Result result;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
      int wait_status = 0;
      ::waitpid(pid, &wait_status, 0);
      if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = test::ReadFileBytes(out);
    result.err = test::ReadFileBytes(err);
    fs::remove(out);
    fs::remove(err);
    return result;
  }

  // The sample log with default settings and the given options.
  Result RunSample(std::vector<std::string> options) {
    options.insert(options.begin(), {"--config", config_});
    options.push_back(QUORLIX_SAMPLE_LOG);
    return Run(options);
  }

  std::vector<std::string> FilesInDir() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::ScratchDir scratch_;
  const fs::path dir_ = scratch_.path();
  // A config that does not exist reads as the defaults.
  const std::string config_ = scratch_.Path("none.cfg");
};

const std::string kUbbFooter =
    "\r\nCreated using [url=\"" + std::string(kHomePageUrl) + "\"]The Quorlix[/url]\r\n";

TEST_F(CliTest, VersionAndHelp) {
  Result version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "quorlix-cli " QUORLIX_VERSION_TEXT "\n");

  Result help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--output", "--format", "--channel-name", "--channel-colors",
                             "--time", "--mark-links", "--strip-tags", "--person",
                             "--channel", "--period", "--config", "--list", "--post-limit",
                             "form feed", "out-k.txt", "LOGFILE"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
}

TEST_F(CliTest, ConvertsTheWholeLogWithCrLf) {
  Result result = RunSample({});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  // 34 raw lines: a text line, an empty line and 3 bot lines are dropped.
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 29 + 2);
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\r'), 29 + 2);
  EXPECT_EQ(result.out.find("Polbot"), std::string::npos);
  EXPECT_NE(result.out.find("\r\nBob: Hi [color=#ff0000]red[/color] and here [b]ok[/b]\r\n"),
            std::string::npos);
  EXPECT_TRUE(result.out.starts_with(
      "Tilvara: Anyone up for the last raid of the year?\r\n"
      "Bob: Sure, give me five minutes [afk]\r\n"));
  EXPECT_TRUE(result.out.ends_with(kUbbFooter));
}

TEST_F(CliTest, FiltersAndOptions) {
  const fs::path config = dir_ / "quorlix.cfg";
  test::WriteFileBytes(config, "[config]\ntime_config=D.M.Y h:m\n[colordef]\nClan=ff8000\n");
  Result result = Run({"--config", config.string(), "-f", "html", "--channel-name",
                       "--channel-colors", "--time", "-p", "BOB", "-c", "clan", "-t",
                       "2005-01", "-t", "2005-3-1", QUORLIX_SAMPLE_LOG});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string clan = "<font color=\"#ff8000\"><b>[Clan]</b></font> ";
  const std::string footer = "<br>\r\nCreated using <a href=\"" + std::string(kHomePageUrl) +
                             "\">The Quorlix</a><br>\r\n";
  // Ranges in the order day, then month; 'bob' is Bob to the filter.
  EXPECT_EQ(result.out, clan + "1.3.2005 10:0 Bob: Morning <yawn><br>\r\n" + footer + clan +
                            "2.1.2005 3:4 Bob: Hi <font color=#ff0000>red</font> and here "
                            "<b>ok</b><br>\r\n" +
                            footer);
}

TEST_F(CliTest, ListsPersonsChannelsAndTimeTree) {
  Result result = RunSample({"--list"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "Persons:\r\n  Anselm Roke\r\n  Bob\r\n  Gorund\r\n  Kestrin\r\n  Mirelle\r\n"
            "  Tilvara\r\n"
            "Channels:\r\n  Clan\r\n  OOC\r\n  Org\r\n  Trade\r\n  Vicinity\r\n"
            "Time:\r\n  Rubi-Ka Standart Time\r\n"
            "    2004\r\n      December\r\n        31\r\n"
            "    2005\r\n      January\r\n        1\r\n        2\r\n"
            "      February\r\n        28\r\n      March\r\n        1\r\n        5\r\n");
}

TEST_F(CliTest, FailuresWriteNothing) {
  const fs::path bad_stamp = dir_ / "bad.log";
  test::WriteFileBytes(bad_stamp, "[\"1\",\"OOC\",\"Ann\",1109628000]ok\r\n[\"1\",\"OOC\",\"Ann\",12x]no\r\n");
  const std::string missing = (dir_ / "missing.log").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;  // part of standard error
  } cases[] = {
      {{missing}, 1, missing},
      {{bad_stamp.string()}, 1, "'12x' ist kein gültiger Integerwert"},
      {{"-p", "Nobody", QUORLIX_SAMPLE_LOG}, 2, "Nobody"},
      {{"-c", "Shout", QUORLIX_SAMPLE_LOG}, 2, "Shout"},
      {{"-t", "2003", QUORLIX_SAMPLE_LOG}, 2, "2003"},
      {{"-t", "2005-02-29", QUORLIX_SAMPLE_LOG}, 2, "2005-02-29"},
      {{"-t", "2005-04", QUORLIX_SAMPLE_LOG}, 2, "2005-04"},
      {{"-f", "bbcode", QUORLIX_SAMPLE_LOG}, 2, "bbcode"},
      {{"-f", "1", QUORLIX_SAMPLE_LOG}, 2, "1 not in"},
      {{"--colour", QUORLIX_SAMPLE_LOG}, 2, "--colour"},
      {{}, 2, "LOGFILE"},
      {{"--post-limit", "-1", QUORLIX_SAMPLE_LOG}, 2, "--post-limit"},
      {{"--post-limit", "ten", QUORLIX_SAMPLE_LOG}, 2, "'ten' is no whole number from 0 up"},
      {{"--post-limit", "1.5", QUORLIX_SAMPLE_LOG}, 2, "'1.5' is no whole number"},
      {{"--post-limit", "", QUORLIX_SAMPLE_LOG}, 2, "is no whole number"},
      {{"--post-limit", "100", missing}, 1, missing},
  };
  const fs::path target = dir_ / "out.txt";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    test::WriteFileBytes(target, "old\r\n");
    std::vector<std::string> args = {"--config", config_, "-o", target.string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Result result = Run(args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(test::ReadFileBytes(target), "old\r\n");
  }
  // No temporary file is left beside the target.
  EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"bad.log", "out.txt"}));
}

TEST_F(CliTest, OutputFileHoldsWhatStandardOutputGets) {
  const fs::path target = dir_ / "out.txt";
  test::WriteFileBytes(target, "old\r\n");
  Result to_file = RunSample({"--mark-links", "--strip-tags", "-o", target.string()});
  ASSERT_EQ(to_file.status, 0) << to_file.err;
  EXPECT_EQ(to_file.out, "");
  Result to_stdout = RunSample({"--mark-links", "--strip-tags"});
  EXPECT_EQ(test::ReadFileBytes(target), to_stdout.out);
  EXPECT_NE(to_stdout.out.find("Bob:  - [i]link removed[/i] - Hi red and here [b]ok[/b]\r\n"),
            std::string::npos);
  EXPECT_EQ(FilesInDir(), std::vector<std::string>{"out.txt"});
}

// Standard output cut at the separator lines.
std::vector<std::string> SplitParts(const std::string& out) {
  std::vector<std::string> parts(1);
  std::size_t start = 0;
  for (std::size_t end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = out.substr(start, end + 2 - start);
    if (line == "\f\r\n") {
      parts.emplace_back();
    } else {
      parts.back() += line;
    }
  }
  return parts;
}

// Each part fits the limit unless it is one line that alone exceeds it.
void ExpectWithinLimit(const std::vector<std::string>& parts, std::uint64_t limit) {
  for (const std::string& part : parts) {
    if (limit == 0 || part.size() <= limit) continue;
    EXPECT_EQ(part.find("\r\n"), part.size() - 2) << limit << ": " << part.substr(0, 40);
  }
}

TEST_F(CliTest, PostLimitPartsJoinToTheWholeOutput) {
  // A generated log: messages from 1 to 2,999 bytes, some longer than a post.
  const fs::path generated = dir_ / "generated.log";
  std::string log;
  for (int i = 0; i < 200; ++i) {
    log += "[\"1\",\"OOC\",\"Ann\"," + std::to_string(1109628000 + i) + "]" +
           std::string(1 + (i * 7919) % 2999, static_cast<char>('a' + i % 26)) + "\r\n";
  }
  test::WriteFileBytes(generated.string(), log);
  for (const std::string& source : {std::string(QUORLIX_SAMPLE_LOG), generated.string()}) {
    const Result whole = Run({"--config", config_, source});
    ASSERT_EQ(whole.status, 0) << whole.err;
    // `bytes` 0: no limit to check the parts against.
    const struct { const char* limit; std::uint64_t bytes; std::size_t min_parts, max_parts; }
    cases[] = {
        {"0", 0, 1, 1}, {"1", 1, 30, 9999}, {"200", 200, 2, 9999}, {"2000", 2000, 1, 9999},
        {"9223372036854775808", 0, 1, 1}, {"99999999999999999999999", 0, 1, 1},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(source + " --post-limit " + c.limit);
      const Result cut = Run({"--config", config_, "--post-limit", c.limit, source});
      ASSERT_EQ(cut.status, 0) << cut.err;
      const std::vector<std::string> parts = SplitParts(cut.out);
      EXPECT_GE(parts.size(), c.min_parts);
      EXPECT_LE(parts.size(), c.max_parts);
      std::string joined;
      for (const std::string& part : parts) joined += part;
      EXPECT_EQ(joined, whole.out);
      ExpectWithinLimit(parts, c.bytes);
    }
  }
}

TEST_F(CliTest, PostLimitWritesOneFilePerPart) {
  const Result cut = RunSample({"--post-limit", "500"});
  const std::vector<std::string> parts = SplitParts(cut.out);
  ASSERT_GE(parts.size(), 3u);
  test::WriteFileBytes((dir_ / "out-99.txt").string(), "earlier run\r\n");
  struct Case {
    std::string name;                                   // -o
    std::function<std::string(std::size_t)> part_name;  // of part k
  } cases[] = {
      {"out.txt", [](std::size_t k) { return "out-" + std::to_string(k) + ".txt"; }},
      {"post", [](std::size_t k) { return "post-" + std::to_string(k); }},
      {"a.b.log", [](std::size_t k) { return "a.b-" + std::to_string(k) + ".log"; }},
  };
  std::vector<std::string> expected_files = {"out-99.txt"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result result = RunSample({"--post-limit", "500", "-o", (dir_ / c.name).string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    for (std::size_t k = 1; k <= parts.size(); ++k) {
      EXPECT_EQ(test::ReadFileBytes((dir_ / c.part_name(k)).string()), parts[k - 1]) << k;
      expected_files.push_back(c.part_name(k));
    }
  }
  std::sort(expected_files.begin(), expected_files.end());
  EXPECT_EQ(FilesInDir(), expected_files);  // no out.txt, nothing temporary

  // A part that cannot be written: no part file of this run is left, and
  // the earlier run's files stay as they were.
  fs::remove_all(dir_);
  fs::create_directories(dir_ / "out-2.txt");
  test::WriteFileBytes((dir_ / "out-3.txt").string(), "earlier run\r\n");
  const Result failed = RunSample({"--post-limit", "500", "-o", (dir_ / "out.txt").string()});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("out-2.txt"), std::string::npos) << failed.err;
  EXPECT_EQ(test::ReadFileBytes((dir_ / "out-3.txt").string()), "earlier run\r\n");
  EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"out-2.txt", "out-3.txt"}));
}

}  // namespace
}  // namespace quorlix
