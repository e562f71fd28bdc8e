// Times the channel colour lookup of a conversion with many colour
// definitions and many channels: every line of a different channel, each
// channel's colour to be found among the definitions.
//
//   color_lookup_bench [DEFINITIONS [CHANNELS]]   (default 1000000 1000)
//
// Prints the time of the whole conversion, the lookup included.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "core/convert/converter.h"
#include "core/log/chat_state.h"
#include "core/work/output_sink.h"
#include "core/work/progress.h"

namespace {

class CountingSink : public quorlix::OutputSink {
 public:
  void AppendLine(std::string_view line) override { bytes += line.size(); }
  std::size_t bytes = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const long definitions = argc > 1 ? std::atol(argv[1]) : 1000000;
  const long channels = argc > 2 ? std::atol(argv[2]) : 1000;
  quorlix::ConvertSettings settings;
  settings.color_definitions.reserve(static_cast<std::size_t>(definitions));
  // Names of one length, so that no name is part of another: the channels
  // of the log are the last ones defined, the worst place for a search.
  for (long i = 0; i < definitions; ++i) {
    settings.color_definitions.push_back("Chan" + std::to_string(10000000 + i) + "=ff8000");
  }
  quorlix::ChatState state;
  std::string log;
  for (long i = 0; i < channels; ++i) {
    const std::string name = "chan" + std::to_string(10000000 + definitions - 1 - i);
    log += "[\"1\",\"" + name + "\",\"Ann\",1109628000]hello\n";
    state.channels.push_back(quorlix::ListEntry{name, false});
  }
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < log.size();) {
    const std::size_t end = log.find('\n', start);
    lines.push_back(std::string_view(log).substr(start, end - start));
    start = end + 1;
  }
  state.SetInputLines(std::move(lines));
  const quorlix::ConvertOptions options{.show_channel = true, .channel_colors = true};

  quorlix::SilentWorkingWindowFactory windows;
  CountingSink out;
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  quorlix::ConvertIntoSink(state, options, settings, out, windows);
  const double cpu = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // The processor time too: on a busy machine the wall time says little.
  std::printf(
      "%ld definitions x %ld channels: conversion with colour lookup %.3f s "
      "(processor %.3f s; %zu bytes out)\n",
      definitions, channels, seconds, cpu, out.bytes);
  return 0;
}
