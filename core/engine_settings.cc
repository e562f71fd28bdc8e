// The engine's readings of config.cfg, kept apart from the passes so that
// these read the settings once per command and can run without a file.
#include "config/config_file.h"
#include "core/converter.h"
#include "core/loader.h"

namespace quorlix {

LoadSettings ReadLoadSettings(const ConfigFile& config) {
  LoadSettings settings;
  settings.suppress_bot_lines = config.ReadConfigValue("config", "disable_polbot", "true") == "true";
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

void Convert(ChatState& state, const ConfigFile& config, OutputSink& out,
             WorkingWindowFactory& windows) {
  Convert(state, ReadConvertSettings(config, state.options), out, windows);
}

void Convert(ChatState& state, const ConfigFile& config, WorkingWindowFactory& windows) {
  OutputLines out(state.output_lines);
  Convert(state, config, out, windows);
}

}  // namespace quorlix
