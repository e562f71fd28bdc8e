#include "core/dialects/post_parts.h"

#include <gtest/gtest.h>

#include <random>

namespace quorlix {
namespace {

// Lines by size only: the splitter never looks at their bytes.
std::vector<PostPart> Split(const std::vector<std::size_t>& sizes, std::uint64_t limit) {
  return SplitIntoParts(
      sizes.size(), [&sizes](std::size_t i) { return sizes[i]; }, limit);
}

TEST(PostParts, Edges) {
  struct Case {
    const char* name;
    std::vector<std::size_t> sizes;
    std::uint64_t limit;
    std::vector<PostPart> parts;
  } cases[] = {
      {"empty output is one empty part", {}, 10, {{0, 0, 0, false}}},
      {"exact fit", {3, 3}, 10, {{0, 2, 10, false}}},
      {"one byte over", {3, 3}, 9, {{0, 1, 5, false}, {1, 2, 5, false}}},
      {"greedy, in order", {1, 1, 5, 1}, 10, {{0, 2, 6, false}, {2, 4, 10, false}}},
      {"a long line alone, over the limit",
       {1, 20, 1},
       10,
       {{0, 1, 3, false}, {1, 2, 22, true}, {2, 3, 3, false}}},
      {"a long line first", {20, 1}, 10, {{0, 1, 22, true}, {1, 2, 3, false}}},
      // The UBB footer: an empty line and the credit line, cut like any.
      {"footer lines are ordinary", {6, 0, 40}, 10, {{0, 2, 10, false}, {2, 3, 42, true}}},
      {"limit 0 is one part", {5, 50000, 0}, 0, {{0, 3, 50011, false}}},
      {"limit 1: one line per part", {0, 3}, 1, {{0, 1, 2, true}, {1, 2, 5, true}}},
      {"limit 2: an empty line fits",
       {0, 0, 1},
       2,
       {{0, 1, 2, false}, {1, 2, 2, false}, {2, 3, 3, true}}},
      {"limit 2^63 is one part", {1, 2, 3}, std::uint64_t{1} << 63, {{0, 3, 12, false}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Split(c.sizes, c.limit), c.parts) << c.name;
  }
}

// Joined, the parts are the output; each stays within the limit unless
// it is one line that alone exceeds it.
TEST(PostParts, CoverTheOutputExactly) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < 300; ++i) lines.emplace_back((i * 37) % 101, 'x');
  for (std::uint64_t limit : {0u, 1u, 50u, 102u, 103u, 1000u, 10000u, 100000u}) {
    const std::vector<PostPart> parts = SplitIntoParts(lines, limit);
    std::size_t next = 0;
    for (const PostPart& part : parts) {
      EXPECT_EQ(part.first, next) << limit;
      EXPECT_LT(part.first, part.end) << limit;
      std::uint64_t bytes = 0;
      for (std::size_t i = part.first; i < part.end; ++i) bytes += lines[i].size() + 2;
      EXPECT_EQ(part.bytes, bytes);
      EXPECT_EQ(part.over_limit, limit != 0 && bytes > limit);
      if (part.over_limit) {
        EXPECT_EQ(part.end - part.first, 1u);
      }
      next = part.end;
    }
    EXPECT_EQ(next, lines.size()) << limit;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      EXPECT_EQ(PartOfLine(parts, parts[i].first), i);
      EXPECT_EQ(PartOfLine(parts, parts[i].end - 1), i);
    }
  }
}

// After any edit the parts brought up to date equal a fresh cut.
TEST(PostParts, UpdateAfterEditsEqualsAFreshCut) {
  std::mt19937 random(11);
  auto size = [&random] { return static_cast<std::size_t>(random() % 60); };
  for (std::uint64_t limit : {0u, 1u, 40u, 100u, 250u}) {
    std::vector<std::size_t> sizes(50);
    for (std::size_t& s : sizes) s = size();
    std::vector<PostPart> parts = Split(sizes, limit);
    for (int edit = 0; edit < 300; ++edit) {
      const std::size_t first = random() % (sizes.size() + 1);
      const std::size_t removed = std::min<std::size_t>(random() % 4, sizes.size() - first);
      const std::size_t inserted = random() % 4;
      std::vector<std::size_t> added(inserted);
      for (std::size_t& s : added) s = size();
      sizes.erase(sizes.begin() + first, sizes.begin() + first + removed);
      sizes.insert(sizes.begin() + first, added.begin(), added.end());
      UpdateParts(
          parts, first, removed, inserted, sizes.size(),
          [&sizes](std::size_t i) { return sizes[i]; }, limit);
      ASSERT_EQ(parts, Split(sizes, limit)) << "limit " << limit << ", edit " << edit;
    }
  }
}

TEST(PostParts, ParsesLimits) {
  struct Case {
    std::string_view text;
    std::optional<std::uint64_t> value;
  } cases[] = {
      {"0", 0},
      {"10000", 10000},
      {"007", 7},
      {"9223372036854775808", std::uint64_t{1} << 63},
      {"99999999999999999999999", UINT64_MAX},
      {"", std::nullopt},
      {"-1", std::nullopt},
      {"+5", std::nullopt},
      {" 5", std::nullopt},
      {"5k", std::nullopt},
      {"1.5", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParsePostLimit(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace quorlix
