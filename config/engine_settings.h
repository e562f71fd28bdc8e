// The engine's settings as config.cfg holds them: each reader turns the
// file into the plain values a load or a conversion takes, so the passes
// themselves never touch the file and run as well without one.
#pragma once

#include "config/config_file.h"
#include "core/convert/converter.h"
#include "core/log/chat_state.h"
#include "core/log/loader.h"

namespace quorlix {

// disable_polbot (exactly "true" suppresses) and timedisplay_depth.
LoadSettings ReadLoadSettings(const ConfigFile& config);

// Section colordef, and time_config only when `options` show the time.
ConvertSettings ReadConvertSettings(const ConfigFile& config, const ConvertOptions& options);

}  // namespace quorlix
