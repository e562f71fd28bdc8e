// Runs the quorlix-cli program and checks what it writes and returns.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "bench/log_generator.h"
#include "core/convert/converter.h"
#include "tests/support/commonmark_text.h"
#include "tests/support/scratch_dir.h"
#include "version_info.h"

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
  void SetUp() override { test::WriteFileBytes(config_, ""); }

  // Starts `args[0]` (quorlix-cli when it is no absolute path) with
  // `args`, standard input from `input`, output and error into files,
  // under this environment without its language settings plus `language`
  // (German by default: the messages checked are German).
  pid_t Start(std::vector<std::string> args, const std::string& input = "/dev/null",
              std::vector<std::string> language = {"LANG=de_DE.UTF-8"}) {
    if (args.empty() || args[0].front() != '/') args.insert(args.begin(), QUORLIX_CLI_PATH);
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string_view entry(*e);
      if (entry.rfind("LANG", 0) != 0 && entry.rfind("LC_", 0) != 0) language.push_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& entry : language) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (dir_ / "stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (dir_ / "stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  // Waits for `pid`; the exit status, or 128 + the signal that ended it.
  Result Finish(pid_t pid) {
    Result result;
    int wait_status = 0;
    if (pid > 0 && ::waitpid(pid, &wait_status, 0) == pid) {
      if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
      if (WIFSIGNALED(wait_status)) result.status = 128 + WTERMSIG(wait_status);
    }
    result.out = test::ReadFileBytes(dir_ / "stdout");
    result.err = test::ReadFileBytes(dir_ / "stderr");
    fs::remove(dir_ / "stdout");
    fs::remove(dir_ / "stderr");
    return result;
  }
  Result Run(std::vector<std::string> args, const std::string& input = "/dev/null",
             std::vector<std::string> language = {"LANG=de_DE.UTF-8"}) {
    return Finish(Start(std::move(args), input, std::move(language)));
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
  // An empty config reads as the defaults (a missing one draws a warning).
  const std::string config_ = scratch_.Path("empty.cfg");
};

const std::string kUbbFooter =
    "\r\nCreated using [url=\"" + std::string(kHomePageUrl) + "\"]The Quorlix[/url]\r\n";

TEST_F(CliTest, VersionAndHelp) {
  Result version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "quorlix-cli " QUORLIX_VERSION_TEXT "\n");

  Result help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--output",         "--format",   "--channel-name",
                             "--channel-colors", "--time",     "--mark-links",
                             "--strip-tags",     "--person",   "--channel",
                             "--period",         "--from",     "--to",
                             "--config",         "--list",     "--post-limit",
                             "form feed",        "out-k.txt",  "[config] post_limit",
                             "LOG...",           "zusammengef"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  for (const char* option : {"--scenes", "--scene K", "--scene-gap MINUTEN"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  // Into a full disk: the text is lost, and the status says so.
  for (const char* flag : {"--help", "--version"}) {
    const Result full =
        Run({"/bin/sh", "-c", "exec \"$0\" \"$1\" >/dev/full", QUORLIX_CLI_PATH, flag});
    EXPECT_EQ(full.status, 1) << flag;
    EXPECT_NE(full.err.find("Standardausgabe"), std::string::npos) << full.err;
  }
  // Translated as far as CLI11 lets it be (German here); names stay.
  EXPECT_NE(help.out.find("Aufruf: quorlix-cli [OPTIONEN] LOG"), std::string::npos) << help.out;
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
  EXPECT_TRUE(
      result.out.starts_with("Tilvara: Anyone up for the last raid of the year?\r\n"
                             "Bob: Sure, give me five minutes [afk]\r\n"));
  EXPECT_TRUE(result.out.ends_with(kUbbFooter));
}

TEST_F(CliTest, FiltersAndOptions) {
  const fs::path config = dir_ / "quorlix.cfg";
  test::WriteFileBytes(config, "[config]\ntime_config=D.M.Y h:m\n[colordef]\nClan=ff8000\n");
  Result result = Run({"--config", config.string(), "-f", "HTML", "--channel-name",
                       "--channel-colors", "--time", "-p", "BOB", "-c", "clan", "-t", "2005-01",
                       "-t", "2005-3-1", QUORLIX_SAMPLE_LOG});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string clan = "<font color=\"#ff8000\"><b>[Clan]</b></font> ";
  const std::string footer =
      "<br>\r\nCreated using <a href=\"" + std::string(kHomePageUrl) + "\">The Quorlix</a><br>\r\n";
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
      if (c.args[i] == "--from" || c.args[i] == "--to")
        ++i;
      else
        plain.push_back(c.args[i]);
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

TEST_F(CliTest, ListsScenes) {
  const struct {
    std::vector<std::string> args;
    std::string out, err;
  } cases[] = {
      {{"--scenes", "-p", "bob", "-c", "clan"},
       "1\t2004-12-31T20:16:40\t2004-12-31T20:16:40\t1\tBob (1)\r\n"
       "2\t2005-01-02T03:04:05\t2005-01-02T03:04:05\t1\tBob (1)\r\n"
       "3\t2005-02-28T23:45:00\t2005-02-28T23:45:00\t1\tBob (1)\r\n"
       "4\t2005-03-01T10:00:00\t2005-03-01T10:00:00\t1\tBob (1)\r\n",
       ""},
      {{"--scenes", "--scene-gap", "100", "-t", "2005-03-01"}, "", "excludes"},
      {{"--scenes", "--scene-gap", "600", "--from", "2005"}, "", "excludes"},
      {{"--scenes", "-p", "gorund", "-c", "OOC"}, "", "keine Szenen in"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const Result result = RunSample(c.args);
    EXPECT_EQ(result.status, c.err == "excludes" ? 2 : 0);
    EXPECT_EQ(result.out, c.out);
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
  }
  const Result all = RunSample({"--scenes", "--scene-gap", "90"});
  EXPECT_NE(all.out.find("\r\n10\t2005-03-01T10:00:00\t2005-03-01T10:07:45\t3\t"
                         "Bob (1), Gorund (1)\r\n11\t2005-03-05T16:20:00"),
            std::string::npos)
      << all.out;
}

// "YYYY-MM-DDTHH:MM:SS" of `t` in UTC, as --scenes writes and --from reads it.
std::string UtcText(int64_t t) {
  const time_t seconds = static_cast<time_t>(t);
  tm fields{};
  gmtime_r(&seconds, &fields);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &fields);
  return text;
}

// On logs with random gaps (the gap itself among them) and filters:
// --scenes lists the scenes the definition gives, and --scene K converts
// what --from/--to convert over the span of the scene's lines.
TEST_F(CliTest, ScenesFollowTheirDefinitionAndConvertAsTheirSpan) {
  std::mt19937 random(24);
  const char* channels[] = {"OOC", "Clan"};
  const char* persons[] = {"Ann", "Bob", ""};
  const int64_t steps[] = {0, 1, 300, 600, 601, 5000};  // gap of 10 minutes
  const std::vector<std::string> filters[] = {{}, {"-p", "ann"}, {"-c", "Clan", "-p", "Bob"}};
  const fs::path log = dir_ / "scenes.log";
  for (const std::vector<std::string>& filter : filters) {
    SCOPED_TRACE(filter.empty() ? "no filter" : filter.back());
    std::string text, expected;
    int64_t t = 1104537600, previous = 0;
    int scenes = 0, lines = 0;
    auto close = [&] {
      if (lines > 0) expected += "\t" + UtcText(previous) + "\t" + std::to_string(lines);
    };
    for (int i = 0; i < 80; ++i) {
      t += steps[random() % 6];
      const char* channel = channels[random() % 2];
      const char* person = persons[random() % 3];
      text += std::string("[\"1\",\"") + channel + "\",\"" + person + "\"," + std::to_string(t) +
              "]line " + std::to_string(i) + "\n";
      const bool passes =
          filter.empty() ||
          (filter.back() == "ann" ? person == std::string("Ann")
                                  : person == std::string("Bob") && channel == std::string("Clan"));
      if (!passes) continue;
      if (lines == 0 || t - previous > 600) {
        close();
        if (lines > 0) expected += "\n";
        expected += std::to_string(++scenes) + "\t" + UtcText(t);
        lines = 0;
      }
      previous = t;
      ++lines;
    }
    close();
    test::WriteFileBytes(log, text);
    std::vector<std::string> args = {"--config", config_, "--scene-gap", "10"};
    args.insert(args.end(), filter.begin(), filter.end());
    std::vector<std::string> list = args;
    list.insert(list.end(), {"--scenes", log.string()});
    const Result listed = Run(list);
    ASSERT_EQ(listed.status, 0) << listed.err;
    // The rows without their persons.
    std::string rows;
    std::istringstream in(listed.out);
    for (std::string row; std::getline(in, row);) {
      if (!rows.empty()) rows += "\n";
      rows += row.substr(0, row.rfind('\t'));
    }
    ASSERT_EQ(rows, expected);
    ASSERT_GT(scenes, 3);

    in = std::istringstream(listed.out);
    for (std::string row; std::getline(in, row);) {
      std::istringstream fields(row);
      std::string k, first, last;
      std::getline(fields, k, '\t');
      std::getline(fields, first, '\t');
      std::getline(fields, last, '\t');
      tm parsed{};
      strptime(last.c_str(), "%Y-%m-%dT%H:%M:%S", &parsed);
      std::vector<std::string> scene = args, span = args;
      scene.insert(scene.end(), {"--scene", k, log.string()});
      span.insert(span.end(),
                  {"--from", first, "--to", UtcText(timegm(&parsed) + 1), log.string()});
      const Result by_scene = Run(scene);
      ASSERT_EQ(by_scene.status, 0) << by_scene.err;
      EXPECT_EQ(by_scene.out, Run(span).out) << k;
      EXPECT_TRUE(by_scene.out.ends_with(kUbbFooter));
    }
  }
}

TEST_F(CliTest, FailuresWriteNothing) {
  const fs::path bad_stamp = dir_ / "bad.log";
  test::WriteFileBytes(bad_stamp,
                       "[\"1\",\"OOC\",\"Ann\",1109628000]ok\r\n[\"1\",\"OOC\",\"Ann\",12x]no\r\n");
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
      {{"-t", "1900-02-29", QUORLIX_SAMPLE_LOG}, 2, "'1900-02-29' ist kein Zeitraum"},
      {{"-t", "2005-03-00", QUORLIX_SAMPLE_LOG}, 2, "'2005-03-00' ist kein Zeitraum"},
      {{"-t", "2000-02-29", QUORLIX_SAMPLE_LOG}, 2, "kein Zeitraum '2000-02-29' in"},
      {{"-p", "Nobody", "-c", "Shout", QUORLIX_SAMPLE_LOG},
       2,
       std::string("keine Person 'Nobody' in ") + QUORLIX_SAMPLE_LOG +
           "\nquorlix-cli: kein Kanal 'Shout' in"},
      {{"-t", "2005-04", QUORLIX_SAMPLE_LOG}, 2, "2005-04"},
      {{"--from", "2005-02-29", QUORLIX_SAMPLE_LOG}, 2, "'2005-02-29' ist keine UTC-Zeit"},
      {{"--to", "2005-01-01T10", QUORLIX_SAMPLE_LOG}, 2, "'2005-01-01T10' ist keine UTC-Zeit"},
      {{"--from", "2005-03-01", "--to", "2005-03-01", QUORLIX_SAMPLE_LOG},
       2,
       "liegt nicht vor dem Ende"},
      {{"--from", "2005-03-01", "-t", "2005", QUORLIX_SAMPLE_LOG}, 2, "excludes"},
      {{"-t", "2005", "--to", "2005-03-01", QUORLIX_SAMPLE_LOG}, 2, "excludes"},
      {{"-f", "bbcode", QUORLIX_SAMPLE_LOG}, 2, "bbcode"},
      {{"-f", "1", QUORLIX_SAMPLE_LOG}, 2, "1 not in"},
      {{"--colour", QUORLIX_SAMPLE_LOG}, 2, "--colour"},
      {{}, 2, "LOG"},
      {{"--post-limit", "-1", QUORLIX_SAMPLE_LOG}, 2, "--post-limit"},
      {{"--post-limit", "ten", QUORLIX_SAMPLE_LOG}, 2, "'ten' ist keine ganze Zahl ab 0"},
      {{"--post-limit", "1.5", QUORLIX_SAMPLE_LOG}, 2, "'1.5' ist keine ganze Zahl"},
      {{"--post-limit", "", QUORLIX_SAMPLE_LOG}, 2, "ist keine ganze Zahl"},
      {{"--post-limit", "100", missing}, 1, missing},
      {{"--post-limit", "18446744073709551616", QUORLIX_SAMPLE_LOG}, 2, "18446744073709551616"},
      {{"--threads", "0x10", QUORLIX_SAMPLE_LOG}, 2, "'0x10' ist keine ganze Zahl"},
      {{"--threads", "0", QUORLIX_SAMPLE_LOG}, 2, "--threads"},
      {{"--from", "", QUORLIX_SAMPLE_LOG}, 2, "--from: ein leerer Wert"},
      {{"--to", "", QUORLIX_SAMPLE_LOG}, 2, "--to: ein leerer Wert"},
      // Control bytes of names reach the terminal as "?".
      {{"-p", "\x1b[2JX", QUORLIX_SAMPLE_LOG}, 2, "'?[2JX'"},
      {{missing + "\x1b[2J"}, 1, missing + "?[2J"},
      {{"--scene", "14", QUORLIX_SAMPLE_LOG}, 2, "hat 13 Szenen"},
      {{"--scene", "1", "-p", "gorund", "-c", "OOC", QUORLIX_SAMPLE_LOG}, 2, "hat 0 Szenen"},
      {{"--scene", "0", QUORLIX_SAMPLE_LOG}, 2, "--scene"},
      {{"--scene", "0x3", QUORLIX_SAMPLE_LOG}, 2, "'0x3' ist keine ganze Zahl"},
      {{"--scene", "1", "-t", "2005", QUORLIX_SAMPLE_LOG}, 2, "excludes"},
      {{"--scene", "1", "--from", "2005-01-01", QUORLIX_SAMPLE_LOG}, 2, "excludes"},
      {{"--to", "2005-01-01", "--scene", "1", QUORLIX_SAMPLE_LOG}, 2, "excludes"},
      {{"--scenes", "--scene", "1", QUORLIX_SAMPLE_LOG}, 2, "excludes"},
      {{"--scene-gap", "abc", "--scenes", QUORLIX_SAMPLE_LOG},
       2,
       "'abc' ist keine ganze Zahl ab 0"},
      {{"--scene-gap", "-5", "--scenes", QUORLIX_SAMPLE_LOG}, 2, "--scene-gap"},
      {{"-f", "page", "--post-limit", "1000", QUORLIX_SAMPLE_LOG},
       2,
       "eine Webseite ist eine Datei"},
      {{"-f", "PAGE", "--time", bad_stamp.string()}, 1, "'12x' ist kein gültiger Integerwert"},
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
  EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"bad.log", "empty.cfg", "out.txt"}));
}

