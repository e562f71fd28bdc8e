// Where the window keeps its files of the moment: the private copy of the
// log being loaded and the output store's pages.
#pragma once

#include <string>

namespace quorlix {

// The user's cache directory for Quorlix; on Windows %LOCALAPPDATA%\Quorlix,
// which stays on this computer and is the user's alone.
std::string DefaultTempLogDir();

}  // namespace quorlix
