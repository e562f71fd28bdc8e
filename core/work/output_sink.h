// Where a conversion puts its output lines: the window's output store, or
// quorlix-cli's standard output, file or parts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

// Output lines gathered in one text, each followed by CR LF (the form a
// saved file has), and where each line ends.
class LineBlock {
 public:
  void Clear() {
    text_.clear();
    ends_.clear();
  }
  // The text to append a line to; EndLine() then closes it.
  std::string& text() { return text_; }
  void EndLine() {
    text_.append("\r\n");
    ends_.push_back(text_.size());
  }

  const std::string& bytes() const { return text_; }
  std::size_t size() const { return ends_.size(); }
  // Line k without its line break.
  std::string_view line(std::size_t k) const {
    const std::size_t begin = k == 0 ? 0 : ends_[k - 1];
    return std::string_view(text_).substr(begin, ends_[k] - 2 - begin);
  }

 private:
  std::string text_;
  std::vector<std::size_t> ends_;  // just past each line's CR LF
};

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // One output line, without a line break.
  virtual void AppendLine(std::string_view line) = 0;
  // The lines of `block`, in order; by default one AppendLine each.
  virtual void AppendBlock(const LineBlock& block) {
    for (std::size_t k = 0; k < block.size(); ++k) AppendLine(block.line(k));
  }
};

}  // namespace quorlix
