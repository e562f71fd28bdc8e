// Spans of time named by UTC dates and times, as quorlix-cli's --from and
// --to and the window's Go to time write them, and the input lines that
// fall in them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

// from <= t < to; a bound left out does not limit.
struct TimeSpan {
  std::optional<int64_t> from, to;

  bool operator==(const TimeSpan&) const = default;
  bool limited() const { return from.has_value() || to.has_value(); }
  bool Contains(int64_t t) const { return (!from || *from <= t) && (!to || t < *to); }
};

// A scene: the input lines first to last (inclusive, clipped to the log),
// and of those only the ones whose time stamp lies in `span`.
struct Scene {
  int64_t first = 0;
  int64_t last = INT64_MAX;
  TimeSpan span;
};

// Reads "YYYY-MM-DD", "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS" (a space
// may stand for the "T") as UTC Unix seconds. False when the text is none
// of these or names no real date or time.
bool ParseUtcDateTime(std::string_view text, int64_t& seconds);

// The span from `from` to `to`; an empty text leaves that bound out.
// Returns an error message (empty on success): a malformed time, or a
// start that is not earlier than the end.
std::string ParseTimeSpan(std::string_view from, std::string_view to, TimeSpan& span);

// The first input line, in file order, whose time stamp is `t` or later;
// -1 when there is none. Lines whose stamp is not a number are passed over.
int64_t FirstLineAtOrAfter(const std::vector<std::string_view>& lines, int64_t t);

}  // namespace quorlix
