// The private copy of the log being loaded. A load reads this copy, never
// the chosen file itself: the copy is made in the user's cache directory
// and read back through the descriptor that wrote it, so that another
// window's load can never swap it; afterwards it is kept under the fixed
// name log.txt as the copy of the last log loaded.
#pragma once

#include <string>

#include "core/log/line_store.h"

namespace quorlix {

// The fixed name of the last copy inside its directory.
inline constexpr const char* kTempLogName = "log.txt";

// Copies `source`, a regular file, up to the size it has when opened, to a
// fresh file "log.txt.XXXXXX" of mode 0600 in `dir`, locked (flock) while
// it is written and read, and returns its lines. The copy then replaces
// log.txt (a link planted there is replaced, never followed). `dir` is
// created with mode 0700 if missing; an existing one must be a directory
// of the user's own (not a link), and is then set to 0700. Copies of the
// same naming left by killed loads, which no live load holds, are removed
// first. Throws quorlix::Error naming the file: "Cannot open file <path>.
// <reason>", or that `source` is a directory or no regular file, or that
// `dir` is not the user's own directory; nothing is left behind then.
LineStore LoadThroughTempLog(const std::string& source, const std::string& dir);

}  // namespace quorlix
