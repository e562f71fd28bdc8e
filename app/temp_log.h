// The private copy of the log being loaded. A load reads this copy, never
// the chosen file itself: one fixed file per user in the user's cache
// directory, which each load replaces.
#pragma once

#include <string>

namespace quorlix {

// The fixed name of the copy inside its directory.
inline constexpr const char* kTempLogName = "log.txt";

// The user's cache directory for Quorlix.
std::string DefaultTempLogDir();

// Copies `source` to `dir`/log.txt and returns that path. `dir` is created
// with mode 0700 if missing and set to it if not; the copy goes to a fresh
// exclusive file of mode 0600 that is renamed over the fixed name, so a
// link planted at that name is replaced, never followed. On failure any
// earlier copy is left as it was but the caller must not read it: throws
// quorlix::Error "Datei <path> kann nicht geöffnet werden. <reason>",
// naming `source` when it cannot be read and the copy otherwise.
std::string CopyToTempLog(const std::string& source, const std::string& dir);

}  // namespace quorlix
