#include "core/files/output_target.h"

#include <cerrno>

#include "core/files/platform.h"
#include "core/text/translation.h"

namespace quorlix {

namespace {

// Standard input, the "-" of a LOG.
constexpr int kStandardInput = 0;

// DuplicateNamedDescriptor's answer for a name of no descriptor.
constexpr int kNoDescriptorName = -2;

bool NamesDescriptor(const std::string& path) {
  const int fd = platform::DuplicateNamedDescriptor(path);
  if (fd >= 0) platform::Close(fd);
  return fd != kNoDescriptorName;
}

}  // namespace

bool IsTheLog(const std::string& output_file, const std::string& log_file) {
  platform::FileId out, log;
  if (!platform::IdentifyPath(output_file, out)) return false;
  const bool known = log_file == "-" ? platform::IdentifyFile(kStandardInput, log)
                                     : platform::IdentifyPath(log_file, log);
  return known && out == log;
}

std::string LostDeviceMessage(const std::string& path) {
  return FormatText(Tr("%s names a device of Windows, not a file, and is not written"), {path});
}

bool IsStreamTarget(const std::string& path) {
  if (NamesDescriptor(path)) return true;
  platform::FileInfo info;
  return platform::InspectPath(path, info) &&
         (info.kind == platform::FileKind::kDevice || info.kind == platform::FileKind::kPipe ||
          info.kind == platform::FileKind::kSocket);
}

int OpenStreamTarget(const std::string& path) {
  const int named = platform::DuplicateNamedDescriptor(path);
  if (named != kNoDescriptorName) return named;
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
