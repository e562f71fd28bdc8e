// Streams output lines, each followed by CR LF, to standard output or to a
// file that is replaced atomically, without holding the lines in memory.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/atomic_write.h"
#include "core/output_sink.h"

namespace quorlix::cli {

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
  // `path`, which appears or changes only on Commit(). Throws
  // quorlix::Error when its temporary file cannot be made.
  explicit LineSink(const std::string& path);
  ~LineSink() override;

  void AppendLine(std::string_view line) override;
  // Writes what is buffered and, for a file, puts it in place. Throws
  // quorlix::Error on a failed write. Without it a file stays untouched.
  void Commit() override;

 private:
  void Write(std::string_view bytes);
  void Flush();

  std::unique_ptr<AtomicFileWriter> file_;  // null: standard output
  std::string buffer_;
};

}  // namespace quorlix::cli
