// The program's file version as text: four numbers of 16 bits each, joined
// by ".", from the build's project version.
#pragma once

#include <cstdint>
#include <string>

namespace quorlix {

// Formats four version words; each keeps only its low 16 bits.
std::string FormatVersion(uint32_t major, uint32_t minor, uint32_t patch, uint32_t tweak);

// "0.9.8.1010" for this build.
std::string GetExeVersion();

}  // namespace quorlix
