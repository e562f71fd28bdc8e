// The colour names that browsers know: the 140 extended colour keywords of
// CSS3 with their values, shared by the colour conversions and the post
// preview.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace quorlix {

struct NamedColor {
  std::string_view name;  // lower-case ASCII
  uint32_t rgb;           // 0xRRGGBB, the HTML order
};

// In alphabetical order of the names.
extern const std::array<NamedColor, 140> NamedColorTable;

// The entry whose name equals `name` ignoring ASCII letter case, or null;
// besides the table's, "rebeccapurple", which browsers know too.
// Browsers spell every grey both ways ("grey" and "gray"); the table holds
// one spelling each, so the other is looked up as well.
const NamedColor* FindNamedColor(std::string_view name);

}  // namespace quorlix
