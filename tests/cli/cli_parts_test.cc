// quorlix-cli's messages in the user's language, the post limit's parts and
// the Markdown dialect shown by a CommonMark library.
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

#include "bench/log_generator.h"
#include "core/dialects/convert_options.h"
#include "tests/cli/cli_test_support.h"
#include "tests/support/commonmark_text.h"
#include "tests/support/scratch_dir.h"

namespace quorlix {
namespace {

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
    // A file named as a part that no record names is left, with a note.
    EXPECT_EQ(result.err, c.name == "out.txt" ? "quorlix-cli: Frühere Teildateien wie " +
                                                    (dir_ / "out-99.txt").string() +
                                                    " bleiben unberührt: keine Aufzeichnung "
                                                    "belegt, dass quorlix-cli sie geschrieben hat\n"
                                              : "");
    for (std::size_t k = 1; k <= parts.size(); ++k) {
      EXPECT_EQ(test::ReadFileBytes((dir_ / c.part_name(k)).string()), parts[k - 1]) << k;
      expected_files.push_back(c.part_name(k));
    }
    expected_files.push_back("." + c.name + ".quorlix-parts");  // the record
  }
  expected_files.push_back("out-99.txt");
  std::sort(expected_files.begin(), expected_files.end());
  EXPECT_EQ(FilesInDir(), expected_files);  // no out.txt, nothing temporary
  // The parts of an earlier, longer set this program wrote go, counted;
  // the log, though named as a part, stays.
  fs::copy_file(QUORLIX_SAMPLE_LOG, dir_ / "out-2005.txt");
  ASSERT_EQ(RunSample({"--post-limit", "200", "-o", (dir_ / "out.txt").string()}).status, 0);
  const Result shorter = Run({"--config", config_, "-f", "markdown", "--post-limit", "500", "-o",
                              (dir_ / "out.txt").string(), (dir_ / "out-2005.txt").string()});
  EXPECT_EQ(shorter.status, 0);
  EXPECT_NE(shorter.err.find("Teildateien eines früheren Laufs entfernt: "), std::string::npos)
      << shorter.err;
  EXPECT_EQ(test::ReadFileBytes(dir_ / "out-2005.txt"), test::ReadFileBytes(QUORLIX_SAMPLE_LOG));
  EXPECT_EQ(test::ReadFileBytes(dir_ / "out-99.txt"), "earlier run\r\n");

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
            static_cast<long>(left.size()) + 1);  // the record, nothing temporary
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
