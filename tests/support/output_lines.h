// A conversion's output lines gathered in a list, for tests to compare.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/work/output_sink.h"

namespace quorlix::test {

class OutputLines : public OutputSink {
 public:
  explicit OutputLines(std::vector<std::string>& lines) : lines_(lines) {}
  void AppendLine(std::string_view line) override { lines_.emplace_back(line); }

 private:
  std::vector<std::string>& lines_;
};

}  // namespace quorlix::test
