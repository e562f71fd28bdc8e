// The progress caption "Working   <count> / <total>" for a count that rises
// by one after each line: the digits are stepped in place, so a caption
// costs a few byte writes instead of a formatting per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/work/progress.h"

namespace quorlix {

class CaptionCounter {
 public:
  // The caption for `count` (>= 0) over `total`.
  void Start(int64_t count, int64_t total) {
    count_ = count;
    total_ = total;
    Format();
  }
  // The caption for the next count.
  void Increment() {
    ++count_;
    for (std::size_t i = digits_end_; i > digits_begin_; --i) {
      char& digit = caption_[i - 1];
      if (digit != '9') {
        ++digit;
        return;
      }
      digit = '0';
    }
    Format();  // one more digit: 999 -> 1000
  }
  std::string_view text() const { return caption_; }

 private:
  // The count's digits: after the word and its blanks, before " / ".
  void Format() {
    FormatProgressCaption(count_, total_, caption_);
    digits_end_ = caption_.rfind(" / ");
    digits_begin_ = caption_.rfind(' ', digits_end_ - 1) + 1;
  }

  int64_t count_ = 0, total_ = 0;
  std::string caption_;
  std::size_t digits_begin_ = 0, digits_end_ = 0;
};

}  // namespace quorlix
