#include "cli/line_sink.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/signal_cleanup.h"
#include "core/error.h"
#include "core/translation.h"

namespace quorlix::cli {
namespace {

// Large enough that writes are few, small enough not to count in memory.
constexpr std::size_t kBlockSize = 256 * 1024;

[[noreturn]] void ThrowCannotWrite(const std::string& name, int error) {
  throw Error(FormatText(Tr("Cannot write file %s. %s"), {name, std::strerror(error)}));
}

// A socket cannot be opened; it is connected to.
int ConnectSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return errno = ENAMETOOLONG, -1;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd);
    return errno = error, -1;
  }
  return fd;
}

// An existing target that is no regular file and cannot be replaced.
bool IsStream(const std::string& path, struct stat& st) {
  return ::stat(path.c_str(), &st) == 0 &&
         (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

}  // namespace

bool IsTheLog(const std::string& output_file, const std::string& log_file) {
  struct stat out, log;
  if (::stat(output_file.c_str(), &out) != 0) return false;
  const int status = log_file == "-" ? ::fstat(STDIN_FILENO, &log) : ::stat(log_file.c_str(), &log);
  return status == 0 && out.st_dev == log.st_dev && out.st_ino == log.st_ino;
}

LineSink::LineSink() : stream_fd_(STDOUT_FILENO) { buffer_.reserve(kBlockSize + 4096); }

LineSink::LineSink(const std::string& path) {
  struct stat st;
  if (IsStream(path, st)) {
    stream_fd_ =
        S_ISSOCK(st.st_mode) ? ConnectSocket(path) : ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (stream_fd_ < 0) ThrowCannotWrite(path, errno);
    owns_stream_ = true;
    stream_name_ = path;
  } else {
    // The temporary file is named for the clean-up before any signal can
    // come between.
    const SignalHold hold;
    file_ = std::make_unique<AtomicFileWriter>(path);
    ArmSignalCleanup(file_->temp_path());
  }
  buffer_.reserve(kBlockSize + 4096);
}

LineSink::~LineSink() {
  if (file_) {
    const SignalHold hold;
    file_.reset();  // an uncommitted file removes its temporary file
    DisarmSignalCleanup();
  }
  if (owns_stream_) ::close(stream_fd_);
}

void LineSink::AppendLine(std::string_view line) {
  if (line.size() >= kBlockSize) {  // a huge line goes out without a copy
    Flush();
    Write(line);
  } else {
    buffer_.append(line);
  }
  buffer_.append("\r\n");
  if (buffer_.size() >= kBlockSize) Flush();
}

void LineSink::AppendBlock(const LineBlock& block) {
  Flush();
  Write(block.bytes());
}

void LineSink::Write(std::string_view bytes) {
  if (file_) {
    file_->Write(bytes);
    return;
  }
  while (!bytes.empty()) {
    const ssize_t n = ::write(stream_fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      if (owns_stream_) ThrowCannotWrite(stream_name_, errno);
      throw Error(FormatText(Tr("Cannot write to standard output. %s"), {std::strerror(errno)}));
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void LineSink::Flush() {
  if (buffer_.empty()) return;
  Write(buffer_);
  buffer_.clear();
}

void LineSink::Commit() {
  Flush();
  if (!file_) return;
  const SignalHold hold;
  file_->Commit();
  DisarmSignalCleanup();
}

}  // namespace quorlix::cli
