#include "core/log/log_merge.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/log/log_tail.h"
#include "core/text/error.h"
#include "tests/support/scratch_dir.h"

namespace quorlix {
namespace {

// A log line of `time` saying `text`.
std::string L(int time, const std::string& text) {
  return "[\"1\",\"Team\",\"Bob\"," + std::to_string(time) + "]" + text;
}

// Each merged line as "K:N text" (log K, its line N).
std::vector<std::string> Described(const LineStore& lines) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const LineOrigin o = lines.origin(i);
    out.push_back(std::to_string(o.log) + ":" + std::to_string(o.line) + " " +
                  std::string(lines[i]));
  }
  return out;
}

MergedLogs Merge(const std::vector<std::string>& texts, bool suppress_bot = true) {
  std::vector<LogToMerge> logs;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    logs.push_back(LogToMerge{"log" + std::to_string(i + 1), LineStore::FromBytes(texts[i])});
  }
  return MergeLogs(std::move(logs), LoadSettings{.suppress_bot_lines = suppress_bot});
}

TEST(LogMergeTest, TakesTheEarliestLineAndWritesSharedLinesOnce) {
  using V = std::vector<std::string>;
  const std::string a1 = L(1, "a"), b2 = L(2, "b"), c3 = L(3, "c"), d5 = L(5, "d"), e5 = L(5, "e");
  const struct {
    const char* what;
    V logs;
    V merged;
    std::size_t duplicates;
  } cases[] = {
      {"alone: as read, no origins", {"x\n" + a1 + "\r\n"}, {"0:1 x", "0:2 " + a1}, 0},
      {"in time order",
       {a1 + "\n" + c3, b2 + "\n" + d5},
       {"1:1 " + a1, "2:1 " + b2, "1:2 " + c3, "2:2 " + d5},
       0},
      {"a tie goes to the log named first", {e5, d5}, {"1:1 " + e5, "2:1 " + d5}, 0},
      {"a tie, the other way", {d5, e5}, {"1:1 " + d5, "2:1 " + e5}, 0},
      {"a shared line once",
       {a1 + "\n" + c3, a1 + "\n" + b2},
       {"1:1 " + a1, "2:2 " + b2, "1:2 " + c3},
       1},
      {"line ends aside",
       {a1 + "\r\n" + b2 + "\r\n", a1 + "\n" + b2 + "\n", b2 + "\r"},
       {"1:1 " + a1, "1:2 " + b2},
       3},
      {"a repeat within a log stays", {a1 + "\n" + a1, a1}, {"1:1 " + a1, "1:2 " + a1}, 1},
      {"empty logs", {"", a1, ""}, {"2:1 " + a1}, 0},
      {"all empty", {"", ""}, {}, 0},
      {"lines not taken in are left out, still counted",
       {"junk\n\n" + b2, "[x]\n" + a1},
       {"2:2 " + a1, "1:3 " + b2},
       0},
      {"each log keeps its own order",
       {d5 + "\n" + a1, c3},
       {"2:1 " + c3, "1:1 " + d5, "1:2 " + a1},
       0},
      {"a shared line met later is no duplicate",
       {a1, b2 + "\n" + a1},
       {"1:1 " + a1, "2:1 " + b2, "2:2 " + a1},
       0},
  };
  for (const auto& c : cases) {
    const MergedLogs merged = Merge(c.logs);
    EXPECT_EQ(Described(merged.lines), c.merged) << c.what;
    EXPECT_EQ(merged.duplicates, c.duplicates) << c.what;
    EXPECT_EQ(merged.lines.has_origins(), c.logs.size() > 1 && !c.merged.empty()) << c.what;
  }
  // The bot's lines are left out as a load leaves them out.
  const std::string bot = "[\"1\",\"Team\",\"Polbot\",1]hi";
  EXPECT_EQ(Described(Merge({bot, b2}).lines), V{"2:1 " + b2});
  EXPECT_EQ(Described(Merge({bot, b2}, false).lines), (V{"1:1 " + bot, "2:1 " + b2}));
}

TEST(LogMergeTest, ABadTimeStampNamesItsLogAndLine) {
  try {
    Merge({L(1, "a"), L(2, "b") + "\n[\"1\",\"Team\",\"Bob\",x]c"});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("log2:2: ", 0), 0u) << e.what();
  }
}

// What a log gained at its end: whole lines only, and a log replaced,
// shortened or rewritten is never half-read.
TEST(LogTailTest, TakesOnlyWholeLinesAddedAtTheEnd) {
  using Kind = LogTail::Kind;
  const struct {
    const char* what;
    std::string first, then;
    Kind kind;
    std::vector<std::string> lines;
  } cases[] = {
      {"nothing new", "a\n", "a\n", Kind::kSame, {}},
      {"two lines", "a\n", "a\nb\r\nc\n", Kind::kGrown, {"b", "c"}},
      {"a line still being written waits", "a\n", "a\nb\nc", Kind::kGrown, {"b"}},
      {"only a part of a line", "a\n", "a\nb", Kind::kSame, {}},
      {"a CR may get its LF", "a\n", "a\nb\r", Kind::kSame, {}},
      {"shortened", "a\nb\n", "a\n", Kind::kReplaced, {}},
      {"rewritten before its end", "a\nb\n", "a\nX\nc\n", Kind::kReplaced, {}},
      {"read inside a line", "a\nb", "a\nbc\n", Kind::kReplaced, {}},
  };
  for (const auto& c : cases) {
    test::ScratchDir dir;
    const std::string path = dir.Path("log.txt");
    test::WriteFileBytes(path, c.first);
    const LogMark mark = MarkLog(path, LineStore::FromBytes(c.first));
    test::WriteFileBytes(path, c.then);
    const LogTail tail = ReadLogTail(path, mark);
    EXPECT_EQ(tail.kind, c.kind) << c.what;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < tail.lines.size(); ++i) lines.emplace_back(tail.lines[i]);
    EXPECT_EQ(lines, c.lines) << c.what;
    if (tail.kind == Kind::kGrown) {
      // The next look starts after the lines taken.
      EXPECT_EQ(ReadLogTail(path, tail.mark).kind, Kind::kSame) << c.what;
    }
  }
  test::ScratchDir dir;
  const std::string path = dir.Path("log.txt");
  test::WriteFileBytes(path, "a\n");
  const LogMark mark = MarkLog(path, LineStore::FromBytes("a\n"));
  test::WriteFileBytes(dir.Path("new.txt"), "a\nb\n");
  std::filesystem::rename(dir.Path("new.txt"), path);
  EXPECT_EQ(ReadLogTail(path, mark).kind, Kind::kReplaced);
  std::filesystem::remove(path);
  EXPECT_EQ(ReadLogTail(path, mark).kind, Kind::kGone);
}

}  // namespace
}  // namespace quorlix
