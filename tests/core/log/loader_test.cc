#include "core/log/loader.h"

#include <gtest/gtest.h>

#include "core/log/log_summary.h"
#include "core/text/error.h"
#include "tests/core/work/fake_working_window.h"

namespace quorlix {
namespace {

using Strings = std::vector<std::string>;

std::string Join(const std::vector<std::string_view>& lines) {
  std::string text;
  for (std::string_view line : lines) text.append(line).append("\n");
  return text;
}

Strings Names(const std::vector<ListEntry>& entries) {
  Strings names;
  for (const ListEntry& e : entries) names.push_back(e.name);
  return names;
}

struct Loaded {
  ChatState state;
  RecordingWindows windows;
};

void Load(Loaded& x, std::string bytes, LoadSettings settings = {}) {
  x.state.ReplaceRawLines(LineStore::FromBytes(std::move(bytes)));
  RunLoadPass(x.state, settings, x.windows);
}

constexpr const char* kFourLinesAndABotLine =
    "[\"1\",\"OOC\",\"Alice\",1109628000]first\r\n"
    "[\"1\",\"OOC\",\"Polbot\",1109633400]bot\r\n"
    "[\"2\",\"Clan\",\"Bob\",1109634300]second\r\n"
    "[\"1\",\"OOC\",\"Alice\",1109636100]third\r\n"
    "[\"2\",\"Clan\",\"Bob\",1109671200]fourth\r\n";

TEST(LoadPassTest, FillsLinesListsRunsAndTreeWithACaptionPerRawLine) {
  Loaded x;
  Load(x, kFourLinesAndABotLine);
  const ChatState& s = x.state;
  EXPECT_EQ(s.raw_lines().size(), 5u);
  ASSERT_EQ(s.input_lines().size(), 4u);
  EXPECT_EQ(s.input_lines()[1], "[\"2\",\"Clan\",\"Bob\",1109634300]second");
  EXPECT_EQ(Names(s.persons), Strings({"Alice", "Bob"}));
  EXPECT_EQ(Names(s.channels), Strings({"Clan", "OOC"}));
  EXPECT_EQ(s.year_runs, Strings({"1109628000;0;3"}));
  EXPECT_EQ(s.month_runs, Strings({"1109628000;0;1", "1109636100;2;3"}));
  EXPECT_EQ(s.day_runs, Strings({"1109628000;0;1", "1109636100;2;3"}));
  EXPECT_EQ(s.time_tree.size(), 6);
  // Root, 2005, February, 28, March, 1: the lines each would convert.
  EXPECT_EQ(NodeLineCounts(s), (std::vector<int64_t>{4, 4, 2, 2, 2, 2}));
  const LogSummary summary = SummarizeLog(s);
  EXPECT_EQ(std::tuple(summary.lines, summary.persons, summary.channels, summary.first_day,
                       summary.last_day),
            std::tuple(4, 2, 2, "2005-02-28", "2005-03-01"));
  EXPECT_EQ(x.windows.events,
            Strings({"create", "show", "is_active", "caption " + Caption("0 / 4"),
                     "caption " + Caption("1 / 4"), "caption " + Caption("2 / 4"),
                     "caption " + Caption("3 / 4"), "caption " + Caption("4 / 4"), "close"}));
}

TEST(LoadPassTest, SettingsDecideBotLinesAndDepth) {
  Loaded x;
  Load(x, kFourLinesAndABotLine, LoadSettings{.suppress_bot_lines = false, .depth = "Hour"});
  EXPECT_EQ(x.state.input_lines().size(), 5u);
  EXPECT_EQ(Names(x.state.persons), Strings({"Alice", "Bob", "Polbot"}));
  EXPECT_EQ(x.state.time_tree.size(), 8);  // an hour node under each day
  EXPECT_EQ(NodeLineCounts(x.state), (std::vector<int64_t>{5, 5, 3, 3, -1, 2, 2, -1}));
}

TEST(LoadPassTest, CapturesCountRawLinesAndSkipRejectedOnes) {
  Loaded x;
  Load(x, "[1,C,Al,0]a\nno header\n[1,C,Al,0]c");
  EXPECT_EQ(Join(x.state.input_lines()), "[1,C,Al,0]a\n[1,C,Al,0]c\n");
  EXPECT_EQ(x.windows.Captions(), Strings({Caption("0 / 2"), Caption("1 / 2"), Caption("2 / 2")}));
}

TEST(LoadPassTest, EmptyFileAndBotOnlyFile) {
  for (const char* bytes : {"", "[1,C,\"Polbot\",5]x\n[1,C,\"Polbot\",6]y\n"}) {
    Loaded x;
    x.state.year_runs = {"old"};
    Load(x, bytes);
    EXPECT_TRUE(x.state.input_lines().empty());
    EXPECT_TRUE(x.state.persons.empty());
    EXPECT_TRUE(x.state.channels.empty()) << bytes;
    EXPECT_TRUE(x.state.year_runs.empty());
    EXPECT_TRUE(x.state.day_runs.empty());
    EXPECT_EQ(x.state.time_tree.size(), 1);
    EXPECT_EQ(SummarizeLog(x.state).first_day, "");
  }
  Loaded empty;
  Load(empty, "");
  EXPECT_EQ(empty.windows.events, Strings({"create", "show", "is_active", "close"}));
}

TEST(LoadPassTest, ListsMergeNamesIgnoringCaseKeepingTheFirstSpelling) {
  Loaded x;
  Load(x,
       "[1,\"clan\",\"Bob\",1]a\n[1,\"CLAN\",\"BOB\",2]b\n[1,\"Org\",\"\",3]c\n"
       "[1,\"\",\"alice\",4]d\n[1,\"Org\",\"carl\",5]e\n[1,\"Org\",\"bob\",6]f\n"
       "[1,\"Ooc\",\"Zed\",7]g\n[1,\"\xe9t\xe9\",\"_x\",8]h\n");
  EXPECT_EQ(x.state.input_lines().size(), 8u);  // empty names still make input lines
  EXPECT_EQ(Names(x.state.persons), Strings({"_x", "alice", "Bob", "carl", "Zed"}));
  EXPECT_EQ(Names(x.state.channels), Strings({"clan", "Ooc", "Org", "\xe9t\xe9"}));
  for (const ListEntry& e : x.state.persons) EXPECT_FALSE(e.selected);
}

TEST(LoadPassTest, ManyNames) {
  Loaded x;
  std::string log;
  for (int i = 299; i >= 0; --i) {
    log += "[1,C" + std::to_string(i % 40) + ",p" + std::to_string(i) + ",1]a\n";
    log += "[1,c" + std::to_string(i % 40) + ",P" + std::to_string(i) + ",1]b\n";
  }
  Load(x, log);
  ASSERT_EQ(x.state.persons.size(), 300u);
  ASSERT_EQ(x.state.channels.size(), 40u);
  EXPECT_EQ(x.state.persons.front().name, "p0");
  EXPECT_EQ(x.state.persons.back().name, "p99");
  EXPECT_EQ(x.state.channels[1].name, "C1");

  // Names of 1 to 20 bytes that differ from another in one byte only, at
  // every position: the lookup tells each apart.
  log.clear();
  std::size_t distinct = 0;
  for (std::size_t length = 1; length <= 20; ++length) {
    const std::string base(length, 'a');
    log += "[1,c,\"" + base + "\",1]a\n";
    for (std::size_t k = 0; k < length; ++k) {
      std::string name = base;
      name[k] = 'b';
      log += "[1,c,\"" + name + "\",1]a\n[1,c,\"" + base + "\",1]a\n";
    }
    distinct += 1 + length;
  }
  Load(x, log);
  EXPECT_EQ(x.state.persons.size(), distinct);
}

TEST(LoadPassTest, LoadingTwiceGivesTheSameState) {
  Loaded x;
  Load(x, kFourLinesAndABotLine);
  const std::string inputs = Join(x.state.input_lines());
  const Strings persons = Names(x.state.persons), days = x.state.day_runs;
  const int nodes = x.state.time_tree.size();
  x.state.persons[0].selected = true;
  x.state.time_tree.node(1).selected = true;
  x.state.ReplaceRawLines(LineStore::FromBytes(kFourLinesAndABotLine));
  RunLoadPass(x.state, {}, x.windows);
  EXPECT_EQ(Join(x.state.input_lines()), inputs);
  EXPECT_EQ(Names(x.state.persons), persons);
  EXPECT_FALSE(x.state.persons[0].selected);
  EXPECT_EQ(x.state.day_runs, days);
  EXPECT_EQ(x.state.time_tree.size(), nodes);
  EXPECT_FALSE(x.state.time_tree.node(1).selected);
}

TEST(LoadPassTest, InactiveWindowProcessesNoLine) {
  Loaded x;
  x.windows.active = false;
  Load(x, kFourLinesAndABotLine);
  EXPECT_TRUE(x.state.input_lines().empty());
  EXPECT_TRUE(x.state.day_runs.empty());
  EXPECT_EQ(x.windows.events, Strings({"create", "show", "is_active", "close"}));
}

TEST(LoadPassTest, BadTimeStampLeavesThePartialState) {
  Loaded x;
  Load(x, kFourLinesAndABotLine);
  const Strings previous_days = x.state.day_runs;
  x.windows.events.clear();
  // The third line's person holds a comma, so its time stamp text is "Bob".
  x.state.ReplaceRawLines(
      LineStore::FromBytes("[1,\"OOC\",\"Alice\",1109628000]a\n"
                           "[1,\"OOC\",\"Carl\",1109721600]b\n"
                           "[1,\"Org, Inc\",\"Bob\",1109721700]c\n"
                           "[1,\"OOC\",\"Dora\",1109721800]d\n"));
  try {
    RunLoadPass(x.state, {}, x.windows);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "'Bob' ist kein g\xc3\xbcltiger Integerwert");
  }
  const ChatState& s = x.state;
  EXPECT_EQ(s.raw_lines().size(), 4u);
  EXPECT_EQ(s.input_lines().size(), 2u);
  EXPECT_TRUE(s.persons.empty());
  EXPECT_TRUE(s.channels.empty());
  EXPECT_EQ(s.day_runs, previous_days);  // the previous load's runs
  EXPECT_EQ(s.time_tree.size(), 4);      // root, 2005, February, 28
  EXPECT_EQ(x.windows.Captions(), Strings({Caption("0 / 3"), Caption("1 / 3")}));
  EXPECT_EQ(x.windows.events.back(), "close");
}

// Whatever the threads and chunks, a load gives what one pass gives: the
// same state, captions and failure.
TEST(LoadPassTest, ThreadsAndChunksChangeNothing) {
  auto outcome = [](const std::string& log, const PassThreads& threads) {
    Loaded x;
    x.state.ReplaceRawLines(LineStore::FromBytes(log));
    std::string error;
    try {
      RunLoadPass(x.state, {}, x.windows, threads);
    } catch (const Error& e) {
      error = e.what();
    }
    Strings all = x.windows.events;
    all.push_back(error + "|" + Join(x.state.input_lines()));
    for (const auto* list : {&x.state.persons, &x.state.channels}) {
      for (const std::string& name : Names(*list)) all.push_back(name);
    }
    for (const auto* runs : {&x.state.year_runs, &x.state.month_runs, &x.state.day_runs}) {
      all.insert(all.end(), runs->begin(), runs->end());
    }
    for (int id = 0; id < x.state.time_tree.size(); ++id) {
      all.push_back(x.state.time_tree.node(id).text);
    }
    return all;
  };
  std::string names_and_days;
  for (int i = 0; i < 40; ++i) {
    names_and_days += "[1,\"C" + std::to_string(i % 7) + "\",\"" + (i % 3 ? "p" : "P") +
                      std::to_string(i % 11) + "\"," + std::to_string(1109628000 + i * 20000) +
                      "]x\n" + (i % 5 ? "" : "no header\n");
  }
  const std::string logs[] = {kFourLinesAndABotLine, names_and_days,
                              names_and_days + "[1,C,P,bad]\n[1,C,P,worse]\n" + names_and_days};
  for (const std::string& log : logs) {
    const Strings one_pass = outcome(log, {.count = 1, .lines_per_chunk = 1000});
    for (unsigned count : {1u, 2u, 4u}) {
      for (std::size_t lines : {1u, 2u, 7u}) {
        EXPECT_EQ(outcome(log, {.count = count, .lines_per_chunk = lines}), one_pass)
            << count << " threads, " << lines << " lines a chunk";
      }
    }
  }
}

TEST(LoadPassTest, BadInputLoadsWithoutCrashing) {
  Loaded x;
  std::string bytes = std::string("\0\0\xff[", 4) + "\r[1,C,P,7]ok\r" + std::string(100000, 'x') +
                      "\r[1]short header\r[1,C,P,8";
  Load(x, bytes);
  EXPECT_EQ(Join(x.state.input_lines()), "[1,C,P,7]ok\n[1,C,P,8\n");
  EXPECT_EQ(x.state.raw_lines().size(), 5u);
}

}  // namespace
}  // namespace quorlix
