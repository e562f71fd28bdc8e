// The Convert command without the window: chooses the input lines by the
// person, channel and time filters, converts them with the LineFormatter
// and ends every converted range with a footer crediting Quorlix.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/dialects/convert_options.h"
#include "core/log/chat_state.h"
#include "core/log/loader.h"
#include "core/log/time_span.h"
#include "core/work/ordered_chunks.h"
#include "core/work/output_sink.h"
#include "core/work/progress.h"

namespace quorlix {

// One "y;", "m;" or "d;" entry followed by the TimeRun text for each
// selected year, month or day node, sorted ignoring letter case (days, then
// months, then years). Nodes whose position has no run give no entry.
// The runs are kept as their texts, not as numbers, because this order is
// the order of the texts: "d;1000000000;..." sorts before "d;999999999;...",
// and a conversion writes its ranges in that order.
std::vector<std::string> TimeSelectionEntries(const ChatState& state);

// Appends the two footer lines of `dialect` (none for other values).
void AppendFooter(Dialect dialect, OutputSink& out);

// bt_convertClick minus the toolkit: replaces state.color_definitions and
// converts the selected lines into `out` with `options`. Throws quorlix::Error
// when a shown time stamp is not a number; the lines converted before it
// stay in `out` and no footer follows. The window then shows the "Ouput"
// page and enables Save. Returns the number of lines converted (footers
// not counted). `threads` divides the work; the output does not depend on it.
int64_t ConvertIntoSink(ChatState& state, const ConvertOptions& options,
                        const ConvertSettings& settings, OutputSink& out,
                        WorkingWindowFactory& windows, const PassThreads& threads = {});

// True when a conversion with `options` and `settings` is faster for the
// channels list (LoadWholeLog's list_channels): channel names in colour,
// and more colour definitions than each channel can cheaply be looked up
// in alone. Without the list the colours are the same.
bool ConvertWantsChannelList(const ConvertOptions& options, const ConvertSettings& settings);

// Converts a log that LoadWholeLog loaded, with `options` and no filter:
// the same bytes, Working windows and errors as RunLoadPass followed by
// ConvertIntoSink with no filter, converted from the raw lines, so that no
// input lines need to be kept. Returns the number of lines converted.
int64_t ConvertWholeLogIntoSink(const WholeLog& log, const ConvertOptions& options,
                                const ConvertSettings& settings, OutputSink& out,
                                WorkingWindowFactory& windows, const PassThreads& threads = {});

// Converts just the lines of `scene`, in file order, as one range with one
// footer, into `out`: the options and the person and channel filters
// apply, the time filter does not. Replaces state.color_definitions as
// ConvertIntoSink does; errors as there.
// Returns the number of lines converted.
int64_t ConvertSceneIntoSink(ChatState& state, const Scene& scene, const ConvertOptions& options,
                             const ConvertSettings& settings, OutputSink& out,
                             WorkingWindowFactory& windows, const PassThreads& threads = {});

}  // namespace quorlix
