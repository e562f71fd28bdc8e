#include "core/line_fields.h"

#include <cstring>
#include <limits>

#include "core/byte_scan.h"
#include "core/error.h"
#include "core/text_util.h"

namespace quorlix {
namespace {

// `field` without its double quotes: a view when they all stand at its
// ends, otherwise a copy into `scratch`.
std::string_view Unquoted(std::string_view field, bool has_quote, std::string& scratch) {
  if (!has_quote) return field;
  std::size_t begin = 0, end = field.size();
  while (begin < end && field[begin] == '"') ++begin;
  while (end > begin && field[end - 1] == '"') --end;
  const std::string_view inner = field.substr(begin, end - begin);
  if (std::memchr(inner.data(), '"', inner.size()) == nullptr) return inner;
  scratch.clear();
  for (char c : inner) {
    if (c != '"') scratch.push_back(c);
  }
  return scratch;
}


// The header's fields 1 to 3 without their quotes.
void SetFields(const std::string_view (&parts)[4], const bool (&quoted)[4], LineFields& f) {
  f.channel_name = Unquoted(parts[1], quoted[1], f.scratch[0]);
  f.person = Unquoted(parts[2], quoted[2], f.scratch[1]);
  f.timestamp_text = Unquoted(parts[3], quoted[3], f.scratch[2]);
}

// One pass over the header, byte by byte, for headers longer than a block.
void SplitLongHeader(std::string_view line, LineFields& f) {
  const char* const begin = line.data();
  const char* const end = begin + line.size();
  std::string_view parts[4];
  bool quoted[4] = {false, false, false, false};
  int count = 0;
  bool bracket = false;
  const char* field = begin;
  const char* p = begin;
  for (; p != end; ++p) {
    const char c = *p;
    if (c == ']') break;
    if (c == ',') {
      // As Explode at "," cuts: every comma ends a piece.
      if (count < 4) parts[count] = std::string_view(field, static_cast<std::size_t>(p - field));
      if (count < 5) ++count;
      field = p + 1;
    } else if (c == '"') {
      if (count < 4) quoted[count] = true;
    } else if (c == '[') {
      bracket = true;
    }
  }
  // The text after the last comma is a piece only when it is not empty.
  if (field < p) {
    if (count < 4) parts[count] = std::string_view(field, static_cast<std::size_t>(p - field));
    if (count < 5) ++count;
  }
  f.message = p != end ? std::string_view(p + 1, static_cast<std::size_t>(end - p - 1))
                       : std::string_view();
  f.has_bracket = bracket;
  f.field_count = count;
  f.raw_person = parts[2];
  SetFields(parts, quoted, f);
}

}  // namespace

// Headers are short: the first 64 bytes of the line are searched for all
// four marker bytes at once, and the fields are cut at the comma bits.
void SplitLineFields(std::string_view line, LineFields& f) {
  const HeaderMarks marks = ScanHeaderMarks(line);
  if (marks.close == 0 && line.size() > marks.scanned) {
    SplitLongHeader(line, f);
    return;
  }
  const std::size_t header_size =
      marks.close != 0 ? static_cast<std::size_t>(__builtin_ctzll(marks.close)) : line.size();
  const uint64_t in_header = BitRange(0, header_size);
  uint64_t commas = marks.comma & in_header;
  const uint64_t quotes = marks.quote & in_header;
  f.has_bracket = (marks.open & in_header) != 0;
  f.message = marks.close != 0 ? line.substr(header_size + 1) : std::string_view();

  std::string_view parts[4];
  bool quoted[4] = {false, false, false, false};
  int count = 0;
  std::size_t start = 0;
  f.raw_person = std::string_view();
  // As Explode at "," cuts: every comma ends a piece, and the text after
  // the last comma is a piece only when it is not empty.
  auto add_piece = [&](std::size_t end) {
    if (count < 4) {
      if (count == 2) f.raw_person = line.substr(start, end - start);
      const uint64_t field_quotes = quotes & BitRange(start, end);
      if (field_quotes != 0 && end - start >= 2 &&
          field_quotes == ((uint64_t{1} << start) | (uint64_t{1} << (end - 1)))) {
        // The common '"name"': quotes at both ends only.
        parts[count] = line.substr(start + 1, end - start - 2);
      } else {
        parts[count] = line.substr(start, end - start);
        quoted[count] = field_quotes != 0;
      }
    }
    ++count;
  };
  while (commas != 0 && count < 5) {
    const auto comma = static_cast<std::size_t>(__builtin_ctzll(commas));
    commas &= commas - 1;
    add_piece(comma);
    start = comma + 1;
  }
  if (start < header_size && count < 5) add_piece(header_size);
  f.field_count = count;
  SetFields(parts, quoted, f);
}

int32_t ReadTimestamp(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const std::size_t digits_start = pos;
  // Accumulate as a negative number so that INT32_MIN fits.
  int64_t value = 0;
  constexpr int64_t kLimit = -static_cast<int64_t>(std::numeric_limits<int32_t>::min());
  bool in_range = true;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = value * 10 + (text[pos] - '0');
    if (value > kLimit) in_range = false, value = kLimit + 1;
  }
  if (negative) value = -value;
  const bool valid = pos == text.size() && pos > digits_start && in_range &&
                     value >= std::numeric_limits<int32_t>::min() &&
                     value <= std::numeric_limits<int32_t>::max();
  if (!valid) {
    throw Error("'" + QuoteForMessage(text) + "' ist kein gültiger Integerwert");
  }
  return static_cast<int32_t>(value);
}

}  // namespace quorlix
