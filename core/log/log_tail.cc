#include "core/log/log_tail.h"

#include <algorithm>
#include <cerrno>

#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

bool IsBreak(char c) { return c == '\n' || c == '\r'; }

[[noreturn]] void ThrowCannotRead(const std::string& path, int error) {
  throw Error(FormatText(Tr("Cannot open file %s. %s"), {path, platform::SystemErrorText(error)}));
}

// Reads [offset, offset + size) of `fd` into `out`; short at the end.
void ReadRange(int fd, std::uint64_t offset, std::size_t size, std::string& out,
               const std::string& path) {
  out.resize(size);
  std::size_t used = 0;
  while (used < size) {
    const std::int64_t got = platform::ReadAt(fd, out.data() + used, size - used, offset + used);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowCannotRead(path, errno);
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  out.resize(used);
}

}  // namespace

LogMark MarkLog(const std::string& path, const LineStore& lines) {
  LogMark mark;
  mark.identified = platform::IdentifyPath(path, mark.id);
  const std::string_view bytes = lines.bytes();
  mark.size = bytes.size();
  mark.lines = static_cast<std::int64_t>(lines.size());
  mark.last_bytes.assign(bytes.substr(bytes.size() - std::min(bytes.size(), kMarkBytes)));
  mark.open_line = !bytes.empty() && !IsBreak(bytes.back());
  return mark;
}

std::size_t WholeLinesSize(std::string_view bytes) {
  std::size_t end = bytes.size();
  if (end > 0 && bytes[end - 1] == '\r') --end;  // maybe the first half of a CR LF
  while (end > 0 && !IsBreak(bytes[end - 1])) --end;
  return end;
}

LogTail ReadLogTail(const std::string& path, const LogMark& mark) {
  LogTail tail;
  platform::FileInfo info;
  platform::FileId id;
  if (!platform::InspectPath(path, info) || !platform::IdentifyPath(path, id)) {
    tail.kind = LogTail::Kind::kGone;
    return tail;
  }
  if (info.kind != platform::FileKind::kRegular || (mark.identified && !(id == mark.id)) ||
      info.size < mark.size) {
    tail.kind = LogTail::Kind::kReplaced;
    return tail;
  }
  if (info.size == mark.size) return tail;
  const platform::OwnedFd fd(platform::OpenForReading(path, /*nonblocking=*/true));
  if (fd.get() < 0) ThrowCannotRead(path, errno);
  // What was read must still be there, else the file was rewritten.
  std::string before;
  ReadRange(fd.get(), mark.size - mark.last_bytes.size(), mark.last_bytes.size(), before, path);
  // A line that was read before its end was taken as it stood: its rest
  // cannot be added to it.
  if (before != mark.last_bytes || mark.open_line) {
    tail.kind = LogTail::Kind::kReplaced;
    return tail;
  }
  std::string added;
  ReadRange(fd.get(), mark.size, static_cast<std::size_t>(info.size - mark.size), added, path);
  const std::size_t whole = WholeLinesSize(added);
  if (whole == 0) return tail;  // a line still being written
  added.resize(whole);
  tail.kind = LogTail::Kind::kGrown;
  tail.lines = LineStore::FromBytes(std::move(added));
  tail.mark = mark;
  tail.mark.size += whole;
  tail.mark.lines += static_cast<std::int64_t>(tail.lines.size());
  const std::string_view bytes = tail.lines.bytes();
  std::string last = mark.last_bytes;
  last.append(bytes.substr(bytes.size() - std::min(bytes.size(), kMarkBytes)));
  tail.mark.last_bytes = last.substr(last.size() - std::min(last.size(), kMarkBytes));
  return tail;
}

}  // namespace quorlix
