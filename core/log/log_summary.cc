#include "core/log/log_summary.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "core/text/utc_time.h"

namespace quorlix {
namespace {

// The start, first and last of a TimeRun text "start;first;last".
bool ReadRun(const std::string& run, int64_t& start, int64_t& first, int64_t& last) {
  const char* p = run.data();
  const char* end = p + run.size();
  for (int64_t* value : {&start, &first, &last}) {
    const auto [next, error] = std::from_chars(p, end, *value);
    if (error != std::errc()) return false;
    p = next < end ? next + 1 : next;  // past the ";"
  }
  return true;
}

}  // namespace

std::string FormatUtcDate(int64_t unix_seconds) {
  const UtcTime t = ToUtc(unix_seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(t.year), t.month,
                t.day);
  return text;
}

LogSummary SummarizeLog(const ChatState& state) {
  LogSummary summary;
  summary.lines = static_cast<int64_t>(state.input_lines().size());
  summary.persons = static_cast<int64_t>(state.persons.size());
  summary.channels = static_cast<int64_t>(state.channels.size());
  bool any = false;
  int64_t earliest = 0, latest = 0;
  for (const std::string& run : state.day_runs) {
    int64_t start = 0, first = 0, last = 0;
    if (!ReadRun(run, start, first, last)) continue;
    earliest = any ? std::min(earliest, start) : start;
    latest = any ? std::max(latest, start) : start;
    any = true;
  }
  if (any && summary.lines > 0) {
    summary.first_day = FormatUtcDate(earliest);
    summary.last_day = FormatUtcDate(latest);
  }
  return summary;
}

// One depth-first walk gives each node its position among the nodes of its
// level, which is the index of its run (as LevelOrdinal counts).
std::vector<int64_t> NodeLineCounts(const ChatState& state) {
  const TimeTree& tree = state.time_tree;
  std::vector<int64_t> counts(static_cast<std::size_t>(tree.size()), -1);
  const std::vector<std::string>* runs_of_level[] = {nullptr, &state.year_runs, &state.month_runs,
                                                     &state.day_runs};
  int next_ordinal[4] = {0, 0, 0, 0};
  std::vector<int> stack = {TimeTree::kRoot};
  while (!stack.empty()) {
    const int id = stack.back();
    stack.pop_back();
    const TimeTree::Node& node = tree.node(id);
    if (node.level == 0) {
      counts[static_cast<std::size_t>(id)] = static_cast<int64_t>(state.input_lines().size());
    } else if (node.level <= 3) {
      const std::vector<std::string>& runs = *runs_of_level[node.level];
      const std::size_t ordinal = static_cast<std::size_t>(next_ordinal[node.level]++);
      int64_t start = 0, first = 0, last = 0;
      if (ordinal < runs.size() && ReadRun(runs[ordinal], start, first, last)) {
        counts[static_cast<std::size_t>(id)] = last - first + 1;
      }
    }
    for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
      stack.push_back(*child);
    }
  }
  return counts;
}

}  // namespace quorlix
