// The scene gap of config.cfg: [config] scene_gap, the minutes of silence
// after which a new scene starts. Read and written through ConfigFile at
// each use, like every other setting.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorlix {

class ConfigFile;

// A gap as the user writes it: a whole number of minutes from 0 up (0 keeps
// only the lines of one second together); nothing for any other text,
// negative numbers included.
std::optional<int64_t> ParseSceneGap(std::string_view text);

// The stored gap; kDefaultSceneGapMinutes (30) when the key is missing or
// ParseSceneGap takes no number from it.
int64_t ReadSceneGap(const ConfigFile& config);
// Throws quorlix::Error as ConfigFile::WriteConfigValue does.
void WriteSceneGap(ConfigFile& config, int64_t minutes);

}  // namespace quorlix
