// Runs the quorlix-cli program and checks what it writes and returns:
// conversions, filters, lists, scenes, threads and failures.
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
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/dialects/convert_options.h"
#include "tests/cli/cli_test_support.h"
#include "tests/support/scratch_dir.h"
#include "version_info.h"

namespace quorlix {
namespace {

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
      // Appended piece by piece: "\t" + a string here trips GCC 12's
      // -Wrestrict, a false alarm.
      if (lines > 0) {
        expected.append("\t").append(UtcText(previous)).append("\t");
        expected.append(std::to_string(lines));
      }
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
      // Every number is checked against its range, which the message tells.
      {{"--scene", "9223372036854775808", QUORLIX_SAMPLE_LOG},
       2,
       "9223372036854775808 liegt au\xc3\x9f"
       "erhalb des Bereichs von 1 bis 9223372036854775807"},
      {{"--scene", "18446744073709551616", QUORLIX_SAMPLE_LOG}, 2, "von 1 bis"},
      {{"--threads", "1025", QUORLIX_SAMPLE_LOG}, 2, "von 1 bis 1024"},
      {{"--scene-gap", "99999999999999999999", "--scenes", QUORLIX_SAMPLE_LOG}, 2, "von 0 bis"},
      {{"--scene", " 1x", QUORLIX_SAMPLE_LOG}, 2, "' 1x' ist keine ganze Zahl"},
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
    std::string message;     // part of standard error
    std::string shown = "";  // part of standard output
  } cases[] = {
      {{good, link}, 0, "link.log wurde schon genannt"},
      {{"-f", "page", good, good, link},
       0,
       "good.log wurde schon genannt",
       "<title>good.log, 2005"},
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
    EXPECT_NE(result.out.find(c.shown), std::string::npos);
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

}  // namespace
}  // namespace quorlix
