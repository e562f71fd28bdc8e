#include "core/log/time_span.h"

#include <charconv>

#include "core/line/line_fields.h"
#include "core/text/error.h"
#include "core/text/translation.h"
#include "core/text/utc_time.h"

namespace quorlix {
namespace {

// Exactly `digits` decimal digits at `pos`, within [low, high].
bool ReadField(std::string_view text, std::size_t pos, std::size_t digits, int low, int high,
               int& value) {
  if (pos + digits > text.size()) return false;
  for (std::size_t i = pos; i < pos + digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  std::from_chars(text.data() + pos, text.data() + pos + digits, value);
  return value >= low && value <= high;
}

unsigned DaysInMonth(int year, int month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

bool ParseUtcDateTime(std::string_view text, int64_t& seconds) {
  // YYYY-MM-DD, then optionally T (or a space) HH:MM, then optionally :SS.
  if (text.size() != 10 && text.size() != 16 && text.size() != 19) return false;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!ReadField(text, 0, 4, 0, 9999, year) || text[4] != '-' ||
      !ReadField(text, 5, 2, 1, 12, month) || text[7] != '-' ||
      !ReadField(text, 8, 2, 1, static_cast<int>(DaysInMonth(year, month)), day)) {
    return false;
  }
  if (text.size() > 10) {
    if ((text[10] != 'T' && text[10] != ' ') || !ReadField(text, 11, 2, 0, 23, hour) ||
        text[13] != ':' || !ReadField(text, 14, 2, 0, 59, minute)) {
      return false;
    }
  }
  if (text.size() > 16 && (text[16] != ':' || !ReadField(text, 17, 2, 0, 59, second))) {
    return false;
  }
  seconds = FromUtc(year, static_cast<unsigned>(month), static_cast<unsigned>(day),
                    static_cast<unsigned>(hour), static_cast<unsigned>(minute),
                    static_cast<unsigned>(second));
  return true;
}

std::string ParseTimeSpan(std::string_view from, std::string_view to, TimeSpan& span) {
  span = TimeSpan{};
  for (auto [text, bound] : {std::pair{from, &span.from}, std::pair{to, &span.to}}) {
    if (text.empty()) continue;
    int64_t seconds = 0;
    if (!ParseUtcDateTime(text, seconds)) {
      return FormatText(
          Tr("'%s' is no UTC time YYYY-MM-DD, YYYY-MM-DDTHH:MM or YYYY-MM-DDTHH:MM:SS"), {text});
    }
    *bound = seconds;
  }
  if (span.from && span.to && *span.from >= *span.to) {
    return FormatText(Tr("the start '%s' is not earlier than the end '%s'"), {from, to});
  }
  return {};
}

int64_t FirstLineAtOrAfter(const std::vector<std::string_view>& lines, int64_t t) {
  LineFields fields;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SplitLineFields(lines[i], fields);
    try {
      if (ReadTimestamp(fields.timestamp_text) >= t) return static_cast<int64_t>(i);
    } catch (const Error&) {
      // A line a load took in always has a number here; skip any other.
    }
  }
  return -1;
}

}  // namespace quorlix
