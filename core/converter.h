// The Convert command without the window: chooses the input lines by the
// person, channel and time filters, converts them with the LineFormatter
// and ends every converted range with a footer crediting Quorlix.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/chat_state.h"
#include "core/output_sink.h"
#include "core/progress.h"
#include "core/time_span.h"

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
// page and enables Save. Returns the number of lines converted (footers
// not counted).
int64_t Convert(ChatState& state, const ConvertSettings& settings, OutputSink& out,
                WorkingWindowFactory& windows);

// A scene: the input lines first to last (inclusive, clipped to the log),
// and of those only the ones whose time stamp lies in `span`.
struct Scene {
  int64_t first = 0;
  int64_t last = INT64_MAX;
  TimeSpan span;
};

// Converts just the lines of `scene`, in file order, as one range with one
// footer: the options and the person and channel filters apply, the time
// filter does not. Replaces state.color_definitions and empties
// state.output_lines as Convert does; errors as Convert. Returns the number
// of lines converted.
int64_t ConvertScene(ChatState& state, const Scene& scene, const ConvertSettings& settings,
                     OutputSink& out, WorkingWindowFactory& windows);
void Convert(ChatState& state, const ConfigFile& config, OutputSink& out,
             WorkingWindowFactory& windows);
// Converts into state.output_lines.
void Convert(ChatState& state, const ConfigFile& config, WorkingWindowFactory& windows);

}  // namespace quorlix
