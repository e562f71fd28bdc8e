// What a loaded log holds, for the window to show: the counts of the
// status bar and the number of input lines under each time-tree node.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/log/chat_state.h"

namespace quorlix {

struct LogSummary {
  int64_t lines = 0;  // input lines
  int64_t persons = 0;
  int64_t channels = 0;
  // The UTC days of the earliest and the latest day run, "YYYY-MM-DD";
  // empty when the log has no input lines.
  std::string first_day, last_day;
};

LogSummary SummarizeLog(const ChatState& state);

// By node id: the input lines that selecting the node under Filter Time
// converts (its run's lines; all input lines for the root), or -1 for a
// node that selects none (hours, minutes, a node without a run).
std::vector<int64_t> NodeLineCounts(const ChatState& state);

// "YYYY-MM-DD" of the UTC day of `unix_seconds`.
std::string FormatUtcDate(int64_t unix_seconds);

}  // namespace quorlix
