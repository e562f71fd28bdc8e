#include "core/log/line_search.h"

#include <gtest/gtest.h>

namespace quorlix {
namespace {

using Rows = std::vector<int32_t>;

TEST(LineSearch, MatchesIgnoringLetterCase) {
  const std::vector<std::string_view> lines = {
      "[1,OOC,Bob,5]Hello World", "[1,OOC,Ann,6]hello",     "[1,OOC,Ann,7]gr\xdc\xdf",
      "[1,OOC,Ann,8]x \x8a\x9f",  "[1,OOC,Ann,9]abcabcabd", "[1,OOC,Cy,10]ab Ax x\xf7 \xfe"};
  const struct {
    std::string_view needle;
    Rows rows;
  } cases[] = {
      {"hello", {0, 1}}, {"HELLO w", {0}}, {"WORLD", {0}},        {"gr\xfc\xdf", {2}},
      {"GR\xdc", {2}},   {"abcabd", {4}},  {"ann", {1, 2, 3, 4}}, {"[1,ooc", {0, 1, 2, 3, 4, 5}},
      {"nowhere", {}},   {"", {}},         {"\x9a\xff", {3}},  // Š Ÿ found as š ÿ
      {"x\xd7", {}},   // × is no capital: it matches only itself, not ÷
      {"\xde", {5}},   // Þ finds þ
      {"ab", {4, 5}},  // the small a before the capital of "Ax" is a start too
  };
  const std::atomic<bool> go{false};
  for (const auto& c : cases) {
    EXPECT_EQ(FindMatchingLines(lines, CaseFoldedNeedle(c.needle), go), c.rows) << c.needle;
  }
  const std::atomic<bool> cancelled{true};
  EXPECT_EQ(FindMatchingLines(lines, CaseFoldedNeedle("hello"), cancelled), Rows());
  EXPECT_EQ(CaseFoldedNeedle("O").FindIn("hello world", 5), 7u);
}

TEST(LineSearch, NextAndPreviousMatchWrap) {
  const Rows matches = {3, 8, 20};
  const struct {
    int32_t row;
    bool backward;
    int32_t next;
  } cases[] = {{-1, false, 3}, {3, false, 8}, {10, false, 20}, {20, false, 3}, {25, false, 3},
               {20, true, 8},  {8, true, 3},  {3, true, 20},   {0, true, 20},  {-1, true, 20}};
  for (const auto& c : cases) EXPECT_EQ(NextMatch(matches, c.row, c.backward), c.next) << c.row;
  EXPECT_EQ(NextMatch({}, 5, false), -1);
}

}  // namespace
}  // namespace quorlix
