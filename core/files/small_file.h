// Reading a small file of the program's own (a record, a journal) whole.
// What is no regular file, is larger than asked, or cannot be read counts
// as absent: such files are only ever a help, never needed.
#pragma once

#include <cstdint>
#include <string>

namespace quorlix {

// The content of the regular file `path` (not a link, not a FIFO), false
// when it is none or larger than `limit`.
bool ReadSmallFile(const std::string& path, std::uint64_t limit, std::string& content);

}  // namespace quorlix
