#include "core/text/version.h"

#include "version_info.h"

namespace quorlix {

std::string FormatVersion(uint32_t major, uint32_t minor, uint32_t patch, uint32_t tweak) {
  auto part = [](uint32_t v) { return std::to_string(v & 0xFFFFu); };
  return part(major) + "." + part(minor) + "." + part(patch) + "." + part(tweak);
}

std::string GetExeVersion() {
  return FormatVersion(QUORLIX_VERSION_MAJOR, QUORLIX_VERSION_MINOR, QUORLIX_VERSION_PATCH,
                       QUORLIX_VERSION_TWEAK);
}

}  // namespace quorlix
