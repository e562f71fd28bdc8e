#include "core/files/output_target.h"

#include <cerrno>

#include "core/files/platform.h"

namespace quorlix {

namespace {

// Standard input, the "-" of a LOG.
constexpr int kStandardInput = 0;

}  // namespace

bool IsTheLog(const std::string& output_file, const std::string& log_file) {
  platform::FileId out, log;
  if (!platform::IdentifyPath(output_file, out)) return false;
  const bool known = log_file == "-" ? platform::IdentifyFile(kStandardInput, log)
                                     : platform::IdentifyPath(log_file, log);
  return known && out == log;
}

bool IsStreamTarget(const std::string& path) {
  platform::FileInfo info;
  return platform::InspectPath(path, info) &&
         (info.kind == platform::FileKind::kDevice || info.kind == platform::FileKind::kPipe ||
          info.kind == platform::FileKind::kSocket);
}

int OpenStreamTarget(const std::string& path) {
  platform::FileInfo info;
  if (!platform::InspectPath(path, info)) return -1;
  return info.kind == platform::FileKind::kSocket ? platform::ConnectLocalSocket(path)
                                                  : platform::OpenForWriting(path);
}

bool WriteAllToStream(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const std::int64_t n = platform::Write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace quorlix
