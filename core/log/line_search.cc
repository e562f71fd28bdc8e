#include "core/log/line_search.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quorlix {
namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const bool upper = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
    table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(upper ? c + 0x20 : c);
  }
  // The capitals Windows-1252 puts below 0xA0: Š Œ Ž Ÿ.
  table[0x8A] = 0x9A;
  table[0x8C] = 0x9C;
  table[0x8E] = 0x9E;
  table[0x9F] = 0xFF;
  return table;
}
constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

inline unsigned char Fold(char c) { return kFold[static_cast<unsigned char>(c)]; }

constexpr std::size_t kCancelCheckEvery = 4096;

}  // namespace

CaseFoldedNeedle::CaseFoldedNeedle(std::string_view needle) {
  folded_.reserve(needle.size());
  for (char c : needle) folded_.push_back(static_cast<char>(Fold(c)));
  if (folded_.empty()) return;
  first_small_ = folded_[0];
  // The capital whose small form the first letter is (itself if none).
  first_capital_ = first_small_;
  for (int c = 0; c < 256; ++c) {
    if (c != static_cast<unsigned char>(first_small_) &&
        kFold[static_cast<std::size_t>(c)] == static_cast<unsigned char>(first_small_)) {
      first_capital_ = static_cast<char>(c);
    }
  }
}

std::size_t CaseFoldedNeedle::FindIn(std::string_view line, std::size_t from) const {
  const std::size_t n = folded_.size();
  if (n == 0 || line.size() < n || from > line.size() - n) return std::string_view::npos;
  const char* p = line.data() + from;
  const char* const end = line.data() + line.size() - n + 1;  // past the last start
  while (p < end) {
    const auto* small =
        static_cast<const char*>(std::memchr(p, first_small_, static_cast<std::size_t>(end - p)));
    const char* limit = small ? small : end;
    const auto* capital = first_capital_ == first_small_
                              ? nullptr
                              : static_cast<const char*>(std::memchr(
                                    p, first_capital_, static_cast<std::size_t>(limit - p)));
    const char* candidate = capital ? capital : small;
    if (candidate == nullptr) break;
    std::size_t i = 1;
    while (i < n && static_cast<char>(Fold(candidate[i])) == folded_[i]) ++i;
    if (i == n) return static_cast<std::size_t>(candidate - line.data());
    p = candidate + 1;
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
