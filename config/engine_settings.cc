#include "config/engine_settings.h"

namespace quorlix {

LoadSettings ReadLoadSettings(const ConfigFile& config) {
  LoadSettings settings;
  settings.suppress_bot_lines =
      config.ReadConfigValue("config", "disable_polbot", "true") == "true";
  settings.depth = config.ReadConfigValue("config", "timedisplay_depth", "Day");
  return settings;
}

ConvertSettings ReadConvertSettings(const ConfigFile& config, const ConvertOptions& options) {
  ConvertSettings settings;
  settings.color_definitions = config.ReadConfigSection("colordef");
  if (options.show_time) {
    settings.time_pattern = config.ReadConfigValue("config", "time_config", "Y:M:D");
  }
  return settings;
}

}  // namespace quorlix
