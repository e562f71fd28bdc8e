// Exact, case-sensitive byte-string helpers that every other unit shares.
// Their behaviour at the edges (empty text, absent or trailing separator)
// decides which log lines are accepted and how they split, so it is fixed
// here once. Results are views into the caller's text: no copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

// part 1: the text before the first `separator` (the whole text when it is
// absent); part 2: the text after it (empty when absent).
std::string_view SplitAtChar(std::string_view text, char separator, int part);

// Cuts `text` at every `separator` into `pieces` (cleared first).
// Empty text or a negative limit: no pieces. Empty separator: the whole text.
// A separator at the very end makes no trailing empty piece. With limit > 0
// the piece number `limit` is the rest of the text.
void Explode(std::string_view separator, std::string_view text, int limit,
             std::vector<std::string_view>& pieces);
std::vector<std::string_view> Explode(std::string_view separator, std::string_view text,
                                      int limit = 0);

// Non-overlapping occurrences of `needle`, left to right; 0 for an empty
// needle or text.
std::size_t CountOccurrences(std::string_view needle, std::string_view text);

// Appends `value` in decimal digits, with "-" before a negative one.
void AppendNumber(int64_t value, std::string& out);

// Writes the English name of month 1 to 12 into `out`; any other number
// leaves `out` as it was.
void MonthName(unsigned month, std::string& out);

// Lower-casing that changes only "A" to "Z".
inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
void AsciiLowerInPlace(std::string& text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
// <0, 0, >0 like strcmp, comparing bytes after AsciiLower.
int CompareIgnoreAsciiCase(std::string_view a, std::string_view b);

}  // namespace quorlix
