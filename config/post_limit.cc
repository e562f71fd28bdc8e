#include "config/post_limit.h"

#include <string>

#include "config/config_file.h"
#include "core/dialects/post_parts.h"

namespace quorlix {
namespace {

const char* LimitKey(Dialect dialect) {
  return dialect == Dialect::kMarkdown ? "post_limit_markdown" : "post_limit";
}

}  // namespace

std::uint64_t ReadPostLimit(const ConfigFile& config, Dialect dialect) {
  if (dialect == Dialect::kPage) return 0;
  const std::uint64_t fallback = dialect == Dialect::kMarkdown ? kChatMessageLimit : 0;
  return ParsePostLimit(config.ReadConfigValue("config", LimitKey(dialect), "")).value_or(fallback);
}

void WritePostLimit(ConfigFile& config, Dialect dialect, std::uint64_t limit) {
  config.WriteConfigValue("config", LimitKey(dialect), std::to_string(limit));
}

}  // namespace quorlix
