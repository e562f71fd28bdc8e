// Turns the names and periods of the command line into the selections of
// a loaded log (the list entries and tree nodes the user would click), and
// prints what a log holds for --list.
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "core/chat_state.h"
#include "core/output_sink.h"

namespace quorlix::cli {

// Selects the entry equal to each name ignoring letter case and sets the
// filter flag when any name is given. Returns the names that match no
// entry.
std::vector<std::string> SelectEntries(const std::vector<std::string>& names,
                                       std::vector<ListEntry>& entries, bool& filter);

// Selects the time-tree nodes of each period (every node of that year,
// month or day, should the log's time go backwards and make two) and sets
// state.filters.time when any period is given. Returns the texts of the
// periods that have no node.
std::vector<std::string> SelectPeriods(const std::vector<Period>& periods, ChatState& state);

// Persons, channels and the time tree indented by level, one per line.
void WriteListing(const ChatState& state, OutputSink& out);

}  // namespace quorlix::cli
