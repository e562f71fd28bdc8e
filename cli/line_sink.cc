#include "cli/line_sink.h"

#include <unistd.h>

#include <cerrno>

#include "cli/signal_cleanup.h"
#include "core/files/output_target.h"
#include "core/files/platform.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix::cli {
namespace {

// Large enough that writes are few, small enough not to count in memory.
constexpr std::size_t kBlockSize = 256 * 1024;

[[noreturn]] void ThrowCannotWrite(const std::string& name, int error) {
  throw Error(FormatText(Tr("Cannot write file %s. %s"), {name, platform::SystemErrorText(error)}));
}

}  // namespace

LineSink::LineSink() : stream_fd_(STDOUT_FILENO) { buffer_.reserve(kBlockSize + 4096); }

LineSink::LineSink(const std::string& path) {
  if (IsStreamTarget(path)) {
    stream_fd_ = OpenStreamTarget(path);
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
  if (owns_stream_) platform::Close(stream_fd_);
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
  if (!WriteAllToStream(stream_fd_, bytes.data(), bytes.size())) {
    if (owns_stream_) ThrowCannotWrite(stream_name_, errno);
    throw Error(
        FormatText(Tr("Cannot write to standard output. %s"), {platform::SystemErrorText(errno)}));
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