// A log of `lines` lines in the game's format: channels, persons in
// changing letter case, bot and system lines, markup of every kind, lines
// without a header, CR LF and LF breaks, time that mostly rises.
std::string GeneratedLog(unsigned seed, int lines) {
  std::mt19937 random(seed);
  const char* channels[] = {"OOC", "Clan", "clan", "Org", "Trade", "Vicinity"};
  const char* persons[] = {"Bob", "bob", "Ann", "Polbot", "", "Kestrin", "Al\"x"};
  const char* words[] = {"hi",      "<font color=#ff0000>",
                         "</font>", "<a href='p.htm'>",
                         "</a>",    "<br>",
                         "[b]",     "'#",
                         "'>",      "x y",
                         "<",       ">",
                         "]",       "<FONT color=red>"};
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

// One log split into the logs of three chat windows by channel sets that
// overlap (a channel shown in two windows is written to both, a repeated
// line in each) converts as the log of those windows' lines does.
TEST_F(CliTest, WindowLogsMergeIntoTheLogTheyWereSplitFrom) {
  std::istringstream generated(GeneratedLog(11, 6000));
  const std::vector<std::string> windows[] = {
      {"OOC", "Clan", "clan"}, {"Clan", "clan", "Org", "Vicinity"}, {"Trade", "OOC"}};
  std::string whole, split[3];
  std::mt19937 random(5);
  int64_t t = 1104537000;
  for (std::string line; std::getline(generated, line);) {
    const std::string end = line.ends_with('\r') ? "\r\n" : "\n";
    if (end.size() == 2) line.pop_back();
    const std::size_t close = line.find(']');
    std::string channel;  // none: a line without a header, in the first window
    if (line.starts_with("[\"") && close != std::string::npos) {
      // Time that always rises, now and then by more than a scene's gap.
      t += 1 + random() % 400 + (random() % 60 == 0 ? 4000 : 0);
      const std::size_t comma = line.rfind(',', close);
      line.replace(comma + 1, close - comma - 1, std::to_string(t));
      channel = line.substr(line.find("\",\"") + 3);
      channel.resize(channel.find('"'));
    }
    for (int copies = random() % 30 == 0 ? 2 : 1; copies > 0; --copies) {
      bool shown = false;
      for (int w = 0; w < 3; ++w) {
        const auto& set = windows[w];
        if ((channel.empty() && w == 0) ||
            std::find(set.begin(), set.end(), channel) != set.end()) {
          split[w] += line + end;
          shown = true;
        }
      }
      if (shown) whole += line + "\n";
    }
  }
  std::vector<std::string> logs;
  for (int w = 0; w < 3; ++w) {
    logs.push_back((dir_ / ("window" + std::to_string(w) + ".log")).string());
    test::WriteFileBytes(logs.back(), split[w]);
  }
  const fs::path one = dir_ / "whole.log";
  test::WriteFileBytes(one, whole);
  const fs::path config = dir_ / "quorlix.cfg";
  test::WriteFileBytes(config, "[config]\ntime_config=D.M.Y h:m:s\n[colordef]\nClan=ff8000\n");
  const std::vector<std::string> option_sets[] = {
      {"--list"},
      {"--scenes"},
      {"--scenes", "-p", "bob"},
      {"--scene", "3", "--time"},
      {"-f", "markdown", "--scene", "2", "-c", "clan"},
  };
  std::vector<std::vector<std::string>> runs(std::begin(option_sets), std::end(option_sets));
  for (const char* format : {"ubb", "html", "markdown"}) {
    for (std::vector<std::string> options : std::vector<std::vector<std::string>>{
             {},
             {"--channel-name", "--channel-colors", "--time", "--mark-links"},
             {"--strip-tags", "-p", "BOB", "-p", "ann", "-c", "clan"},
             {"--time", "-t", "2005-01-03", "-t", "2005-01"},
             {"--from", "2005-01-02T10:00", "--to", "2005-01-04", "--channel-name"},
             {"--post-limit", "700", "--time"}}) {
      options.insert(options.begin(), {"-f", format});
      runs.push_back(options);
    }
  }
  for (const auto& options : runs) {
    SCOPED_TRACE(testing::PrintToString(options));
    std::vector<std::string> args = {"--config", config.string()};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<std::string> merged_args = args;
    merged_args.insert(merged_args.end(), logs.begin(), logs.end());
    args.push_back(one.string());
    const Result merged = Run(merged_args), expected = Run(args);
    ASSERT_EQ(expected.status, 0) << expected.err;
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_GT(expected.out.size(), 60u);
    EXPECT_TRUE(merged.out == expected.out);  // not printed: long
  }
}

// Several logs: a file named twice is read once, standard input at most
// once, no input is ever an output, and one bad log fails the run.
TEST_F(CliTest, SeveralLogsFailAsOneDoes) {
  const std::string good = (dir_ / "good.log").string(), bad = (dir_ / "bad.log").string(),
                    link = (dir_ / "link.log").string(), target = (dir_ / "out.txt").string();
  test::WriteFileBytes(good, "[\"1\",\"OOC\",\"Ann\",1109628000]ok\r\n");
  test::WriteFileBytes(bad,
                       "[\"1\",\"OOC\",\"Ann\",1109628001]ok\n[\"1\",\"OOC\",\"Ann\",12x]no\n");
  fs::create_hard_link(good, link);
  test::WriteFileBytes(target, "old\r\n");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;  // part of standard error
  } cases[] = {
      {{good, link}, 0, "link.log wurde schon genannt"},
      {{good, bad}, 1, bad + ":2: '12x' ist kein gültiger Integerwert"},
      {{good, dir_.string()}, 1, dir_.string()},
      {{"-", good, "-"}, 2, "nur einmal gelesen"},
      {{"-o", target, good, target}, 2, target + " ist die Eingabedatei " + target},
      {{"-o", link, good}, 2, link + " ist die Eingabedatei " + good},
      {{"--post-limit", "10", "-o", (dir_ / "good.txt").string(), good, bad}, 1, "12x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    std::vector<std::string> args = {"--config", config_};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Result result = Run(args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    if (c.status != 0) {
      EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(test::ReadFileBytes(target), "old\r\n");
    EXPECT_EQ(test::ReadFileBytes(good), "[\"1\",\"OOC\",\"Ann\",1109628000]ok\r\n");
  }
  // A part file that would be one of the logs is refused too.
  test::WriteFileBytes(dir_ / "p-1.txt", "[\"1\",\"OOC\",\"Ann\",1109628002]ok\n");
  const Result part = Run({"--config", config_, "--post-limit", "10", "-o",
                           (dir_ / "p.txt").string(), good, (dir_ / "p-1.txt").string()});
  EXPECT_EQ(part.status, 2) << part.err;
  EXPECT_EQ(test::ReadFileBytes(dir_ / "p-1.txt"), "[\"1\",\"OOC\",\"Ann\",1109628002]ok\n");
}

TEST_F(CliTest, OutputFileHoldsWhatStandardOutputGets) {
  const fs::path target = dir_ / "out.txt";
  test::WriteFileBytes(target, "old\r\n");
  Result to_file = RunSample({"--mark-links", "--strip-tags", "-o", target.string()});
  ASSERT_EQ(to_file.status, 0) << to_file.err;
  EXPECT_EQ(to_file.out, "");
  Result to_stdout = RunSample({"--mark-links", "--strip-tags"});
  EXPECT_EQ(test::ReadFileBytes(target), to_stdout.out);
  EXPECT_EQ(RunSample({"--mark-links", "--strip-tags", "-o", "-"}).out, to_stdout.out);
  EXPECT_EQ(RunSample({"-o", "", "--mark-links"}).status, 2);
  EXPECT_NE(to_stdout.out.find("Bob:  - [i]link removed[/i] - Hi red and here [b]ok[/b]\r\n"),
            std::string::npos);
  EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"empty.cfg", "out.txt"}));
}

