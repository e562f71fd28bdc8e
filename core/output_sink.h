// Where a conversion puts its output lines: the output pane's list of
// lines, or (for the command-line front end) straight into a file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // One output line, without a line break.
  virtual void AppendLine(std::string_view line) = 0;
};

// Appends to a list of lines, e.g. ChatState::output_lines.
class OutputLines : public OutputSink {
 public:
  explicit OutputLines(std::vector<std::string>& lines) : lines_(lines) {}
  void AppendLine(std::string_view line) override { lines_.emplace_back(line); }

 private:
  std::vector<std::string>& lines_;
};

}  // namespace quorlix
