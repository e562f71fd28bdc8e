#include "config/post_limit.h"

#include <string>

#include "config/config_file.h"
#include "core/post_parts.h"

namespace quorlix {

std::uint64_t ReadPostLimit(const ConfigFile& config) {
  return ParsePostLimit(config.ReadConfigValue("config", "post_limit", "")).value_or(0);
}

void WritePostLimit(ConfigFile& config, std::uint64_t limit) {
  config.WriteConfigValue("config", "post_limit", std::to_string(limit));
}

}  // namespace quorlix
