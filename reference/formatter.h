// A slow, literal model of the line formatter for the fuzz targets: every
// step done the plain way (Explode, SplitAtChar, CountOccurrences, a fresh
// string per replacement), so that the engine's fast paths and caches can
// be checked against it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/dialects/convert_options.h"

namespace quorlix::reference {

struct ReferenceFields {
  std::string channel_name, person, timestamp_text;
  std::string_view message;
};
// Header before the first "]", fields as Explode at ",", quotes removed.
ReferenceFields ReferenceSplit(std::string_view line);

// Throws quorlix::Error when the time is shown and not a number.
std::string ReferencePrefix(const ConvertOptions& options,
                            const std::vector<std::string>& color_definitions,
                            std::string_view time_pattern, std::string_view channel,
                            std::string_view timestamp, std::string_view person);

// The Markdown line: the prefix and the message's text, escaped piece by
// piece by looking at the whole line.
std::string ReferenceMarkdownLine(const ConvertOptions& options, std::string_view time_pattern,
                                  std::string_view line);

// The output line; nothing for a dialect other than UBB, Html and Markdown.
std::optional<std::string> ReferenceConvertLine(const ConvertOptions& options,
                                                const std::vector<std::string>& color_definitions,
                                                std::string_view time_pattern,
                                                std::string_view line);

}  // namespace quorlix::reference
