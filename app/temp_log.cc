#include "app/temp_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QStandardPaths>

#include "core/error.h"
#include "core/translation.h"

namespace quorlix {
namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  throw Error(FormatText(Tr("Cannot open file %s. %s"), {path, std::strerror(error)}));
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

void MakePrivateDir(const std::string& dir) {
  if (!QDir().mkpath(QString::fromLocal8Bit(dir.c_str()))) ThrowCannotOpen(dir, errno ? errno : EACCES);
  if (::chmod(dir.c_str(), 0700) != 0) ThrowCannotOpen(dir, errno);
}

// Copies in the kernel where it can, else (and after any failure there,
// to learn which side failed) through a buffer. Returns 0 or the errno of
// the failure, telling whether reading the source failed.
int CopyBytes(int from, int to, bool& source_failed) {
  for (;;) {
    const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
    if (n == 0) return 0;
    if (n < 0 && errno != EINTR) break;
  }
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t n = ::read(from, buffer.data(), buffer.size());
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      source_failed = true;
      return errno;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(to, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += w;
    }
  }
}

}  // namespace

std::string DefaultTempLogDir() {
  return QStandardPaths::writableLocation(QStandardPaths::CacheLocation).toLocal8Bit().toStdString();
}

std::string CopyToTempLog(const std::string& source, const std::string& dir) {
  const std::string target = dir + "/" + kTempLogName;
  Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) ThrowCannotOpen(source, errno);
  struct stat info;
  if (::fstat(in.get(), &info) != 0) ThrowCannotOpen(source, errno);
  if (S_ISDIR(info.st_mode)) ThrowCannotOpen(source, EISDIR);

  MakePrivateDir(dir);
  std::string temp = target + ".XXXXXX";
  // mkstemp opens with O_EXCL and mode 0600.
  Fd out(::mkstemp(temp.data()));
  if (out.get() < 0) ThrowCannotOpen(target, errno);
  bool source_failed = false;
  int error = ::fchmod(out.get(), 0600) != 0 ? errno : 0;
  if (error == 0) error = CopyBytes(in.get(), out.get(), source_failed);
  // The copy needs no sync: it is rewritten by the next load and nothing
  // but this load reads it.
  if (::close(out.release()) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    ThrowCannotOpen(source_failed ? source : target, error);
  }
  return target;
}

}  // namespace quorlix
