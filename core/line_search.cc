#include "core/line_search.h"

#include <algorithm>

namespace quorlix {
namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const bool upper = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
    table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(upper ? c + 0x20 : c);
  }
  return table;
}
constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

inline unsigned char Fold(char c) { return kFold[static_cast<unsigned char>(c)]; }

constexpr std::size_t kCancelCheckEvery = 4096;

}  // namespace

CaseFoldedNeedle::CaseFoldedNeedle(std::string_view needle) {
  folded_.reserve(needle.size());
  for (char c : needle) folded_.push_back(static_cast<char>(Fold(c)));
  skip_.fill(folded_.size());
  for (std::size_t i = 0; i + 1 < folded_.size(); ++i) {
    skip_[static_cast<unsigned char>(folded_[i])] = folded_.size() - 1 - i;
  }
  // An unfolded capital in the line must skip as its small form does.
  for (int c = 0; c < 256; ++c) skip_[static_cast<std::size_t>(c)] = skip_[kFold[static_cast<std::size_t>(c)]];
}

std::size_t CaseFoldedNeedle::FindIn(std::string_view line, std::size_t from) const {
  const std::size_t n = folded_.size();
  if (n == 0 || line.size() < n) return std::string_view::npos;
  const char last = folded_[n - 1];
  for (std::size_t pos = from; pos + n <= line.size();) {
    const char tail = line[pos + n - 1];
    if (static_cast<char>(Fold(tail)) == last) {
      std::size_t i = 0;
      while (i + 1 < n && static_cast<char>(Fold(line[pos + i])) == folded_[i]) ++i;
      if (i + 1 == n) return pos;
    }
    pos += skip_[static_cast<unsigned char>(tail)];
  }
  return std::string_view::npos;
}

std::vector<int32_t> FindMatchingLines(const std::vector<std::string_view>& lines,
                                       const CaseFoldedNeedle& needle,
                                       const std::atomic<bool>& cancel) {
  std::vector<int32_t> rows;
  if (needle.empty()) return rows;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i % kCancelCheckEvery == 0 && cancel.load(std::memory_order_relaxed)) break;
    if (needle.FindIn(lines[i]) != std::string_view::npos) rows.push_back(static_cast<int32_t>(i));
  }
  return rows;
}

int32_t NextMatch(const std::vector<int32_t>& matches, int32_t row, bool backward) {
  if (matches.empty()) return -1;
  if (backward) {
    auto it = std::lower_bound(matches.begin(), matches.end(), row);
    return it == matches.begin() ? matches.back() : *std::prev(it);
  }
  auto it = std::upper_bound(matches.begin(), matches.end(), row);
  return it == matches.end() ? matches.front() : *it;
}

}  // namespace quorlix
