// Times the listing of a large log's scenes: a generated log loaded as the
// window loads it, then FindScenes over its input lines.
//
//   scene_bench [LINES]   (default 2400000)
//
// Three cases: lines seconds apart with a gap of 30 minutes (few scenes),
// the same with a person filter, and every line two minutes after the one
// before with a gap of one minute (a scene per line; hours apart would run
// past the 32-bit time stamps). The
// fastest of five runs of each is printed, with the scenes found; the
// target is well under a second.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "bench/log_generator.h"
#include "core/log/chat_state.h"
#include "core/log/loader.h"
#include "core/log/scene_finder.h"
#include "core/work/progress.h"

namespace {

using quorlix::bench::kDefaultStartTime;

// With `step_seconds`, line i is stamped start + i * step instead.
quorlix::ChatState LoadGenerated(long lines, int64_t step_seconds = 0) {
  quorlix::bench::LogGenerator generator(11, kDefaultStartTime, 30.0);
  std::string bytes, line;
  for (long i = 0; i < lines; ++i) {
    generator.NextLine(line);
    const std::size_t header_end = line.find(']');
    const std::size_t stamp = line.rfind(',', header_end) + 1;
    if (step_seconds > 0) {
      line.replace(stamp, header_end - stamp, std::to_string(kDefaultStartTime + i * step_seconds));
    }
    bytes += line;
    bytes += '\n';
  }
  quorlix::ChatState state;
  state.ReplaceRawLines(quorlix::LineStore::FromBytes(std::move(bytes)));
  quorlix::SilentWorkingWindowFactory windows;
  quorlix::RunLoadPass(state, quorlix::LoadSettings{}, windows);
  return state;
}

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The fastest of five runs, in wall-clock and in CPU time (the pass runs
// on one thread; CPU time holds on a machine that others share).
void Time(const char* name, const quorlix::ChatState& state, int64_t gap_minutes) {
  double best = 1e9, best_cpu = 1e9;
  std::size_t scenes = 0;
  for (int run = 0; run < 5; ++run) {
    const double cpu = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const quorlix::SceneList list = quorlix::FindScenes(state, gap_minutes);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
    best_cpu = std::min(best_cpu, ThreadCpuSeconds() - cpu);
    scenes = list.scenes.size();
  }
  std::printf("%-28s %9zu input lines %9zu scenes %8.3f s (CPU %.3f s)\n", name,
              state.input_lines().size(), scenes, best, best_cpu);
}

}  // namespace

int main(int argc, char** argv) {
  const long lines = argc > 1 ? std::atol(argv[1]) : 2400000;
  quorlix::ChatState busy = LoadGenerated(lines);
  Time("lines seconds apart", busy, 30);
  if (!busy.persons.empty()) {
    busy.persons.front().selected = true;
    busy.filters.persons = true;
    Time("same, one person selected", busy, 30);
  }
  busy = quorlix::ChatState{};
  Time("a scene per line", LoadGenerated(lines, 120), 1);
  return 0;
}
