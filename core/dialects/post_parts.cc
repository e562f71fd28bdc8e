#include "core/dialects/post_parts.h"

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
  const auto after =
      std::upper_bound(parts.begin(), parts.end(), line,
                       [](std::size_t value, const PostPart& part) { return value < part.first; });
  return after == parts.begin() ? 0 : static_cast<std::size_t>(after - parts.begin()) - 1;
}

namespace post_parts_detail {

void Splice(std::vector<PostPart>& parts, std::size_t from, std::vector<PostPart>& fresh,
            std::size_t resume, std::size_t removed, std::size_t inserted) {
  std::vector<PostPart> rest;
  if (resume != std::string::npos)
    rest.assign(parts.begin() + static_cast<std::ptrdiff_t>(resume), parts.end());
  for (PostPart& part : rest) {
    part.first = part.first + inserted - removed;
    part.end = part.end + inserted - removed;
  }
  parts.resize(from);
  parts.insert(parts.end(), fresh.begin(), fresh.end());
  parts.insert(parts.end(), rest.begin(), rest.end());
}

std::size_t PartStartingAt(const std::vector<PostPart>& parts, std::size_t from, std::size_t line) {
  const auto found = std::lower_bound(
      parts.begin() + static_cast<std::ptrdiff_t>(std::min(from, parts.size())), parts.end(), line,
      [](const PostPart& part, std::size_t value) { return part.first < value; });
  if (found == parts.end() || found->first != line) return std::string::npos;
  return static_cast<std::size_t>(found - parts.begin());
}

}  // namespace post_parts_detail

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
