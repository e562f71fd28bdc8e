// The load pass: turns the raw lines of a log into the input lines, the
// persons and channels lists and the time index. Reading the file (and,
// in the window, the dialog and the temporary copy) is the caller's part.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/log/chat_state.h"
#include "core/work/ordered_chunks.h"
#include "core/work/progress.h"

namespace quorlix {

// The settings a load reads, once per load (config/engine_settings.h
// reads them from config.cfg).
struct LoadSettings {
  bool suppress_bot_lines = true;  // disable_polbot is exactly "true"
  std::string depth = "Day";       // timedisplay_depth
};

// The pass over state.raw_lines() (already read): clears the input lines,
// the persons and channels lists and the time tree;
// accepts lines, fills the input lines, the collections and the time index,
// setting the Working window's caption after each raw line; then publishes
// the lists and the run lists. Throws quorlix::Error on a time stamp that
// is not a number, carrying the raw line's number (from 1), and leaves the
// input lines accepted so far, empty persons and channels lists, the tree
// built so far and the run lists of the previous load.
// `threads` divides the work; the results do not depend on it.
void RunLoadPass(ChatState& state, const LoadSettings& settings, WorkingWindowFactory& windows,
                 const PassThreads& threads = {});

// What the load for a conversion of the whole log keeps of each raw line:
// whether the load takes it in and, if so, its header.
struct RawLineHeader {
  LineHeader header;
  bool taken;
};

// A log loaded for a conversion of all of it (ConvertWholeLogIntoSink),
// with no filter: the raw lines, what the load kept of each, and the
// channels list when it was asked for. No input line is kept: there is
// no persons list and no time tree either.
struct WholeLog {
  LineStore raw_lines;
  std::size_t taken = 0;                     // lines taken in
  std::unique_ptr<RawLineHeader[]> headers;  // one per raw line
  std::vector<ListEntry> channels;           // as ChatState::channels, or empty
};

// The load pass over `raw_lines` for a conversion of the whole log: the
// same checks, error and Working window as RunLoadPass. The channels list
// is filled only with `list_channels` (it speeds up channel colours:
// ConvertWantsChannelList).
WholeLog LoadWholeLog(LineStore raw_lines, const LoadSettings& settings,
                      WorkingWindowFactory& windows, const PassThreads& threads = {},
                      bool list_channels = true);

}  // namespace quorlix
