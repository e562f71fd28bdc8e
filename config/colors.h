// Conversions between colour values (0x00BBGGRR, red in the low byte, as
// the colour picker uses them) and colour texts: six hexadecimal digits
// RRGGBB with or without "#", or one of the 140 HTML colour names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/text/named_colors.h"

namespace quorlix {

// Six upper-case hexadecimal digits RRGGBB; bits 24 to 31 are ignored.
std::string ColorToHtml(uint32_t color);
// Reads "#RRGGBB" or "RRGGBB"; any unreadable pair falls back to the name
// lookup of the whole text lower-cased; unknown names give black (0).
uint32_t HtmlToColor(std::string_view text);
// Exact (case-sensitive) lookup in NamedColorTable; 0 when not found.
uint32_t HtmlNameToColor(std::string_view name);

}  // namespace quorlix
