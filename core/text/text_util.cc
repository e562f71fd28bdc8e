#include "core/text/text_util.h"

#include <algorithm>
#include <charconv>

namespace quorlix {

void AppendNumber(int64_t value, std::string& out) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

std::string_view SplitAtChar(std::string_view text, char separator, int part) {
  const std::size_t p = text.find(separator);
  if (part == 1) return p == std::string_view::npos ? text : text.substr(0, p);
  return p == std::string_view::npos ? std::string_view() : text.substr(p + 1);
}

void Explode(std::string_view separator, std::string_view text, int limit,
             std::vector<std::string_view>& pieces) {
  pieces.clear();
  if (text.empty() || limit < 0) return;
  if (separator.empty()) {
    pieces.push_back(text);
    return;
  }
  std::size_t pos = 0;
  while (pos < text.size()) {
    const bool last_allowed = limit > 0 && pieces.size() + 1 == static_cast<std::size_t>(limit);
    const std::size_t match = text.find(separator, pos);
    if (match != std::string_view::npos && !last_allowed) {
      pieces.push_back(text.substr(pos, match - pos));
      pos = match + separator.size();
    } else {
      pieces.push_back(text.substr(pos));
      pos = text.size();
    }
  }
}

std::vector<std::string_view> Explode(std::string_view separator, std::string_view text,
                                      int limit) {
  std::vector<std::string_view> pieces;
  Explode(separator, text, limit, pieces);
  return pieces;
}

std::size_t CountOccurrences(std::string_view needle, std::string_view text) {
  if (needle.empty()) return 0;
  std::size_t count = 0;
  for (std::size_t pos = text.find(needle); pos != std::string_view::npos;
       pos = text.find(needle, pos + needle.size())) {
    ++count;
  }
  return count;
}

void MonthName(unsigned month, std::string& out) {
  static constexpr const char* kNames[] = {"January",   "February", "March",    "April",
                                           "May",       "June",     "July",     "August",
                                           "September", "October",  "November", "December"};
  if (month >= 1 && month <= 12) out = kNames[month - 1];
}

void AsciiLowerInPlace(std::string& text) {
  for (char& c : text) c = AsciiLower(c);
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareIgnoreAsciiCase(a, b) == 0;
}

int CompareIgnoreAsciiCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
    const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace quorlix
