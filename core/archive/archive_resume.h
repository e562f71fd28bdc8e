// A rerun of an archive of one log that reads only what the log gained:
// the log's bytes from the start of the last scene the archive holds on.
// Everything the indexes and links need of the scenes before it comes
// from the archive's record (core/archive_record.h).
//
// The rerun takes this way only when it is safe, and gives up before it
// writes anything otherwise: the record is sound and was written with the
// folder's manifest; the log is named as then and was made with the same
// settings, options, gap and load settings and without filters; it did
// not shrink and its bytes before the last scene are unchanged; the lines
// read start the last scene at the same time, and no scene found in them
// sorts before a scene of the record. Then the folder ends up byte for
// byte as an archive made from the whole log.
#pragma once

#include <optional>

#include "core/archive/archive_writer.h"
#include "core/convert/loaded_log.h"
#include "core/work/progress.h"

namespace quorlix {

// Writes the archive of request.log_file (request.log_file, gap_minutes
// and load set) by reading what it gained since the folder's record; the
// lines are loaded as `conversion` asks. Nothing is written and nothing
// returned when this is not safe: the caller makes the archive from the
// whole log. Throws as WriteArchive does once it writes.
std::optional<ArchiveResult> ResumeArchive(const ArchiveRequest& request,
                                           const ConversionRequest& conversion,
                                           const ArchiveProgress& progress = {},
                                           const PassThreads& threads = {});

}  // namespace quorlix