// Reads a FIFO or socket target to its end on a thread. Take() waits at
// most kReaderTime: should the program never write the target (not open
// it, or replace it), the test fails with a message instead of hanging,
// and `unblock` frees the thread still waiting in `open`. `slowly`: a few
// megabytes a second at most.
constexpr auto kReaderTime = std::chrono::seconds(10);
class Reader {
 public:
  Reader(std::function<int()> open, std::function<void()> unblock, bool slowly = false)
      : unblock_(std::move(unblock)), thread_([this, open, slowly] {
          const int fd = open();
          char buffer[4096];
          for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
            bytes_.append(buffer, static_cast<std::size_t>(n));
            if (slowly) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
          if (fd >= 0) ::close(fd);
          const std::lock_guard<std::mutex> lock(mutex_);
          done_ = true;
          done_changed_.notify_all();
        }) {}
  std::string Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!done_changed_.wait_for(lock, kReaderTime, [this] { return done_; })) {
      ADD_FAILURE() << "the target was not written to its end within " << kReaderTime.count()
                    << " s";
      lock.unlock();
      unblock_();
    } else {
      lock.unlock();
    }
    thread_.join();
    return bytes_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_changed_;
  bool done_ = false;
  std::string bytes_;
  std::function<void()> unblock_;
  std::thread thread_;
};

