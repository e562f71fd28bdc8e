// Realistic chat-log lines for benchmarks: a seeded, reproducible stream of
// lines in the game client's format, with channels, persons (some written
// in another letter case), bot lines, system lines without a person, colour
// markup in both quoting styles, links, line breaks and square brackets,
// and time stamps that rise steadily over a chosen span.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorlix::bench {

class LogGenerator {
 public:
  // Lines start at `start_time` (Unix seconds) and advance on average by
  // `mean_gap_seconds` per line.
  LogGenerator(uint64_t seed, int64_t start_time, double mean_gap_seconds);

  // Replaces `line` with the next line, without a line break.
  void NextLine(std::string& line);

  int64_t current_time() const { return static_cast<int64_t>(time_); }

 private:
  uint64_t Next();  // splitmix64: same on every platform
  uint64_t Below(uint64_t n) { return Next() % n; }
  bool Chance(unsigned percent) { return Below(100) < percent; }
  const std::string& Word();
  void AppendWords(std::string& out, int count);
  void AppendColour(std::string& out);
  void AppendMessage(std::string& out);

  uint64_t state_;
  double time_;
  double mean_gap_;
  std::vector<std::string> persons_;
};

// 2004-01-01 00:00:00 UTC and the two years (731 days) after it.
inline constexpr int64_t kDefaultStartTime = 1072915200;
inline constexpr int64_t kTwoYearsSeconds = 731LL * 86400;

// Average length in bytes of a generated line, line break excluded, over a
// sample of lines of `seed`.
double AverageLineLength(uint64_t seed);

}  // namespace quorlix::bench
