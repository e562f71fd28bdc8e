#include "core/text/utc_time.h"

namespace quorlix {
namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

}  // namespace

int64_t UtcMidnight(int64_t unix_seconds) {
  return FloorDiv(unix_seconds, kSecondsPerDay) * kSecondsPerDay;
}

// Civil-from-days over the proleptic Gregorian calendar, counting eras of
// 400 years from 0000-03-01 so that leap days fall at the end of a year.
UtcTime ToUtc(int64_t unix_seconds) {
  const int64_t days = FloorDiv(unix_seconds, kSecondsPerDay);
  const int64_t secs = unix_seconds - days * kSecondsPerDay;

  const int64_t z = days + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;                                       // [0, 146096]
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // [0, 365]
  const int64_t mp = (5 * doy + 2) / 153;                                     // [0, 11]
  const unsigned day = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  const unsigned month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);

  return UtcTime{year,
                 month,
                 day,
                 static_cast<unsigned>(secs / 3600),
                 static_cast<unsigned>(secs / 60 % 60),
                 static_cast<unsigned>(secs % 60)};
}

// Days-from-civil, the inverse of the count above.
int64_t FromUtc(int64_t year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                unsigned second) {
  const int64_t y = year - (month <= 2 ? 1 : 0);
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t mp = month > 2 ? month - 3 : month + 9;
  const int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days = era * 146097 + doe - 719468;
  return days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

}  // namespace quorlix
