#include "core/files/small_file.h"

#include "core/files/platform.h"

namespace quorlix {

bool ReadSmallFile(const std::string& path, std::uint64_t limit, std::string& content) {
  platform::FileInfo info;
  if (!platform::InspectName(path, info) || info.kind != platform::FileKind::kRegular ||
      info.size > limit) {
    return false;
  }
  // Without blocking: a FIFO put in the file's place after the look must
  // not hold the run.
  const platform::OwnedFd fd(platform::OpenForReading(path, /*nonblocking=*/true));
  if (fd.get() < 0) return false;
  content.assign(info.size, '\0');
  std::uint64_t done = 0;
  while (done < info.size) {
    const std::int64_t n =
        platform::ReadAt(fd.get(), content.data() + done, info.size - done, done);
    if (n <= 0) return false;
    done += static_cast<std::uint64_t>(n);
  }
  return true;
}

}  // namespace quorlix
