// Where the input lines came from: their line number in the log file
// (from 1) and the log when several were merged, as a web page's anchors
// show them. Input lines are views into the raw lines; asked for in file
// order, most answers are a few raw lines on from the last one.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/log/line_store.h"

namespace quorlix {

class RawLineNumbers {
 public:
  explicit RawLineNumbers(const LineStore& raw) : raw_(raw) {}

  // The origin of input line `input_index`, whose bytes are `line`. An
  // input line that is no view into the raw lines has its input index + 1.
  LineOrigin Of(std::string_view line, std::size_t input_index);

 private:
  const LineStore& raw_;
  std::size_t next_ = 0;  // the raw line after the one found last
};

}  // namespace quorlix