// A FIFO reader: opened for reading at once, freed by a writer that
// opens and closes.
std::unique_ptr<Reader> FifoReader(const fs::path& fifo) {
  return std::make_unique<Reader>([fifo] { return ::open(fifo.c_str(), O_RDONLY); },
                                  [fifo] { ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)); });
}

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_mode;
}

TEST_F(CliTest, OutputTargets) {
  const std::string expected = RunSample({}).out;
  const std::string expected_parts = RunSample({"--post-limit", "500"}).out;
  const fs::path log = dir_ / "x.log";
  fs::copy_file(QUORLIX_SAMPLE_LOG, log);
  const std::string log_bytes = test::ReadFileBytes(log);
  std::unique_ptr<Reader> reader;
  struct Case {
    std::string name;
    std::function<void(const fs::path&)> make;  // sets up the target
    int status;
    std::string message;                         // part of standard error
    std::function<void(const fs::path&)> check;  // what the target must be after
    std::vector<std::string> options = {};
  } cases[] = {
      {"the log itself", [&](const fs::path&) {}, 2, "ist die Eingabedatei", nullptr},
      {"the log on standard input", [&](const fs::path&) {}, 2, "ist die Eingabedatei", nullptr},
      {"a link to the log", [&](const fs::path& t) { fs::create_symlink(log, t); }, 2,
       "ist die Eingabedatei", [&](const fs::path& t) { EXPECT_TRUE(fs::is_symlink(t)); }},
      {"a FIFO",
       [&](const fs::path& t) {
         ASSERT_EQ(::mkfifo(t.c_str(), 0600), 0);
         reader = FifoReader(t);
       },
       0, "",
       [&](const fs::path& t) {
         EXPECT_EQ(reader->Take(), expected);
         EXPECT_TRUE(S_ISFIFO(ModeOf(t)));
       }},
      {"a socket",
       [&](const fs::path& t) {
         const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         std::strcpy(address.sun_path, t.c_str());
         ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
         ASSERT_EQ(::listen(listener, 1), 0);
         reader = std::make_unique<Reader>(
             [listener] {
               const int fd = ::accept(listener, nullptr, nullptr);
               ::close(listener);
               return fd;
             },
             [address] {
               const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
               ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
               ::close(fd);
             });
       },
       0, "",
       [&](const fs::path& t) {
         EXPECT_EQ(reader->Take(), expected);
         EXPECT_TRUE(S_ISSOCK(ModeOf(t)));
       }},
      {"a character device",
       [&](const fs::path& t) {
         if (::mknod(t.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP();
       },
       0, "", [&](const fs::path& t) { EXPECT_TRUE(S_ISCHR(ModeOf(t))); }},
      {"a link to a file",
       [&](const fs::path& t) {
         test::WriteFileBytes(dir_ / "real.txt", "old");
         fs::create_symlink("real.txt", t);
       },
       0, "",
       [&](const fs::path& t) {
         EXPECT_TRUE(fs::is_symlink(t));
         EXPECT_EQ(test::ReadFileBytes(dir_ / "real.txt"), expected);
       }},
      {"a setuid file",
       [&](const fs::path& t) {
         test::WriteFileBytes(t, "old");
         ::chmod(t.c_str(), 06755);
       },
       0, "", [&](const fs::path& t) { EXPECT_EQ(ModeOf(t) & 07777, 0755u); }},
      {"a write-protected file",
       [&](const fs::path& t) {
         test::WriteFileBytes(t, "old");
         ::chmod(t.c_str(), 0444);
       },
       1, "schreibgesch\xc3\xbctzt",
       [&](const fs::path& t) { EXPECT_EQ(test::ReadFileBytes(t), "old"); }},
      {"a directory", [&](const fs::path& t) { fs::create_directory(t); }, 1, "ist ein Verzeichnis",
       nullptr},
      {"a loop of links", [&](const fs::path& t) { fs::create_symlink("target", t); }, 1,
       "target kann nicht geschrieben werden",
       [&](const fs::path& t) { EXPECT_TRUE(fs::is_symlink(t)); }},
      {"a file with a second hard link",
       [&](const fs::path& t) {
         test::WriteFileBytes(t, "old");
         fs::create_hard_link(t, dir_ / "real.txt");
       },
       1, "weitere harte Links",
       [&](const fs::path&) { EXPECT_EQ(test::ReadFileBytes(dir_ / "real.txt"), "old"); }},
      {"another user's file, replaced by root",
       [&](const fs::path& t) {
         test::WriteFileBytes(t, "old");
         if (::geteuid() != 0 || ::chown(t.c_str(), 12345, 23456) != 0) GTEST_SKIP();
       },
       0, "",
       [&](const fs::path& t) {
         struct stat st {};
         ::stat(t.c_str(), &st);
         EXPECT_EQ(st.st_uid, 12345u);
         EXPECT_EQ(st.st_gid, 23456u);
       }},
      {"another user's link in a sticky, world-writable folder",
       [&](const fs::path& t) {
         test::WriteFileBytes(dir_ / "real.txt", "old");
         fs::create_symlink("real.txt", t);
         if (::lchown(t.c_str(), 12345, 12345) != 0 || ::chmod(dir_.c_str(), 01777) != 0) {
           GTEST_SKIP();
         }
       },
       1, "einem anderen Benutzer geh\xc3\xb6rt",
       [&](const fs::path&) {
         ::chmod(dir_.c_str(), 0700);
         EXPECT_EQ(test::ReadFileBytes(dir_ / "real.txt"), "old");
       }},
      {"a part that is a link to the log",
       [&](const fs::path& t) { fs::create_symlink(log, t.string() + "-1"); },
       2,
       "ist die Eingabedatei",
       [&](const fs::path& t) { EXPECT_TRUE(fs::is_symlink(t.string() + "-1")); },
       {"--post-limit", "0"}},
      {"a part that is a hard link to the log",
       [&](const fs::path& t) { fs::create_hard_link(log, t.string() + "-1"); },
       2,
       "ist die Eingabedatei",
       nullptr,
       {"--post-limit", "0"}},
      {"two parts that are one file",
       [&](const fs::path& t) {
         test::WriteFileBytes(t.string() + "-1", "old");
         fs::create_symlink("target-1", t.string() + "-2");
       },
       2,
       "dieselbe Datei",
       [&](const fs::path& t) { EXPECT_EQ(test::ReadFileBytes(t.string() + "-1"), "old"); },
       {"--post-limit", "500"}},
      {"parts into a FIFO",
       [&](const fs::path& t) {
         ASSERT_EQ(::mkfifo(t.c_str(), 0600), 0);
         reader = FifoReader(t);
       },
       0,
       "",
       [&](const fs::path& t) {
         EXPECT_EQ(reader->Take(), expected_parts);
         EXPECT_FALSE(fs::exists(t.string() + "-1"));
       },
       {"--post-limit", "500"}},
      {"parts into a character device",
       [&](const fs::path& t) {
         if (::mknod(t.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP();
       },
       0,
       "",
       [&](const fs::path& t) { EXPECT_FALSE(fs::exists(t.string() + "-1")); },
       {"--post-limit", "500"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool piped = c.name == "the log on standard input";
    const fs::path target = c.name == "the log itself" || piped ? log : dir_ / "target";
    c.make(target);
    if (::testing::Test::IsSkipped()) continue;
    std::vector<std::string> args = {"--config", config_, "-o", target.string(),
                                     piped ? std::string("-") : log.string()};
    args.insert(args.begin(), c.options.begin(), c.options.end());
    const Result result = Run(args, piped ? log.string() : "/dev/null");
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    if (c.check) c.check(target);
    EXPECT_EQ(test::ReadFileBytes(log), log_bytes);
    for (const std::string& name : FilesInDir()) {
      if (name.starts_with("target") || name == "real.txt") fs::remove(dir_ / name);
    }
  }
  EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"empty.cfg", "x.log"}));
  // Standard output that is the log's own file is refused as -o is.
  for (const char* redirect : {" 1<>\"$2\"", " >>\"$2\""}) {
    const Result same =
        Run({"/bin/sh", "-c", std::string("exec \"$0\" --config \"$1\" \"$2\"") + redirect,
             QUORLIX_CLI_PATH, config_, log.string()});
    EXPECT_EQ(same.status, 2) << redirect;
    EXPECT_NE(same.err.find("Die Standardausgabe ist die Eingabedatei"), std::string::npos)
        << same.err;
    EXPECT_EQ(test::ReadFileBytes(log), log_bytes);
  }
  // A path that ends in "/" names a directory, existing or not.
  const Result result = Run({"--config", config_, "-o", (dir_ / "out/").string(), log.string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("out/ ist ein Verzeichnis"), std::string::npos) << result.err;
}

TEST_F(CliTest, EndlessOversizedAndOtherInputs) {
  const std::string expected = RunSample({}).out;
  const fs::path fifo = dir_ / "fifo", big = dir_ / "big.log";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A copy of quorlix-cli alone in a folder, with its catalogues, so that
  // it looks for the user's config.cfg; one such file of every unreadable
  // kind. Copies, for nobody may not read the build folder.
  fs::create_directories(dir_ / "alone");
  fs::copy_file(QUORLIX_CLI_PATH, dir_ / "alone/quorlix-cli");
  fs::copy_file(QUORLIX_SAMPLE_LOG, dir_ / "alone/sample.log");  // readable by nobody too
  fs::copy(fs::path(QUORLIX_CLI_PATH).parent_path() / "../share", dir_ / "share",
           fs::copy_options::recursive);
  for (const char* kind : {"dir", "fifo", "device", "mode000"}) {
    fs::create_directories(dir_ / ("user-" + std::string(kind)) / "quorlix");
  }
  fs::create_directory(dir_ / "user-dir/quorlix/config.cfg");
  ASSERT_EQ(::mkfifo((dir_ / "user-fifo/quorlix/config.cfg").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir_ / "user-device/quorlix/config.cfg");
  test::WriteFileBytes(dir_ / "user-mode000/quorlix/config.cfg", "[config]\n");
  fs::permissions(dir_ / "user-mode000/quorlix/config.cfg", fs::perms::none);
  fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  const auto user_config = [&](const char* kind) {
    // root reads a file of mode 000: the run then drops to nobody.
    const std::string as = ::geteuid() == 0 && std::string_view(kind) == "mode000"
                               ? "setpriv --reuid=65534 --regid=65534 --clear-groups "
                               : "";
    return "XDG_CONFIG_HOME=" + (dir_ / ("user-" + std::string(kind))).string() + " exec " + as +
           (dir_ / "alone/quorlix-cli").string() + " " + (dir_ / "alone/sample.log").string();
  };
  // A time stamp of 50 MB that would also clear the terminal.
  test::WriteFileBytes(big,
                       "[\"1\",\"OOC\",\"Ann\",1109628000]ok\n[\"1\",\"OOC\",\"Ann\",1\x1b[2J" +
                           std::string(50'000'000, '7') + "]x\n");
  struct Case {
    std::vector<std::string> args;
    std::string input;  // standard input
    int status;
    std::string out;      // all of standard output
    std::string message;  // part of standard error
  } cases[] = {
    {{"/dev/zero"}, "/dev/null", 1, "", "/dev/zero ist weder eine regul\xc3\xa4re Datei"},
    {{"-"}, QUORLIX_SAMPLE_LOG, 0, expected, ""},
    {{fifo.string()}, "/dev/null", 0, expected, ""},
    {{big.string()},
     "/dev/null",
     1,
     "",
     "big.log:2: '1?[2J" + std::string(75, '7') +
         "\xe2\x80\xa6' ist kein g\xc3\xbcltiger Integerwert\n"},
    {{"--config", (dir_ / "nosuch.cfg").string(), QUORLIX_SAMPLE_LOG},
     "/dev/null",
     0,
     expected,
     "Warnung: Einstellungsdatei " + (dir_ / "nosuch.cfg").string()},
    {{"--config", dir_.string(), QUORLIX_SAMPLE_LOG}, "/dev/null", 1, "", "ist ein Verzeichnis"},
    {{"--config", fifo.string(), QUORLIX_SAMPLE_LOG},
     "/dev/null",
     1,
     "",
     "ist keine regul\xc3\xa4re Datei"},
    // The user's own config.cfg (no --config, none beside the program)
    // that cannot be read: a warning, and the defaults.
    {{"/bin/sh", "-c", user_config("dir")}, "/dev/null", 0, expected, "ist ein Verzeichnis"},
    {{"/bin/sh", "-c", user_config("fifo")}, "/dev/null", 0, expected, "keine regul\xc3\xa4re"},
    {{"/bin/sh", "-c", user_config("device")}, "/dev/null", 0, expected, "keine regul\xc3\xa4re"},
    {{"/bin/sh", "-c", user_config("mode000")},
     "/dev/null",
     0,
     expected,
     "Warnung: Einstellungsdatei " + (dir_ / "user-mode000/quorlix/config.cfg").string() +
         " kann nicht gelesen werden"},
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer needs more address space than the limit
    {{"/bin/sh", "-c", "ulimit -v 300000; cat /dev/zero | " QUORLIX_CLI_PATH " -"},
     "/dev/null",
     1,
     "",
     "Nicht gen\xc3\xbcgend Arbeitsspeicher f\xc3\xbcr -"},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    std::vector<std::string> args = c.args;
    if (args[0] != "--config" && args[0] != "/bin/sh")
      args.insert(args.begin(), {"--config", config_});
    std::unique_ptr<std::thread> writer;
    if (args.back() == fifo.string()) {
      writer = std::make_unique<std::thread>([&] {
        std::ofstream(fifo, std::ios::binary) << test::ReadFileBytes(QUORLIX_SAMPLE_LOG);
      });
    }
    const Result result = Run(args, c.input);
    if (writer) writer->join();
    EXPECT_EQ(result.status, c.status) << result.err.substr(0, 300);
    EXPECT_EQ(result.out, c.out);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err.substr(0, 300);
    EXPECT_LT(result.err.size(), 300u);
  }
}

TEST_F(CliTest, CatchableSignalsRemoveTheTemporaryFile) {
  const fs::path fifo = dir_ / "fifo", target = dir_ / "out.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // One output file, and the first of the parts of --post-limit.
  for (const char* limit : {"", "100"}) {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ, SIGKILL}) {
      SCOPED_TRACE(std::to_string(signal_number) + " " + limit);
      test::WriteFileBytes(target, "old");
      std::vector<std::string> args = {"--config", config_, "-o", target.string(), fifo.string()};
      if (*limit != '\0') args.insert(args.begin(), {"--post-limit", limit});
      const pid_t pid = Start(args);
      // Once the program reads the log, its temporary file exists.
      const int fd = ::open(fifo.c_str(), O_WRONLY);
      ASSERT_GE(fd, 0);
      const std::vector<std::string> names = FilesInDir();
      EXPECT_EQ(std::count_if(names.begin(), names.end(),
                              [](const std::string& name) {
                                return name.find(".quorlix-") != std::string::npos;
                              }),
                1);
      ::kill(pid, signal_number);
      EXPECT_EQ(Finish(pid).status, 128 + signal_number);
      ::close(fd);
      EXPECT_EQ(test::ReadFileBytes(target), "old");
      if (signal_number == SIGKILL) {
        // What a kill leaves, the next run to the same name removes.
        args.back() = QUORLIX_SAMPLE_LOG;
        ASSERT_EQ(Run(args).status, 0);
        for (const std::string& name : FilesInDir()) {
          EXPECT_EQ(name.find(".quorlix-"), std::string::npos) << name;
          if (name != "empty.cfg" && name != "fifo") fs::remove(dir_ / name);
        }
        continue;
      }
      EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"empty.cfg", "fifo", "out.txt"}));
    }
  }
  // A signal the program was started to ignore (as by nohup) stays ignored.
  struct sigaction ignore {
  }, before{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGHUP, &ignore, &before);
  const pid_t pid = Start({"--config", config_, "-o", target.string(), fifo.string()});
  ::sigaction(SIGHUP, &before, nullptr);
  {
    std::ofstream log(fifo, std::ios::binary);
    ::kill(pid, SIGHUP);
    log << test::ReadFileBytes(QUORLIX_SAMPLE_LOG);
  }
  EXPECT_EQ(Finish(pid).status, 0);
  EXPECT_EQ(test::ReadFileBytes(target), RunSample({}).out);
  fs::remove(target);
  // A real file-size limit (512 bytes, below the sample's output and first
  // part): the kernel's SIGXFSZ ends the run as above.
  for (const char* limit : {"", "--post-limit 1000 "}) {
    SCOPED_TRACE(limit);
    test::WriteFileBytes(target, "old");
    const Result result = Run({"/bin/sh", "-c",
                               "ulimit -f 1; exec " QUORLIX_CLI_PATH " --config " + config_ + " " +
                                   limit + "-o " + target.string() + " " QUORLIX_SAMPLE_LOG});
    EXPECT_EQ(result.status, 128 + SIGXFSZ) << result.err;
    EXPECT_EQ(test::ReadFileBytes(target), "old");
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"empty.cfg", "fifo", "out.txt"}));
  }
}

