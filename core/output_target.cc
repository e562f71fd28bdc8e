#include "core/output_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/platform.h"

namespace quorlix {

bool IsTheLog(const std::string& output_file, const std::string& log_file) {
  struct stat out, log;
  if (::stat(output_file.c_str(), &out) != 0) return false;
  const int status = log_file == "-" ? ::fstat(STDIN_FILENO, &log) : ::stat(log_file.c_str(), &log);
  return status == 0 && out.st_dev == log.st_dev && out.st_ino == log.st_ino;
}

bool IsStreamTarget(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 &&
         (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

int OpenStreamTarget(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return S_ISSOCK(st.st_mode) ? platform::ConnectLocalSocket(path)
                              : ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
}

bool WriteAllToStream(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
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
