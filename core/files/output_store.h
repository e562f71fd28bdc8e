// The converted output lines kept in an unlinked temporary file rather than
// in memory: the process holds only each line's offset, so a conversion's
// output costs the disk (or the page cache), not the window's memory. Lines
// are written as the file Save writes them, each followed by CR LF, so
// unchanged lines are saved by copying ranges of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/work/output_sink.h"

namespace quorlix {

// The converted lines an editable view stands on (see core/files/editable_lines.h).
class LineSource {
 public:
  virtual ~LineSource() = default;
  virtual std::size_t size() const = 0;
  virtual std::size_t LineLength(std::size_t i) const = 0;
  // The bytes of lines [first, first + count), line breaks not counted.
  virtual std::size_t LinesLength(std::size_t first, std::size_t count) const;
  // The line of most bytes; 0 when there is none.
  virtual std::size_t LongestLine() const;
  // Replaces `out` by the bytes of line `i` (no line break).
  virtual void ReadLine(std::size_t i, std::string& out) const = 0;
  // Passes lines [first, first + count), each followed by CR LF, to
  // `write` in pieces of any size.
  virtual void WriteLines(std::size_t first, std::size_t count,
                          const std::function<void(std::string_view)>& write) const;
};

class OutputStore : public LineSource, public OutputSink {
 public:
  // Creates the file in `dir` (made, mode 0700, when missing) and removes
  // its name at once: it goes away with the store or the process. Throws
  // quorlix::Error when it cannot. `expected_lines` only reserves room.
  OutputStore(const std::string& dir, std::size_t expected_lines = 0);
  ~OutputStore() override;
  OutputStore(const OutputStore&) = delete;
  OutputStore& operator=(const OutputStore&) = delete;

  // Buffered; throws quorlix::Error when the disk refuses the bytes.
  void AppendLine(std::string_view line) override;
  // The block's bytes have the file's form already: taken as they are.
  void AppendBlock(const LineBlock& block) override;
  // Writes what is buffered, so that reading cannot meet a full disk;
  // throws quorlix::Error as AppendLine does. Reading finishes too.
  void Finish() { Flush(); }

  std::size_t size() const override { return starts_.size() - 1; }
  std::size_t LineLength(std::size_t i) const override {
    return static_cast<std::size_t>(starts_[i + 1] - starts_[i]) - 2;
  }
  std::size_t LinesLength(std::size_t first, std::size_t count) const override {
    return static_cast<std::size_t>(starts_[first + count] - starts_[first]) - 2 * count;
  }
  std::size_t LongestLine() const override { return longest_; }
  void ReadLine(std::size_t i, std::string& out) const override;
  void WriteLines(std::size_t first, std::size_t count,
                  const std::function<void(std::string_view)>& write) const override;

 private:
  void Flush() const;
  void ReadAt(std::uint64_t offset, char* data, std::size_t size) const;

  int fd_ = -1;
  std::string dir_;
  std::vector<std::uint64_t> starts_{0};  // line i is [starts_[i], starts_[i+1]) with CR LF
  std::size_t longest_ = 0;
  mutable std::string pending_;  // appended bytes not yet in the file
  mutable std::uint64_t written_ = 0;
};

}  // namespace quorlix
