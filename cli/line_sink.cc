#include "cli/line_sink.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/error.h"

namespace quorlix::cli {
namespace {

// Large enough that writes are few, small enough not to count in memory.
constexpr std::size_t kBlockSize = 256 * 1024;

void WriteToStandardOutput(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error(std::string("Standard output: ") + std::strerror(errno));
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

LineSink::LineSink() { buffer_.reserve(kBlockSize + 4096); }

LineSink::LineSink(const std::string& path)
    : file_(std::make_unique<AtomicFileWriter>(path)) {
  buffer_.reserve(kBlockSize + 4096);
}

LineSink::~LineSink() = default;

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
  } else {
    WriteToStandardOutput(bytes);
  }
}

void LineSink::Flush() {
  if (buffer_.empty()) return;
  Write(buffer_);
  buffer_.clear();
}

void LineSink::Commit() {
  Flush();
  if (file_) file_->Commit();
}

}  // namespace quorlix::cli
