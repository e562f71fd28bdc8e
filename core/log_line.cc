#include "core/log_line.h"

#include <cstring>
#include <limits>

#include "core/error.h"
#include "core/text_util.h"

namespace quorlix {
namespace {

// Calls `on_field(index, field)` for the header fields 0..3 as Explode at ","
// with limit 0 cuts them (no trailing empty field), and returns how many
// fields the header has in all.
template <typename OnField>
std::size_t ForEachHeaderField(std::string_view header, OnField on_field) {
  std::size_t count = 0;
  std::size_t pos = 0;
  while (pos < header.size()) {
    std::size_t comma = header.find(',', pos);
    if (comma == std::string_view::npos) comma = header.size();
    if (count < 4) on_field(count, header.substr(pos, comma - pos));
    ++count;
    pos = comma + 1;
  }
  return count;
}

void AssignWithoutQuotes(std::string_view field, std::string& out) {
  out.clear();
  for (std::size_t pos = 0; pos < field.size();) {
    std::size_t quote = field.find('"', pos);
    if (quote == std::string_view::npos) quote = field.size();
    out.append(field.data() + pos, quote - pos);
    pos = quote + 1;
  }
}

}  // namespace

void ParseLogLine(std::string_view line, LogRecord& record) {
  std::string* const fields[] = {&record.channel_id, &record.channel_name,
                                 &record.person, &record.timestamp_text};
  for (std::string* field : fields) field->clear();
  ForEachHeaderField(SplitAtChar(line, ']', 1),
                     [&](std::size_t i, std::string_view field) {
                       AssignWithoutQuotes(field, *fields[i]);
                     });
  record.message = SplitAtChar(line, ']', 2);
}

LogRecord ParseLogLine(std::string_view line) {
  LogRecord record;
  ParseLogLine(line, record);
  return record;
}

bool AcceptLogLine(std::string_view line, bool suppress_bot_lines) {
  const std::string_view header = SplitAtChar(line, ']', 1);
  if (header.find('[') == std::string_view::npos) return false;
  std::string_view person;
  const std::size_t fields =
      ForEachHeaderField(header, [&](std::size_t i, std::string_view field) {
        if (i == 2) person = field;
      });
  if (fields < 4) return false;  // a truncated or malformed header
  return !(suppress_bot_lines && person == kBotPersonField);
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
    throw Error("'" + Latin1ToUtf8(text) + "' ist kein gültiger Integerwert");
  }
  return static_cast<int32_t>(value);
}

}  // namespace quorlix
