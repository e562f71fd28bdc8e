// Calendar fields of a Unix time stamp in UTC, whatever the machine's time
// zone. Works on 64-bit seconds so that day arithmetic at the ends of the
// 32-bit range cannot overflow.
#pragma once

#include <cstdint>

namespace quorlix {

struct UtcTime {
  int64_t year;
  unsigned month;   // 1 to 12
  unsigned day;     // 1 to 31
  unsigned hour;    // 0 to 23
  unsigned minute;  // 0 to 59
  unsigned second;  // 0 to 59
};

UtcTime ToUtc(int64_t unix_seconds);

// The Unix seconds of a UTC date and time (the inverse of ToUtc). Fields
// out of their range carry over, as days past a month's end would.
int64_t FromUtc(int64_t year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0,
                unsigned second = 0);

// The UTC midnight that begins the day of `unix_seconds`.
int64_t UtcMidnight(int64_t unix_seconds);

inline constexpr int64_t kSecondsPerDay = 86400;

}  // namespace quorlix
