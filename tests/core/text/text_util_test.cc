#include "core/text/text_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorlix {
namespace {

using Pieces = std::vector<std::string_view>;

TEST(SplitAtChar, TakesTheTextAroundTheFirstSeparator) {
  struct Case {
    std::string_view text;
    std::string_view before, after;
  };
  const Case cases[] = {
      {"abc]def]g", "abc", "def]g"},
      {"abc", "abc", ""},
      {"]x", "", "x"},
      {"abc]", "abc", ""},
      {"", "", ""},
      {std::string_view("a\0]\xff", 4), std::string_view("a\0", 2), "\xff"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitAtChar(c.text, ']', 1), c.before) << c.text;
    EXPECT_EQ(SplitAtChar(c.text, ']', 2), c.after) << c.text;
  }
}

TEST(Explode, CutsAtEverySeparatorWithoutATrailingEmptyPiece) {
  struct Case {
    std::string_view sep, text;
    int limit;
    Pieces want;
  };
  const Case cases[] = {
      {",", "a,b,,c", 0, {"a", "b", "", "c"}},
      {",", "a,b,", 0, {"a", "b"}},
      {",", ",a", 0, {"", "a"}},
      {",", ",", 0, {""}},
      {",", "", 0, {}},
      {"", "abc", 0, {"abc"}},
      {",", "a,b,c", 2, {"a", "b,c"}},
      {",", "a,b,c", 1, {"a,b,c"}},
      {",", "a,b,c", -1, {}},
      {"<a", "x<ay<az", 0, {"x", "y", "z"}},
      {"aa", "aaaaa", 0, {"", "", "a"}},
      {",", "abc", 0, {"abc"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Explode(c.sep, c.text, c.limit), c.want)
        << "'" << c.text << "' at '" << c.sep << "' limit " << c.limit;
  }
}

TEST(CountOccurrences, CountsWithoutOverlapAndCaseSensitively) {
  struct Case {
    std::string_view needle, text;
    std::size_t want;
  };
  const Case cases[] = {
      {"[", "[a[b", 2}, {"[", "abc", 0},   {"", "abc", 0}, {"a", "", 0},
      {"aa", "aaa", 1}, {"aa", "aaaa", 2}, {"A", "a", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CountOccurrences(c.needle, c.text), c.want) << c.needle << " in " << c.text;
  }
}

TEST(MonthName, NamesOneToTwelveAndLeavesOtherNumbersAlone) {
  std::string out = "before";
  MonthName(5, out);
  EXPECT_EQ(out, "May");
  MonthName(1, out);
  EXPECT_EQ(out, "January");
  MonthName(12, out);
  EXPECT_EQ(out, "December");
  for (unsigned n : {0u, 13u, 4294967295u}) {
    MonthName(n, out);
    EXPECT_EQ(out, "December");
  }
}

TEST(AsciiCase, LowersOnlyAToZ) {
  std::string text = "AbZ\xC4\xE4[@";
  AsciiLowerInPlace(text);
  EXPECT_EQ(text, "abz\xC4\xE4[@");
  EXPECT_TRUE(EqualsIgnoreAsciiCase("BoB", "bob"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("\xC4", "\xE4"));
  EXPECT_LT(CompareIgnoreAsciiCase("alice", "Bob"), 0);
  EXPECT_LT(CompareIgnoreAsciiCase("ab", "ABC"), 0);
}

}  // namespace
}  // namespace quorlix
