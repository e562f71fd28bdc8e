// Many needles searched in many texts in one pass (an Aho-Corasick
// automaton of the needles): for each needle, the first text in which it
// occurs exactly once, counted as CountOccurrences counts (matches that do
// not overlap, from the left). Costs the texts' length once, where asking
// CountOccurrences per needle and text would cost needles times texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

// Index into `texts` for each of `needles` (distinct; empty ones never
// match), or -1 when no text has that needle exactly once.
std::vector<std::ptrdiff_t> FirstTextsWithOneOccurrence(
    const std::vector<std::string_view>& needles, const std::vector<std::string>& texts);

}  // namespace quorlix
