#include "config/scene_gap.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "config/config_file.h"
#include "core/log/scene_finder.h"

namespace quorlix {

std::optional<int64_t> ParseSceneGap(std::string_view text) {
  // Spaces around the number are how INI files are often written.
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  // A year of minutes is more than any log's silence; larger numbers are
  // read as that, so that no sum with a time can overflow.
  constexpr int64_t kMost = 525600;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (end != text.data() + text.size()) return std::nullopt;
  if (error == std::errc::result_out_of_range) return kMost;
  if (error != std::errc()) return std::nullopt;
  return std::min(value, kMost);
}

int64_t ReadSceneGap(const ConfigFile& config) {
  return ParseSceneGap(config.ReadConfigValue("config", "scene_gap", ""))
      .value_or(kDefaultSceneGapMinutes);
}

void WriteSceneGap(ConfigFile& config, int64_t minutes) {
  config.WriteConfigValue("config", "scene_gap", std::to_string(minutes));
}

}  // namespace quorlix
