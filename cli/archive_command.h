// quorlix-cli --archive: writes the archive of a loaded log's scenes into
// a folder (core/archive_writer.h) and says what it did.
#pragma once

#include <string>

#include "cli/command_line.h"
#include "core/convert/converter.h"
#include "core/log/scene_finder.h"
#include "core/work/progress.h"

namespace quorlix::cli {

// Writes the archive; reports on standard output what was written, kept
// and removed, and failures on standard error. Returns the exit status.
int WriteArchiveFolder(const CommandLine& command_line, const ChatState& state,
                       const SceneList& scenes, const ConvertSettings& settings,
                       const std::string& log_names, WorkingWindowFactory& windows);

}  // namespace quorlix::cli