// The log is mapped: shortened by another program during the run, it ends
// the run with a message, not a crash. The output is a FIFO held full, so
// that the run is surely under way when the log is cut.
TEST_F(CliTest, ALogShortenedWhileReadEndsTheRunWithAMessage) {
  const fs::path log = dir_ / "generated.log", fifo = dir_ / "stdout";
  test::WriteFileBytes(log, GeneratedLog(9, 400000));
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Open for reading first, so that the program's open for writing does not wait.
  const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  // Two threads: only a few chunks are formatted ahead of the blocked writer.
  const pid_t pid = Start({"--config", config_, "--threads", "2", "--time", log.string()});
  ::fcntl(fd, F_SETFL, 0);
  char block[4096];
  ASSERT_GT(::read(fd, block, sizeof block), 0);
  ASSERT_EQ(::truncate(log.c_str(), 0), 0);
  while (::read(fd, block, sizeof block) > 0) {
  }
  ::close(fd);
  fs::remove(fifo);
  const Result result = Finish(pid);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "quorlix-cli: Datei " + log.string() + " wurde beim Lesen gek\xc3\xbcrzt\n");
}

// Standard output and error on one terminal: the bar would land between
// the output lines, so it stays away; with the output elsewhere it shows.
// The output is read slowly, so that either run lasts long enough to draw.
TEST_F(CliTest, ProgressBarOnlyWhenTheOutputIsNotOnItsTerminal) {
  const fs::path log = dir_ / "long.log";
  const std::string sample = test::ReadFileBytes(QUORLIX_SAMPLE_LOG);
  {
    std::ofstream out(log, std::ios::binary);
    for (int i = 0; i < 2000; ++i) out << sample;
  }
  // "[" 40 cells of # or - "]", as the bar draws itself.
  const auto has_bar = [](const std::string& screen) {
    for (std::size_t at = screen.find(" ["); at != std::string::npos;
         at = screen.find(" [", at + 1)) {
      const std::string cells = screen.substr(at + 2, 41);
      if (cells.size() == 41 && cells.back() == ']' &&
          cells.find_first_not_of("#-") == cells.size() - 1) {
        return true;
      }
    }
    return false;
  };
  for (const bool output_on_terminal : {false, true}) {
    SCOPED_TRACE(output_on_terminal);
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal), 0);
    ASSERT_EQ(::unlockpt(terminal), 0);
    const std::string name = ::ptsname(terminal);
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    Reader screen([terminal] { return ::dup(terminal); }, [] {}, output_on_terminal);
    Reader output([&pipe_ends] { return pipe_ends[0]; }, [] {}, !output_on_terminal);
    std::vector<std::string> args = {QUORLIX_CLI_PATH, "--config", config_, log.string()};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output_on_terminal) {
      posix_spawn_file_actions_addopen(&actions, 1, name.c_str(), O_WRONLY, 0);
    } else {
      posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
    }
    posix_spawn_file_actions_addopen(&actions, 2, name.c_str(), O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_ends[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(terminal);  // the reader's copy ends when the program's side is gone
    const std::string on_screen = screen.Take();
    EXPECT_EQ(status, 0);
    EXPECT_GT(output.Take().size() + on_screen.size(), 2'000'000u);
    EXPECT_EQ(has_bar(on_screen), !output_on_terminal);
  }
}

