// quorlix-cli --archive: writes the archive of a loaded log's scenes into
// a folder (core/archive_writer.h) and says what it did.
#pragma once

#include <optional>
#include <string>

#include "cli/command_line.h"
#include "core/archive/archive_writer.h"
#include "core/convert/loaded_log.h"
#include "core/log/scene_finder.h"
#include "core/work/progress.h"

namespace quorlix::cli {

// Where the archive's lines come from: one log file (else empty; then the
// archive keeps no record for a rerun to take up), the gap and the load.
struct ArchiveSource {
  std::string log_file;
  int64_t gap_minutes = kDefaultSceneGapMinutes;
  LoadSettings load;
};

// Writes the archive; reports on standard output what was written, kept
// and removed, and failures on standard error. Returns the exit status.
int WriteArchiveFolder(const CommandLine& command_line, const ChatState& state,
                       const SceneList& scenes, const ConvertSettings& settings,
                       const std::string& log_names, const ArchiveSource& source,
                       WorkingWindowFactory& windows);

// The same, reading only what the log gained since the folder's record
// (core/archive_resume.h); nothing when that is not safe and the log must
// be loaded whole.
std::optional<int> ResumeArchiveFolder(const CommandLine& command_line,
                                       const ConversionRequest& conversion,
                                       const ConvertSettings& settings,
                                       const std::string& log_names, const ArchiveSource& source,
                                       WorkingWindowFactory& windows);

}  // namespace quorlix::cli
