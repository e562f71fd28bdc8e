#include "core/line/line_fields.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/line/byte_scan.h"
#include "core/text/error.h"
#include "core/text/text_util.h"
#include "core/text/translation.h"

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

// The common header '[id,"channel","person",stamp]', whatever the id:
// three commas, the second and third fields quoted at both ends, and no
// other quote after the first comma. Sets the fields and returns true for
// such a header (its bit masks given), false for any other.
bool SplitCommonShape(const char* data, std::size_t header_size, uint64_t commas, uint64_t quotes,
                      LineFields& f) {
  // Exactly three comma bits (no popcount: the baseline processor lacks it).
  const uint64_t second_on = commas & (commas - 1);
  const uint64_t third_on = second_on & (second_on - 1);
  if (third_on == 0 || (third_on & (third_on - 1)) != 0) return false;
  const auto c1 = static_cast<std::size_t>(__builtin_ctzll(commas));
  const auto c2 = static_cast<std::size_t>(__builtin_ctzll(second_on));
  const auto c3 = static_cast<std::size_t>(__builtin_ctzll(third_on));
  if (c2 < c1 + 3 || c3 < c2 + 3 || c3 + 1 >= header_size) return false;
  const uint64_t after_first = quotes & ~BitRange(0, c1 + 1);
  const uint64_t expected = (uint64_t{1} << (c1 + 1)) | (uint64_t{1} << (c2 - 1)) |
                            (uint64_t{1} << (c2 + 1)) | (uint64_t{1} << (c3 - 1));
  if (after_first != expected) return false;
  f.field_count = 4;
  f.raw_person = std::string_view(data + c2 + 1, c3 - c2 - 1);
  f.channel_name = std::string_view(data + c1 + 2, c2 - c1 - 3);
  f.person = std::string_view(data + c2 + 2, c3 - c2 - 3);
  f.timestamp_text = std::string_view(data + c3 + 1, header_size - c3 - 1);
  return true;
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
  const char* const data = line.data();
  const std::size_t header_size =
      marks.close != 0 ? static_cast<std::size_t>(__builtin_ctzll(marks.close)) : line.size();
  const uint64_t in_header = BitRange(0, header_size);
  uint64_t commas = marks.comma & in_header;
  const uint64_t quotes = marks.quote & in_header;
  f.has_bracket = (marks.open & in_header) != 0;
  f.message = marks.close != 0
                  ? std::string_view(data + header_size + 1, line.size() - header_size - 1)
                  : std::string_view();

  if (SplitCommonShape(data, header_size, commas, quotes, f)) return;

  // As Explode at "," cuts: every comma ends a piece, and the text after
  // the last comma is a piece only when it is not empty.
  std::size_t begins[4] = {}, ends[4] = {};
  int count = 0;
  std::size_t begin = 0;
  while (commas != 0 && count < 5) {
    const auto comma = static_cast<std::size_t>(__builtin_ctzll(commas));
    commas &= commas - 1;
    if (count < 4) begins[count] = begin, ends[count] = comma;
    ++count;
    begin = comma + 1;
  }
  if (begin < header_size && count < 5) {
    if (count < 4) begins[count] = begin, ends[count] = header_size;
    ++count;
  }
  f.field_count = count;
  f.raw_person = std::string_view(data + begins[2], ends[2] - begins[2]);

  // Field k without its quotes: most often none, or one at each end.
  auto field = [&](int k, std::string& scratch) {
    const std::size_t b = begins[k], e = ends[k];
    const std::string_view whole(data + b, e - b);
    const uint64_t field_quotes = quotes & BitRange(b, e);
    if (field_quotes == 0) return whole;
    if (e - b >= 2 && field_quotes == ((uint64_t{1} << b) | (uint64_t{1} << (e - 1)))) {
      return std::string_view(data + b + 1, e - b - 2);
    }
    return Unquoted(whole, true, scratch);
  };
  f.channel_name = field(1, f.scratch[0]);
  f.person = field(2, f.scratch[1]);
  f.timestamp_text = field(3, f.scratch[2]);
}

LineHeader KeepHeader(std::string_view line, const LineFields& fields, int32_t time) {
  LineHeader header{};
  header.time = time;
  const std::size_t limit = std::min<std::size_t>(line.size(), 255);
  // Offsets from the line's start; a copy without its inner quotes lies
  // elsewhere and gives a value far beyond the limit.
  const auto start = reinterpret_cast<std::uintptr_t>(line.data());
  const std::size_t channel = reinterpret_cast<std::uintptr_t>(fields.channel_name.data()) - start;
  const std::size_t person = reinterpret_cast<std::uintptr_t>(fields.person.data()) - start;
  const std::size_t channel_end = channel + fields.channel_name.size();
  const std::size_t person_end = person + fields.person.size();
  // A message view ends the line; none means the line has no "]".
  const std::size_t message =
      fields.message.data() == nullptr ? line.size() : line.size() - fields.message.size();
  if (channel > limit || channel_end > limit || person != channel_end + kChannelToPerson ||
      person_end > limit || message > 255) {
    return header;
  }
  header.channel_begin = static_cast<uint8_t>(channel);
  header.channel_end = static_cast<uint8_t>(channel_end);
  header.person_end = static_cast<uint8_t>(person_end);
  header.message_begin = static_cast<uint8_t>(message);
  return header;
}

namespace {

// The value of eight ASCII digits, the first in the lowest byte; false
// when one of the bytes is not a digit. Works on all eight at once.
bool ReadEightDigits(const char* text, uint64_t& value) {
  uint64_t x;
  std::memcpy(&x, text, 8);
  // Each byte 0x30..0x39: high nibble 3, and adding 6 keeps it 3.
  const uint64_t high = x & 0xF0F0F0F0F0F0F0F0ull;
  const uint64_t high_after_six = (x + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull;
  if ((high | (high_after_six >> 4)) != 0x3333333333333333ull) return false;
  x -= 0x3030303030303030ull;
  x = x * 10 + (x >> 8);  // pairs of digits in every other byte
  x = (((x & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
       (((x >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
      32;
  value = x;
  return true;
}

// Time stamps are almost always 8 to 10 plain digits: read those at once.
bool ReadPlainTimestamp(std::string_view text, int32_t& value) {
  const std::size_t n = text.size();
  if (n < 8 || n > 10) return false;
  uint64_t head = 0;
  for (std::size_t i = 0; i < n - 8; ++i) {
    const auto digit = static_cast<unsigned>(static_cast<unsigned char>(text[i]) - '0');
    if (digit > 9) return false;
    head = head * 10 + digit;
  }
  uint64_t tail;
  if (!ReadEightDigits(text.data() + n - 8, tail)) return false;
  const uint64_t all = head * 100000000ull + tail;
  if (all > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return false;
  value = static_cast<int32_t>(all);
  return true;
}

}  // namespace

int32_t ReadTimestamp(std::string_view text) {
  if (int32_t value; ReadPlainTimestamp(text, value)) return value;
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
    throw Error(FormatText(Tr("'%s' is not a valid integer value"), {QuoteForMessage(text)}));
  }
  return static_cast<int32_t>(value);
}

}  // namespace quorlix