// One language at a time, as the environment asks for it, whether or not
// this machine has generated the locale named.
TEST_F(CliTest, MessagesInTheLanguageTheEnvironmentAsksFor) {
  const std::string missing = (dir_ / "missing.log").string();
  const std::string german = "Datei " + missing +
                             " kann nicht ge\xc3\xb6"
                             "ffnet werden. ";
  const std::string english = "Cannot open file " + missing + ". ";
  const struct {
    std::vector<std::string> language;
    std::string expected;
  } cases[] = {
      {{"LANG=de_DE.UTF-8"}, german},
      {{"LANG=de_AT.UTF-8"}, german},
      {{"LANG=C.UTF-8", "LC_MESSAGES=de_DE.UTF-8"}, german},
      {{"LANG=C.UTF-8", "LANGUAGE=de"}, german},
      {{"LANG=C.UTF-8"}, english},
      {{"LANG=C"}, english},
      {{}, english},
      {{"LANG=en_GB.UTF-8"}, english},
      {{"LANG=fr_FR.UTF-8"}, english},  // no French catalogue
      {{"LANG=de_DE.UTF-8", "LC_ALL=C.UTF-8"}, english},
      {{"LANG=de_DE.UTF-8", "LANGUAGE=en"}, english},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language.empty() ? "no language" : c.language.back());
    const Result result = Run({QUORLIX_CLI_PATH, missing}, "/dev/null", c.language);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("quorlix-cli: " + c.expected, 0), 0u) << result.err;
  }
  // A copy of the program without its catalogues speaks English, silently.
  fs::create_directory(dir_ / "bin");
  fs::copy_file(QUORLIX_CLI_PATH, dir_ / "bin" / "quorlix-cli");
  const Result alone =
      Run({(dir_ / "bin" / "quorlix-cli").string(), missing}, "/dev/null", {"LANG=de_DE.UTF-8"});
  EXPECT_EQ(alone.status, 1);
  EXPECT_EQ(alone.err.rfind("quorlix-cli: " + english, 0), 0u) << alone.err;
  EXPECT_EQ(std::count(alone.err.begin(), alone.err.end(), '\n'), 1) << alone.err;
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
  // A message that is a lone form feed, the parts' separator: written with a space.
  log += "[\"1\",\"OOC\",\"\",1109628999]\f\r\n";
  test::WriteFileBytes(generated.string(), log);
  for (const std::string& source : {std::string(QUORLIX_SAMPLE_LOG), generated.string()}) {
    Result whole = Run({"--config", config_, source});
    ASSERT_EQ(whole.status, 0) << whole.err;
    const std::size_t form_feed = whole.out.find("\n\f\r\n");
    if (form_feed != std::string::npos) whole.out.insert(form_feed + 2, " ");
    // `bytes` 0: no limit to check the parts against.
    const struct {
      const char* limit;
      std::uint64_t bytes;
      std::size_t min_parts, max_parts;
    } cases[] = {
        {"0", 0, 1, 1},
        {"1", 1, 30, 9999},
        {"200", 200, 2, 9999},
        {"2000", 2000, 1, 9999},
        {"9223372036854775808", 0, 1, 1},
        {"18446744073709551615", 0, 1, 1},
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
  // Markdown for a chat app, which refuses a longer post: every part fits,
  // the long lines cut into lines that keep every character.
  const auto text_of = [](std::string out) {
    std::erase_if(out, [](char c) { return c == '\r' || c == '\n' || c == '\f' || c == ' '; });
    return out;
  };
  const Result whole = Run({"--config", config_, "-f", "markdown", generated.string()});
  const Result cut =
      Run({"--config", config_, "-f", "markdown", "--post-limit", "200", generated.string()});
  for (const std::string& part : SplitParts(cut.out)) EXPECT_LE(part.size(), 200u);
  EXPECT_EQ(text_of(cut.out), text_of(whole.out));
}

// The lines of `text`, each ended by CR LF.
std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

// Removes the first `markup` from `line`; true when there was one.
bool Drop(std::string& line, std::string_view markup) {
  const std::size_t at = line.find(markup);
  if (at == std::string::npos) return false;
  line.erase(at, markup.size());
  return true;
}

// A UBB line of --strip-tags as a chat app shows its Markdown twin: the
// prefix's colour and bold, the marker's italics and the footer's link are
// markup, the rest is text. `markup` gets what ShowMarkdown names.
std::string ShownUbb(std::string line, std::string& markup) {
  markup.clear();
  if (line.starts_with("[color=#")) {
    line.erase(0, line.find(']') + 1);
    Drop(line, "[/color]");
  }
  if (line.starts_with("[b][")) {
    Drop(line, "[b]");
    Drop(line, "[/b]");
    markup = "strong(" + line.substr(0, line.find("] ") + 1) + ")";
  }
  if (Drop(line, "[i]link removed[/i]")) {
    line.insert(line.find(" - ") + 3, "link removed");
    markup += std::string(markup.empty() ? "" : " ") + "emph(link removed)";
  }
  const std::string footer = "Created using [url=\"" + std::string(kHomePageUrl) + "\"]";
  if (line.starts_with(footer) && Drop(line, "[/url]")) {
    line = "Created using " + line.substr(footer.size());
    markup = "link(The Quorlix)";
  }
  return line;
}

// Each line of -f markdown, rendered by a CommonMark library, shows the
// text of the --strip-tags UBB line, with markup only where the prefix,
// the link marker and the footer have theirs: nothing of the log's text
// becomes markup. On the sample log and on generated logs.
TEST_F(CliTest, MarkdownShowsWhatStrippedUbbShows) {
  std::vector<std::string> logs = {QUORLIX_SAMPLE_LOG};
  for (uint64_t seed : {1, 2}) {
    bench::LogGenerator generator(seed, bench::kDefaultStartTime, 60);
    std::string log, line;
    for (int i = 0; i < 3000; ++i) {
      generator.NextLine(line);
      log += line + "\r\n";
    }
    logs.push_back((dir_ / ("generated-" + std::to_string(seed) + ".log")).string());
    test::WriteFileBytes(logs.back(), log);
  }
  const std::string colors = scratch_.Path("colors.cfg");
  test::WriteFileBytes(colors, "[colordef]\nClan=ff8000\nOOC=00ff00\n");
  const std::vector<std::vector<std::string>> option_sets = {
      {},
      {"--channel-name", "--time", "--mark-links"},
      {"--channel-name", "--channel-colors", "--mark-links", "-t", "2004", "-c", "OOC", "-c",
       "Clan"},
  };
  for (const std::string& log : logs) {
    for (std::vector<std::string> options : option_sets) {
      options.insert(options.begin(), {"--config", colors, log});
      options.insert(options.begin(), {"-f", "ubb", "--strip-tags"});
      const Result ubb = Run(options);
      options[1] = "markdown";
      const Result markdown = Run(options);
      ASSERT_EQ(markdown.status, 0) << markdown.err;
      const std::vector<std::string> want = CrLfLines(ubb.out);
      const std::vector<std::string> got = CrLfLines(markdown.out);
      ASSERT_EQ(got.size(), want.size()) << log;
      ASSERT_GT(got.size(), 3u) << log;
      for (std::size_t i = 0; i < got.size(); ++i) {
        // A "<" that starts no tag: Markdown keeps it, as the web page
        // does; UBB keeps its own rule.
        if (got[i].find("\\<") != std::string::npos) continue;
        std::string markup;
        const std::string text = ShownUbb(want[i], markup);
        const test::ShownMarkdown shown = test::ShowMarkdown(got[i]);
        EXPECT_EQ(test::Trimmed(shown.text), test::Trimmed(text)) << log << ": " << got[i];
        EXPECT_EQ(shown.markup, markup) << log << ": " << got[i];
      }
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
  std::vector<std::string> expected_files = {fs::path(config_).filename().string()};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result result = RunSample({"--post-limit", "500", "-o", (dir_ / c.name).string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    // An earlier run's parts beyond this run's last go, and are counted.
    EXPECT_EQ(result.err, c.name == "out.txt"
                              ? "quorlix-cli: Teildateien eines früheren Laufs entfernt: 1\n"
                              : "");
    for (std::size_t k = 1; k <= parts.size(); ++k) {
      EXPECT_EQ(test::ReadFileBytes((dir_ / c.part_name(k)).string()), parts[k - 1]) << k;
      expected_files.push_back(c.part_name(k));
    }
  }
  std::sort(expected_files.begin(), expected_files.end());
  EXPECT_EQ(FilesInDir(), expected_files);  // no out.txt, no out-99.txt, nothing temporary

  // Three runs at once to the same names, each with its own number of
  // parts: each succeeds or fails with its own message, and the set left
  // is one run's, whole.
  fs::remove_all(dir_);
  fs::create_directories(dir_ / "runs");
  test::WriteFileBytes(config_, "");
  const fs::path log = dir_ / "generated.log";
  test::WriteFileBytes(log, GeneratedLog(11, 20000));
  const std::vector<std::string> limits = {"2000", "3000", "5000"};
  std::vector<std::vector<std::string>> sets;
  std::vector<pid_t> runs;
  for (const std::string& limit : limits) {
    sets.push_back(SplitParts(Run({"--config", config_, "--post-limit", limit, log.string()}).out));
  }
  for (std::size_t r = 0; r < limits.size(); ++r) {
    const std::string err = (dir_ / "runs" / ("err" + std::to_string(r))).string();
    runs.push_back(Start({"/bin/sh", "-c",
                          "exec " QUORLIX_CLI_PATH " --config " + config_ + " --post-limit " +
                              limits[r] + " -o " + (dir_ / "runs" / "out.txt").string() + " " +
                              log.string() + " 2>" + err}));
  }
  for (std::size_t r = 0; r < runs.size(); ++r) {
    const int status = Finish(runs[r]).status;
    const std::string err = test::ReadFileBytes(dir_ / "runs" / ("err" + std::to_string(r)));
    EXPECT_TRUE(status == 0 || (status == 1 && !err.empty())) << status << err;
    EXPECT_EQ(err.find("nicht gefunden"), std::string::npos) << err;  // "No such file"
    fs::remove(dir_ / "runs" / ("err" + std::to_string(r)));
  }
  std::vector<std::string> left;
  for (std::size_t k = 1; fs::exists(dir_ / "runs" / ("out-" + std::to_string(k) + ".txt")); ++k) {
    left.push_back(test::ReadFileBytes(dir_ / "runs" / ("out-" + std::to_string(k) + ".txt")));
  }
  EXPECT_NE(std::find(sets.begin(), sets.end(), left), sets.end()) << left.size() << " parts";
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "runs"), fs::directory_iterator()),
            static_cast<long>(left.size()));  // nothing else, nothing temporary
  // They take turns through a lock on the folder: while another holds it,
  // a run does not put its parts in place.
  const int held = ::open((dir_ / "runs").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const pid_t waiting = Start({"--config", config_, "--post-limit", "2000", "-o",
                               (dir_ / "runs" / "out.txt").string(), log.string()});
  int wait_status = 0;
  for (int i = 0; i < 20 && ::waitpid(waiting, &wait_status, WNOHANG) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(::waitpid(waiting, &wait_status, WNOHANG), 0) << "ran while the folder was locked";
  ::close(held);
  EXPECT_EQ(Finish(waiting).status, 0);

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
