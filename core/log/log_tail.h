// A log that the game still writes to: what it gained at its end since it
// was read. Only whole lines added at the end are taken; a line still
// being written (no line end yet) waits for the next look. A log that was
// replaced, shortened or changed before its end is never half-read: the
// caller is told to read it again from the start.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/files/platform.h"
#include "core/log/line_store.h"

namespace quorlix {

// What was read of a log: enough to tell later whether it only grew.
struct LogMark {
  platform::FileId id;
  bool identified = false;  // id holds the file's identity
  std::uint64_t size = 0;   // bytes read
  std::int64_t lines = 0;   // lines read
  std::string last_bytes;   // the last bytes read (up to kMarkBytes)
  bool open_line = false;   // the bytes read end inside a line
};

inline constexpr std::size_t kMarkBytes = 64;

// The mark of `path` read as `lines`. The file is identified now: call it
// right after reading.
LogMark MarkLog(const std::string& path, const LineStore& lines);

struct LogTail {
  enum class Kind {
    kSame,      // nothing new, or only a line still being written
    kGrown,     // `lines` were added; `mark` includes them
    kReplaced,  // another file now has the name, or it shrank or changed
    kGone,      // the name holds no file any more
  };
  Kind kind = Kind::kSame;
  LineStore lines;  // the whole new lines (kGrown)
  LogMark mark;     // the mark after them (kGrown)
};

// Looks at `path` again after `mark`. Throws quorlix::Error when the new
// bytes cannot be read.
LogTail ReadLogTail(const std::string& path, const LogMark& mark);

// The bytes of `bytes` up to and including the last line end that is
// surely whole: a CR at the very end may yet get its LF.
std::size_t WholeLinesSize(std::string_view bytes);

}  // namespace quorlix
