// Several logs as one: the chat windows of the game each write a log, and
// a channel shown in two windows is written to both. The merge takes the
// logs' accepted lines in time order and writes a line that several logs
// hold at once only once.
//
// The rule, which anyone can check by hand: repeatedly take the next
// accepted line of the log whose next line has the earliest time stamp; a
// tie goes to the log named first. When the next lines of other logs are
// that same line (the same bytes, line end aside), all of them move past
// it and it is written once. So a message that one window wrote twice in
// a row stays twice. Each log keeps its own order.
//
// The logs are walked once, side by side, with no sort: merging costs
// about the time of reading them. The merged lines are copied into one
// store (a line end after each), which remembers each line's origin.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/log/line_store.h"
#include "core/log/loader.h"

namespace quorlix {

// A log to merge: its lines as read, and its name for messages.
struct LogToMerge {
  std::string name;
  LineStore lines;
  // For the lines a log gained since it was merged: its place in the
  // list (from 1; 0: its place here) and the lines it had before.
  int number = 0;
  int64_t lines_before = 0;
};

struct MergedLogs {
  // The merged lines; one log alone is handed back as it was read, with
  // no origins.
  LineStore lines;
  std::size_t logs = 0;        // how many were merged
  std::size_t duplicates = 0;  // lines left out as another log's too
};

// Merges `logs` (at most 65535), in the order given. Throws quorlix::Error
// "<name>:<line>: <reason>" for an accepted line whose time stamp is not
// a number, naming the log it is in; nothing is merged then. A single log
// is not looked at here: its load reports such a line itself.
// `always` merges (and gives origins) even a single log: the new lines of
// one log of a merged set.
MergedLogs MergeLogs(std::vector<LogToMerge> logs, const LoadSettings& settings,
                     bool always = false);

// `more` after `lines`, as one store: the lines a log set gained are taken
// in after those loaded. Both have origins, or neither; `lines` must end
// with a line end.
LineStore AppendLines(const LineStore& lines, const LineStore& more);

}  // namespace quorlix
