#include "core/atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "core/error.h"

namespace quorlix {
namespace {

// Writes smaller than this are gathered before they reach the file.
constexpr std::size_t kBufferSize = 64 * 1024;
// Keeps ".<name>.quorlix-tmp-XXXXXX" within the usual 255-byte name limit.
constexpr std::size_t kMaxNameInTempName = 200;
constexpr std::string_view kTempMarker = ".quorlix-tmp-";

int OpenFile(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Six random letters and digits, as mkstemp uses; the exclusive create
// below settles any collision.
std::string RandomSuffix() {
  static constexpr char kChars[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}() ^
                                      static_cast<uint64_t>(::getpid())};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof(kChars) - 2);
  std::string suffix(6, '0');
  for (char& c : suffix) c = kChars[pick(engine)];
  return suffix;
}

}  // namespace

AtomicWriteCalls AtomicWriteCalls::Defaults() {
  return AtomicWriteCalls{&OpenFile, &::write,  &::fchmod, &::fsync,
                          &::close,  &::rename, &::unlink};
}

AtomicWriteCalls& CurrentAtomicWriteCalls() {
  static AtomicWriteCalls calls = AtomicWriteCalls::Defaults();
  return calls;
}

AtomicFileWriter::AtomicFileWriter(std::string target)
    : target_(std::move(target)) {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  // A new file gets 0666 less the umask from open() itself; an existing
  // one keeps its permission bits, set after the private create.
  struct stat old;
  const bool replacing = ::stat(target_.c_str(), &old) == 0;
  const mode_t create_mode = replacing ? 0600 : 0666;

  std::string prefix = DirectoryOf(target_) + "/." +
                       NameOf(target_).substr(0, kMaxNameInTempName);
  prefix += kTempMarker;
  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_path_ = prefix + RandomSuffix();
    fd_ = sys.open(temp_path_.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, create_mode);
    if (fd_ < 0 && (errno != EEXIST || attempt >= 100)) {
      const int error_number = errno;
      temp_path_.clear();  // nothing was created
      Fail(error_number);
    }
  }
  if (replacing && sys.fchmod(fd_, old.st_mode & 07777) != 0) Fail(errno);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (!committed_) Discard();
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (fd_ < 0) Fail(EBADF);
  if (buffer_.size() + bytes.size() > kBufferSize) Flush();
  if (bytes.size() >= kBufferSize) {
    WriteAll(bytes);  // large pieces skip the copy into the buffer
  } else {
    buffer_.append(bytes);
  }
}

void AtomicFileWriter::Flush() {
  WriteAll(buffer_);
  buffer_.clear();
}

void AtomicFileWriter::WriteAll(std::string_view bytes) {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  while (!bytes.empty()) {
    const ssize_t n = sys.write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    // A write that makes no progress would loop for ever; the disk is full.
    if (n == 0) Fail(ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void AtomicFileWriter::Commit() {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  if (fd_ < 0) Fail(EBADF);
  Flush();
  int rc;
  while ((rc = sys.fsync(fd_)) != 0 && errno == EINTR) {
  }
  if (rc != 0) Fail(errno);
  // The descriptor is released even when close reports an error (EINTR
  // included), so it must not be closed again.
  const int fd = fd_;
  fd_ = -1;
  if (sys.close(fd) != 0) Fail(errno);
  if (sys.rename(temp_path_.c_str(), target_.c_str()) != 0) Fail(errno);
  committed_ = true;
  SyncDirectory();
}

// Makes the rename durable. The new content is in place by now and the old
// cannot be brought back, so a failure here is not reported: after a crash
// the target holds either the old or the new content, both whole.
void AtomicFileWriter::SyncDirectory() noexcept {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  const int dir = sys.open(DirectoryOf(target_).c_str(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (dir < 0) return;
  while (sys.fsync(dir) != 0 && errno == EINTR) {
  }
  sys.close(dir);
}

void AtomicFileWriter::Fail(int error_number) {
  Discard();
  throw Error("Cannot write \"" + target_ + "\": " +
              std::strerror(error_number));
}

void AtomicFileWriter::Discard() noexcept {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  if (fd_ >= 0) {
    sys.close(fd_);
    fd_ = -1;
  }
  if (!temp_path_.empty()) {
    sys.unlink(temp_path_.c_str());
    temp_path_.clear();
  }
  buffer_.clear();
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  AtomicFileWriter writer(path);
  writer.Write(content);
  writer.Commit();
}

}  // namespace quorlix
