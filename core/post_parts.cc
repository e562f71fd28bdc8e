#include "core/post_parts.h"

#include <algorithm>
#include <limits>

namespace quorlix {

std::optional<PostPart> PostCutter::Add(std::size_t line_size) {
  const std::uint64_t bytes = line_size + kLineBreakBytes;
  std::optional<PostPart> closed;
  const bool fits = limit_ == 0 || current_.bytes + bytes <= limit_;
  if (!fits && current_.first != current_.end) {
    closed = current_;
    current_ = PostPart{current_.end, current_.end, 0, false};
  }
  current_.bytes += bytes;
  ++current_.end;
  current_.over_limit = limit_ != 0 && current_.bytes > limit_;
  return closed;
}

std::vector<PostPart> SplitIntoParts(const std::vector<std::string>& lines, std::uint64_t limit) {
  return SplitIntoParts(
      lines.size(), [&lines](std::size_t i) { return lines[i].size(); }, limit);
}

std::size_t PartOfLine(const std::vector<PostPart>& parts, std::size_t line) {
  const auto after = std::upper_bound(
      parts.begin(), parts.end(), line,
      [](std::size_t value, const PostPart& part) { return value < part.first; });
  return after == parts.begin() ? 0 : static_cast<std::size_t>(after - parts.begin()) - 1;
}

std::optional<std::uint64_t> ParsePostLimit(std::string_view text) {
  if (text.empty()) return std::nullopt;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return value;
}

}  // namespace quorlix
