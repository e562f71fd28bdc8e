#include "core/text/utc_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

namespace quorlix {
namespace {

// The tests run under TZ=QLX-14: a local-time slip would show everywhere.
TEST(ToUtc, GivesTheUtcCalendarOfChosenInstants) {
  const struct {
    int64_t stamp;
    int64_t year;
    unsigned month, day, hour, minute, second;
  } cases[] = {
      {0, 1970, 1, 1, 0, 0, 0},
      {-1, 1969, 12, 31, 23, 59, 59},
      {1109628000, 2005, 2, 28, 22, 0, 0},
      {1104635045, 2005, 1, 2, 3, 4, 5},
      {951782400, 2000, 2, 29, 0, 0, 0},
      {-2147483648LL, 1901, 12, 13, 20, 45, 52},
      {2147483647LL, 2038, 1, 19, 3, 14, 7},
      {4107542400LL, 2100, 3, 1, 0, 0, 0},
      {-62135596800LL, 1, 1, 1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const UtcTime t = ToUtc(c.stamp);
    EXPECT_EQ(t.year, c.year) << c.stamp;
    EXPECT_EQ(t.month, c.month) << c.stamp;
    EXPECT_EQ(t.day, c.day) << c.stamp;
    EXPECT_EQ(t.hour, c.hour) << c.stamp;
    EXPECT_EQ(t.minute, c.minute) << c.stamp;
    EXPECT_EQ(t.second, c.second) << c.stamp;
    EXPECT_EQ(FromUtc(c.year, c.month, c.day, c.hour, c.minute, c.second), c.stamp);
  }
}

// Windows' C library answers nothing before 1970: there the years before
// are held against the table above only.
#ifdef _WIN32
constexpr int64_t kCLibraryFrom = 0;
#else
constexpr int64_t kCLibraryFrom = INT32_MIN;
#endif

TEST(ToUtc, AgreesWithTheCLibraryOverTheWholeThirtyTwoBitRange) {
  for (int64_t stamp = kCLibraryFrom; stamp <= INT32_MAX; stamp += 9973) {
    const time_t value = static_cast<time_t>(stamp);
    std::tm tm{};
    ASSERT_NE(gmtime_r(&value, &tm), nullptr);
    const UtcTime t = ToUtc(stamp);
    ASSERT_EQ(t.year, tm.tm_year + 1900) << stamp;
    ASSERT_EQ(t.month, static_cast<unsigned>(tm.tm_mon + 1)) << stamp;
    ASSERT_EQ(t.day, static_cast<unsigned>(tm.tm_mday)) << stamp;
    ASSERT_EQ(t.hour * 3600 + t.minute * 60 + t.second,
              static_cast<unsigned>(tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec))
        << stamp;
  }
}

TEST(UtcMidnight, RoundsDownToTheStartOfTheUtcDay) {
  const struct {
    int64_t stamp, midnight;
  } cases[] = {
      {0, 0},
      {86399, 0},
      {86400, 86400},
      {-1, -86400},
      {-86400, -86400},
      {-86401, -172800},
      {1109628000, 1109548800},
      {2147483647LL, 2147472000LL},
      {-2147483648LL, -2147558400LL},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UtcMidnight(c.stamp), c.midnight) << c.stamp;
  }
}

}  // namespace
}  // namespace quorlix
