// The post limits of config.cfg, the most bytes one post may hold (0: no
// limit): [config] post_limit for forum posts (UBB and Html),
// post_limit_markdown for chat-app messages (Markdown). Read and written
// through ConfigFile at each use, like every other setting.
#pragma once

#include <cstdint>

#include "core/dialects/convert_options.h"

namespace quorlix {

class ConfigFile;

// The longest message a chat app takes: the Markdown limit when
// config.cfg names none.
inline constexpr std::uint64_t kChatMessageLimit = 2000;

// The stored limit of `dialect`; when the key is missing or is no whole
// number, 0 for forum posts and kChatMessageLimit for Markdown. A web page
// is one file, never cut: 0.
std::uint64_t ReadPostLimit(const ConfigFile& config, Dialect dialect);
// Throws quorlix::Error as ConfigFile::WriteConfigValue does.
void WritePostLimit(ConfigFile& config, Dialect dialect, std::uint64_t limit);

}  // namespace quorlix
