// Runs the quorlix-cli program and checks what it writes and returns.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
                             "--channel", "--period", "--from", "--to", "--config", "--list",
                             "LOGFILE"}) {
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

// --from/--to give what converting a log of only the lines in the span
// gives: file order (the sample's time goes back once), one footer.
TEST_F(CliTest, FromToAgreesWithALogCutToTheSpan) {
  const struct {
    std::vector<std::string> args;
    int64_t from, to;  // the span the test cuts by
  } cases[] = {
      {{"--from", "2005-01-01T12:00", "--to", "2005-01-02"}, 1104580800, 1104624000},
      {{"--from", "2005-02-28T23:59:59"}, 1109635199, INT64_MAX},
      {{"--to", "2005-01-01"}, INT64_MIN, 1104537600},
      {{"--from", "2005-03-01", "-p", "bob", "--time", "-f", "html"}, 1109635200, INT64_MAX},
      {{"--from", "2006-01-01"}, 1136073600, INT64_MAX},  // no line: just the footer
  };
  std::ifstream sample(QUORLIX_SAMPLE_LOG, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(sample, line);) lines.push_back(line);
  const fs::path cut_log = dir_ / "cut.log";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front() + " " + c.args[1]);
    std::string cut;
    for (const std::string& line : lines) {
      const std::size_t end = line.find(']'), comma = line.rfind(',', end);
      if (end == std::string::npos || comma == std::string::npos) continue;
      const int64_t t = std::stoll(line.substr(comma + 1, end - comma - 1));
      if (c.from <= t && t < c.to) cut += line + "\n";
    }
    test::WriteFileBytes(cut_log.string(), cut);
    std::vector<std::string> plain;
    for (std::size_t i = 0; i < c.args.size(); ++i) {
      if (c.args[i] == "--from" || c.args[i] == "--to") ++i;
      else plain.push_back(c.args[i]);
    }
    plain.insert(plain.begin(), {"--config", config_});
    plain.push_back(cut_log.string());
    const Result expected = Run(plain);
    const Result result = RunSample(c.args);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, expected.out);
    EXPECT_TRUE(result.out.ends_with(c.args.back() == "html" ? "<br>\r\n" : kUbbFooter));
  }
  EXPECT_EQ(RunSample({"--from", "2006-01-01"}).out, kUbbFooter);
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
      {{"--from", "2005-02-29", QUORLIX_SAMPLE_LOG}, 2, "'2005-02-29' is no UTC time"},
      {{"--to", "2005-01-01T10", QUORLIX_SAMPLE_LOG}, 2, "'2005-01-01T10' is no UTC time"},
      {{"--from", "2005-03-01", "--to", "2005-03-01", QUORLIX_SAMPLE_LOG}, 2, "not earlier"},
      {{"--from", "2005-03-01", "-t", "2005", QUORLIX_SAMPLE_LOG}, 2, "excludes"},
      {{"-t", "2005", "--to", "2005-03-01", QUORLIX_SAMPLE_LOG}, 2, "excludes"},
      {{"-f", "bbcode", QUORLIX_SAMPLE_LOG}, 2, "bbcode"},
      {{"-f", "1", QUORLIX_SAMPLE_LOG}, 2, "1 not in"},
      {{"--colour", QUORLIX_SAMPLE_LOG}, 2, "--colour"},
      {{}, 2, "LOGFILE"},
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

}  // namespace
}  // namespace quorlix
