#include "core/log/time_span.h"

#include <gtest/gtest.h>

namespace quorlix {
namespace {

constexpr int64_t kNone = INT64_MIN;

TEST(TimeSpan, FormatsBoundsAndErrors) {
  const struct {
    const char* from;
    const char* to;
    int64_t from_seconds, to_seconds;  // kNone: bound left out
    const char* error;                 // part of the message; "" for none
  } cases[] = {
      {"2005-02-28", "", 1109548800, kNone, ""},
      {"", "2005-02-28T22:00", kNone, 1109628000, ""},
      {"2005-02-28T22:00:01", "2005-03-01", 1109628001, 1109635200, ""},
      {"2005-02-28 22:00", "", 1109628000, kNone, ""},
      {"2004-02-29", "", 1078012800, kNone, ""},
      {"2000-02-29", "", 951782400, kNone, ""},
      {"", "", kNone, kNone, ""},
      {"2005-02-29", "", 0, 0, "'2005-02-29' ist keine UTC-Zeit"},
      {"1900-02-29", "", 0, 0, "ist keine UTC-Zeit"},
      {"", "2100-02-29", 0, 0, "ist keine UTC-Zeit"},
      {"2005-03-00", "", 0, 0, "ist keine UTC-Zeit"},
      {"2005-2-28", "", 0, 0, "ist keine UTC-Zeit"},
      {"", "2005-02-28T24:00", 0, 0, "ist keine UTC-Zeit"},
      {"", "2005-02-28T22:60", 0, 0, "ist keine UTC-Zeit"},
      {"2005-02-28T22", "", 0, 0, "ist keine UTC-Zeit"},
      {"2005-02-28T22:00:00Z", "", 0, 0, "ist keine UTC-Zeit"},
      {"2005-02-28x22:00", "", 0, 0, "ist keine UTC-Zeit"},
      {"+005-02-28", "", 0, 0, "ist keine UTC-Zeit"},
      {"2005-02-28", "2005-02-28", 0, 0, "liegt nicht vor dem Ende"},
      {"2005-03-01", "2005-02-28T23:59:59", 0, 0, "liegt nicht vor dem Ende"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " / " + c.to);
    TimeSpan span;
    const std::string error = ParseTimeSpan(c.from, c.to, span);
    if (*c.error != '\0') {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      continue;
    }
    EXPECT_EQ(error, "");
    EXPECT_EQ(span.from.value_or(kNone), c.from_seconds);
    EXPECT_EQ(span.to.value_or(kNone), c.to_seconds);
  }
  TimeSpan span;
  span.from = 10;
  span.to = 20;
  EXPECT_FALSE(span.Contains(9));
  EXPECT_TRUE(span.Contains(10));
  EXPECT_TRUE(span.Contains(19));
  EXPECT_FALSE(span.Contains(20));
}

TEST(TimeSpan, FirstLineAtOrAfterATime) {
  const std::vector<std::string_view> lines = {"[1,C,A,100]a", "[1,C,B,300]b", "[1,C,C,200]c"};
  const struct { int64_t t, line; } cases[] = {{0, 0}, {100, 0}, {101, 1}, {300, 1}, {301, -1}};
  for (const auto& c : cases) EXPECT_EQ(FirstLineAtOrAfter(lines, c.t), c.line) << c.t;
}

}  // namespace
}  // namespace quorlix
