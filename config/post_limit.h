// The post limit of config.cfg: [config] post_limit, the most bytes one
// forum post may hold (0: no limit). Read and written through ConfigFile
// at each use, like every other setting.
#pragma once

#include <cstdint>

namespace quorlix {

class ConfigFile;

// The stored limit; 0 when the key is missing or is no whole number.
std::uint64_t ReadPostLimit(const ConfigFile& config);
// Throws quorlix::Error as ConfigFile::WriteConfigValue does.
void WritePostLimit(ConfigFile& config, std::uint64_t limit);

}  // namespace quorlix
