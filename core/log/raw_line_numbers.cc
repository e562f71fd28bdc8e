#include "core/log/raw_line_numbers.h"

#include <cstdint>

namespace quorlix {

LineOrigin RawLineNumbers::Of(std::string_view line, std::size_t input_index) {
  const std::string_view bytes = raw_.bytes();
  const char* const at = line.data();
  if (raw_.empty() || at < bytes.data() || at >= bytes.data() + bytes.size()) {
    return LineOrigin{0, static_cast<int64_t>(input_index) + 1};
  }
  constexpr int kSteps = 64;
  std::size_t r = next_;
  for (int step = 0; step < kSteps && r < raw_.size() && raw_[r].data() < at; ++step) ++r;
  if (r >= raw_.size() || raw_[r].data() != at) {
    std::size_t low = 0, high = raw_.size();  // the first raw line not before `at`
    while (low < high) {
      const std::size_t mid = low + (high - low) / 2;
      if (raw_[mid].data() < at) {
        low = mid + 1;
      } else {
        high = mid;
      }
    }
    r = low;
    if (r >= raw_.size() || raw_[r].data() != at)
      return LineOrigin{0, static_cast<int64_t>(input_index) + 1};
  }
  next_ = r + 1;
  return raw_.origin(r);
}

}  // namespace quorlix
