// Finding text in the input lines, ignoring letter case: A to Z, À to Þ
// (but ×) and Š Œ Ž Ÿ match their small forms, as the bytes show in
// Windows-1252. Lines are bytes, one character each, as everywhere in the
// engine.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

// A needle prepared once and matched against many lines, so a search
// allocates nothing per line. Candidates are the places of the needle's
// first letter in either case, found with memchr (the C library scans many
// bytes per step); only they are compared whole.
class CaseFoldedNeedle {
 public:
  explicit CaseFoldedNeedle(std::string_view needle);

  bool empty() const { return folded_.empty(); }
  std::size_t size() const { return folded_.size(); }
  // The first match in `line` at or after `from`; npos when none.
  std::size_t FindIn(std::string_view line, std::size_t from = 0) const;

 private:
  std::string folded_;
  char first_small_ = 0, first_capital_ = 0;
};

// The rows of `lines` that hold `needle`, ascending. Gives up (returning what
// it found so far) as soon as `cancel` is set; it looks every few thousand
// lines. An empty needle matches nothing.
std::vector<int32_t> FindMatchingLines(const std::vector<std::string_view>& lines,
                                       const CaseFoldedNeedle& needle,
                                       const std::atomic<bool>& cancel);

// The matching row after `row` (or before it, going back), wrapping round
// the end; -1 when `matches` is empty. `row` may be -1 (before the first).
int32_t NextMatch(const std::vector<int32_t>& matches, int32_t row, bool backward);

}  // namespace quorlix
