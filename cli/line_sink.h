// Streams output lines, each followed by CR LF, to standard output or to a
// file, without holding the lines in memory. A regular file (or a new
// name) is replaced atomically; a character device, FIFO or socket is
// written straight into, as it cannot be replaced.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/files/atomic_write.h"
#include "core/files/output_target.h"  // IsTheLog
#include "core/text/error.h"
#include "core/work/output_sink.h"

namespace quorlix::cli {

// An output that the command line should not have named (the log
// itself): reported as a usage error.
class RefusedOutput : public Error {
 public:
  using Error::Error;
};

// Where quorlix-cli's output goes: nothing is final before Commit().
class CommitSink : public OutputSink {
 public:
  // Throws quorlix::Error on a failed write; what was not committed stays
  // out of sight.
  virtual void Commit() = 0;
};

// Gathers lines in a buffer and hands it on in large blocks.
class LineSink : public CommitSink {
 public:
  // Standard output.
  LineSink();
  // `path`: a file that appears or changes only on Commit(), its temporary
  // file removed should SIGINT, SIGTERM or SIGHUP end the program; or a
  // device, FIFO or socket, opened now. Throws quorlix::Error when the
  // temporary file cannot be made or the stream cannot be opened.
  explicit LineSink(const std::string& path);
  ~LineSink() override;

  void AppendLine(std::string_view line) override;
  // Writes the block as it is, without a copy.
  void AppendBlock(const LineBlock& block) override;
  // Writes what is buffered and, for a file, puts it in place. Throws
  // quorlix::Error on a failed write. Without it a file stays untouched.
  void Commit() override;

 private:
  void Write(std::string_view bytes);
  void Flush();

  std::unique_ptr<AtomicFileWriter> file_;  // null: a stream
  int stream_fd_ = -1;
  bool owns_stream_ = false;
  std::string stream_name_;
  std::string buffer_;
};

}  // namespace quorlix::cli
