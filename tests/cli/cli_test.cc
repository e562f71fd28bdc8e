// Runs the quorlix-cli program and checks what it writes and returns.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
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
                             "--channel", "--period", "--config", "--list", "LOGFILE"}) {
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

// A log of `lines` lines in the game's format: channels, persons in
// changing letter case, bot and system lines, markup of every kind, lines
// without a header, CR LF and LF breaks, time that mostly rises.
std::string GeneratedLog(unsigned seed, int lines) {
  std::mt19937 random(seed);
  const char* channels[] = {"OOC", "Clan", "clan", "Org", "Trade", "Vicinity"};
  const char* persons[] = {"Bob", "bob", "Ann", "Polbot", "", "Kestrin", "Al\"x"};
  const char* words[] = {"hi",   "<font color=#ff0000>", "</font>", "<a href='p.htm'>", "</a>",
                         "<br>", "[b]",                  "'#",      "'>",               "x y",
                         "<",    ">",                    "]",       "<FONT color=red>"};
  std::string log;
  int64_t t = 1104537000;
  for (int i = 0; i < lines; ++i) {
    t += random() % 400 - (random() % 50 == 0 ? 3000 : 0);
    if (random() % 40 == 0) {
      log += "no header here, just text";
    } else {
      log += "[\"" + std::to_string(random() % 9) + "\",\"" + channels[random() % 6] + "\",\"" +
             persons[random() % 7] + "\"," + std::to_string(t) + "]";
      for (unsigned w = random() % 8; w > 0; --w) log += words[random() % 14];
    }
    log += random() % 2 ? "\r\n" : "\n";
  }
  return log;
}

// The same bytes (and the same failure) from one thread and from four, on
// logs long enough for many chunks of lines.
TEST_F(CliTest, ThreadCountsGiveTheSameOutput) {
  const fs::path log = dir_ / "generated.log";
  test::WriteFileBytes(log, GeneratedLog(7, 70000));
  const fs::path config = dir_ / "quorlix.cfg";
  test::WriteFileBytes(config,
                       "[config]\ntime_config=D.M.Y h:m:s\n[colordef]\nClan=ff8000\nOOC=00ff00\n");
  const std::vector<std::string> option_sets[] = {
      {},
      {"-f", "html", "--channel-name", "--channel-colors", "--time", "--mark-links"},
      {"--channel-name", "--channel-colors", "--time", "--mark-links", "--strip-tags"},
      {"-f", "html", "--strip-tags", "-p", "BOB", "-c", "clan"},
      {"--time", "-t", "2005-01-03", "-t", "2005-01", "-t", "2005-01-05"},
      {"--list"},
  };
  for (const auto& options : option_sets) {
    Result results[2];
    for (int k = 0; k < 2; ++k) {
      std::vector<std::string> args = {"--config", config.string(), "--threads", k ? "4" : "1"};
      args.insert(args.end(), options.begin(), options.end());
      args.push_back(log.string());
      results[k] = Run(args);
    }
    SCOPED_TRACE(testing::PrintToString(options));
    ASSERT_EQ(results[0].status, 0) << results[0].err;
    EXPECT_GT(results[0].out.size(), 1000u);
    EXPECT_EQ(results[1].status, 0);
    EXPECT_TRUE(results[0].out == results[1].out);  // not printed: megabytes
  }

  // Two bad time stamps far apart: the first one in the file is reported.
  std::string bad = GeneratedLog(8, 70000);
  auto spoil_time_stamp_after = [&bad](std::size_t from, const char* word) {
    std::size_t at = bad.find("\n[\"", from);
    for (int comma = 0; comma < 3; ++comma) at = bad.find(',', at + 1);
    bad.replace(at + 1, 4, word);
  };
  spoil_time_stamp_after(2 * bad.size() / 3, "zwei");
  spoil_time_stamp_after(bad.size() / 3, "eins");
  test::WriteFileBytes(log, bad);
  const fs::path target = dir_ / "out.txt";
  for (const char* threads : {"1", "4"}) {
    Result result = Run({"--config", config.string(), "--threads", threads, "--time", "-o",
                         target.string(), log.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("'eins"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(target));
  }
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
