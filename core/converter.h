// The Convert command without the window: chooses the input lines by the
// person, channel and time filters, converts them with the LineFormatter
// and ends every converted range with a footer crediting Quorlix.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/chat_state.h"
#include "core/ordered_chunks.h"
#include "core/output_sink.h"
#include "core/progress.h"

namespace quorlix {

class ConfigFile;

// The home page the footers link to.
inline constexpr std::string_view kHomePageUrl = "https://quorlix.example.org/";

// 0 no filter, 1 persons, 3 channels, 4 persons and channels.
int FilterMode(bool persons, bool channels);

// One "y;", "m;" or "d;" entry followed by the TimeRun text for each
// selected year, month or day node, sorted ignoring letter case (days, then
// months, then years). Nodes whose position has no run give no entry.
std::vector<std::string> TimeSelectionEntries(const ChatState& state);

// Appends the two footer lines of `dialect` (none for other indices).
void AppendFooter(int dialect, OutputSink& out);

// The settings a conversion reads, once per conversion.
struct ConvertSettings {
  std::vector<std::string> color_definitions;  // section colordef, "key=value"
  std::string time_pattern = "Y:M:D";          // time_config
};
// Reads colordef, and time_config only when `options` show the time.
ConvertSettings ReadConvertSettings(const ConfigFile& config, const ConvertOptions& options);

// bt_convertClick minus the toolkit: replaces state.color_definitions,
// empties state.output_lines and converts into `out`. Throws quorlix::Error
// when a shown time stamp is not a number; the lines converted before it
// stay in `out` and no footer follows. The window then shows the "Ouput"
// page and enables Save.
// `threads` divides the work; the output does not depend on it.
void Convert(ChatState& state, const ConvertSettings& settings, OutputSink& out,
             WorkingWindowFactory& windows, const PassThreads& threads = {});
void Convert(ChatState& state, const ConfigFile& config, OutputSink& out,
             WorkingWindowFactory& windows);
// Converts into state.output_lines.
void Convert(ChatState& state, const ConfigFile& config, WorkingWindowFactory& windows);

}  // namespace quorlix
