#include "core/log/time_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace quorlix {
namespace {

using Runs = std::vector<std::string>;

// The tree below the root, one node a line, indented one space per level.
std::string Dump(const TimeTree& tree, int node = TimeTree::kRoot) {
  std::string text;
  for (int child : tree.node(node).children) {
    text += std::string(static_cast<std::size_t>(tree.node(child).level - 1), ' ');
    text += tree.node(child).text + "\n";
    text += Dump(tree, child);
  }
  return text;
}

struct Indexed {
  TimeTree tree;
  Runs years, months, days;
};

Indexed Index(const std::vector<int64_t>& stamps, TreeDepth depth = TreeDepth::kDay) {
  Indexed result;
  TimeIndex index(result.tree, depth);
  index.Reset();
  for (std::size_t i = 0; i < stamps.size(); ++i) index.AddLine(static_cast<int64_t>(i), stamps[i]);
  index.Finish();
  result.years = index.year_runs();
  result.months = index.month_runs();
  result.days = index.day_runs();
  return result;
}

// 2005-02-28 22:00, 23:45, 2005-03-01 00:15, 10:00 (a bot line between the
// first two was dropped by the load).
const std::vector<int64_t> kAcrossMidnight = {1109628000, 1109634300, 1109636100, 1109671200};

TEST(TimeIndexTest, MonthAndDayRunsSplitAtMidnightUnderOneYear) {
  const Indexed x = Index(kAcrossMidnight);
  EXPECT_EQ(x.years, Runs({"1109628000;0;3"}));
  EXPECT_EQ(x.months, Runs({"1109628000;0;1", "1109636100;2;3"}));
  EXPECT_EQ(x.days, Runs({"1109628000;0;1", "1109636100;2;3"}));
  EXPECT_EQ(Dump(x.tree), "2005\n February\n  28\n March\n  1\n");
  EXPECT_EQ(x.tree.node(TimeTree::kRoot).text, "Rubi-Ka Standart Time");
}

TEST(TimeIndexTest, RunsAndTrees) {
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  struct Case {
    const char* name;
    std::vector<int64_t> stamps;
    TreeDepth depth;
    Runs years, months, days;
    std::string tree;
  };
  const Case cases[] = {
      {"year change, same month number",
       {1106222400, 1136462400},
       TreeDepth::kDay,
       {"1106222400;0;0", "1136462400;1;1"},
       {"1106222400;0;0", "1136462400;1;1"},
       {"1106222400;0;0", "1136462400;1;1"},
       "2005\n January\n  20\n2006\n January\n  5\n"},
      {"one line",
       {1109628000},
       TreeDepth::kDay,
       {"1109628000;0;0"},
       {"1109628000;0;0"},
       {"1109628000;0;0"},
       "2005\n February\n  28\n"},
      // Time going backwards stays in the open day; it never opens a run.
      {"backwards",
       {1109671200, 1000000000, 1109671300},
       TreeDepth::kDay,
       {"1109671200;0;2"},
       {"1109671200;0;2"},
       {"1109671200;0;2"},
       "2005\n March\n  1\n"},
      // Days without lines make no runs; 86399 s apart on one day is one run,
      // the next UTC midnight begins another.
      {"gaps and midnight",
       {1109635200, 1109721599, 1109721600, 1110000000},
       TreeDepth::kDay,
       {"1109635200;0;3"},
       {"1109635200;0;3"},
       {"1109635200;0;1", "1109721600;2;2", "1110000000;3;3"},
       "2005\n March\n  1\n  2\n  5\n"},
      {"depth Month: day runs still built",
       kAcrossMidnight,
       TreeDepth::kMonth,
       {"1109628000;0;3"},
       {"1109628000;0;1", "1109636100;2;3"},
       {"1109628000;0;1", "1109636100;2;3"},
       "2005\n February\n March\n"},
      // One hour node per day: the hour of the day's first line.
      {"depth Hour",
       kAcrossMidnight,
       TreeDepth::kHour,
       {"1109628000;0;3"},
       {"1109628000;0;1", "1109636100;2;3"},
       {"1109628000;0;1", "1109636100;2;3"},
       "2005\n February\n  28\n   22\n March\n  1\n   0\n"},
      {"depth Minute",
       {1109636100},
       TreeDepth::kMinute,
       {"1109636100;0;0"},
       {"1109636100;0;0"},
       {"1109636100;0;0"},
       "2005\n March\n  1\n   0\n    15\n"},
      {"depth Year",
       kAcrossMidnight,
       TreeDepth::kYear,
       {"1109628000;0;3"},
       {"1109628000;0;1", "1109636100;2;3"},
       {"1109628000;0;1", "1109636100;2;3"},
       "2005\n"},
      // The stamp 0 gets its nodes like any other instant.
      {"stamp 0",
       {0, 86400},
       TreeDepth::kDay,
       {"0;0;1"},
       {"0;0;1"},
       {"0;0;0", "86400;1;1"},
       "1970\n January\n  1\n  2\n"},
      // The ends of the 32-bit range: no overflow at the day boundaries.
      {"32-bit ends",
       {kMin, kMin + 1, kMax - 1, kMax},
       TreeDepth::kDay,
       {"-2147483648;0;1", "2147483646;2;3"},
       {"-2147483648;0;1", "2147483646;2;3"},
       {"-2147483648;0;1", "2147483646;2;3"},
       "1901\n December\n  13\n2038\n January\n  19\n"},
      {"no lines", {}, TreeDepth::kDay, {}, {}, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Indexed x = Index(c.stamps, c.depth);
    EXPECT_EQ(x.years, c.years);
    EXPECT_EQ(x.months, c.months);
    EXPECT_EQ(x.days, c.days);
    EXPECT_EQ(Dump(x.tree), c.tree);
  }
}

TEST(TimeIndexTest, ResetStartsAfresh) {
  TimeTree tree;
  TimeIndex index(tree, TreeDepth::kDay);
  index.Reset();
  index.AddLine(0, 1109628000);
  index.Finish();
  index.Reset();
  EXPECT_EQ(tree.size(), 1);
  index.AddLine(0, 1136462400);
  index.Finish();
  EXPECT_EQ(index.day_runs(), Runs({"1136462400;0;0"}));
  EXPECT_EQ(Dump(tree), "2006\n January\n  5\n");
}

TEST(TimeTreeTest, DepthNamesAreExact) {
  EXPECT_EQ(ParseTreeDepth("Month"), TreeDepth::kMonth);
  EXPECT_EQ(ParseTreeDepth("Day"), TreeDepth::kDay);
  EXPECT_EQ(ParseTreeDepth("Hour"), TreeDepth::kHour);
  EXPECT_EQ(ParseTreeDepth("Minute"), TreeDepth::kMinute);
  for (const char* other : {"Year", "minute", "DAY", "", " Day"}) {
    EXPECT_EQ(ParseTreeDepth(other), TreeDepth::kYear) << other;
  }
}

TEST(TimeTreeTest, OnlyTheLastChildIsReused) {
  TimeTree tree;
  AddToTimeTree(tree, 1104624000, TreeDepth::kDay);  // 2005-01-02
  AddToTimeTree(tree, 1136462400, TreeDepth::kDay);  // 2006-01-05
  AddToTimeTree(tree, 1104710400, TreeDepth::kDay);  // 2005-01-03: a new 2005
  EXPECT_EQ(Dump(tree), "2005\n January\n  2\n2006\n January\n  5\n2005\n January\n  3\n");
  EXPECT_EQ(LastChild(tree, TimeTree::kRoot), 7);
  EXPECT_EQ(LastChild(tree, 3), -1);  // a day node
}

TEST(TimeTreeTest, LevelOrdinalCountsDepthFirstPerLevel) {
  const Indexed x = Index(kAcrossMidnight);
  const TimeTree& t = x.tree;
  // Ids in order of creation: 2005, February, 28, March, 1.
  ASSERT_EQ(t.size(), 6);
  const int year = 1, february = 2, day28 = 3, march = 4, day1 = 5;
  EXPECT_EQ(LevelOrdinal(t, year), 0);
  EXPECT_EQ(LevelOrdinal(t, february), 0);
  EXPECT_EQ(LevelOrdinal(t, march), 1);
  EXPECT_EQ(LevelOrdinal(t, day28), 0);
  EXPECT_EQ(LevelOrdinal(t, day1), 1);
  EXPECT_EQ(LevelOrdinal(t, TimeTree::kRoot), -1);

  // Asked below a subtree, the counter starts there.
  int counter = 0;
  EXPECT_EQ(LevelOrdinal(t, year, day1, 3, counter), 1);
  counter = 0;
  EXPECT_EQ(LevelOrdinal(t, march, day28, 3, counter), -1);
  counter = 0;
  EXPECT_EQ(LevelOrdinal(t, -1, day1, 3, counter), -1);
  EXPECT_EQ(LevelOrdinal(t, 99), -1);
}

}  // namespace
}  // namespace quorlix
