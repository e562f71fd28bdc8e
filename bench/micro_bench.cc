// Throughput of the per-line hot paths on generated lines.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/log_generator.h"
#include "core/dialects/formatter.h"
#include "core/dialects/page_text.h"
#include "core/dialects/post_parts.h"
#include "core/line/line_fields.h"
#include "core/log/line_search.h"
#include "core/preview/ubb_preview.h"
#include "reference/log_line.h"

namespace quorlix::bench {
namespace {

const std::vector<std::string>& SampleLines() {
  static const std::vector<std::string> lines = [] {
    LogGenerator generator(7, kDefaultStartTime, 30.0);
    std::vector<std::string> out(10000);
    for (std::string& line : out) generator.NextLine(line);
    return out;
  }();
  return lines;
}

int64_t TotalBytes(const std::vector<std::string>& lines) {
  int64_t total = 0;
  for (const std::string& line : lines) total += static_cast<int64_t>(line.size());
  return total;
}

void BM_AcceptLogLine(benchmark::State& state) {
  const auto& lines = SampleLines();
  for (auto _ : state) {
    for (const std::string& line : lines) benchmark::DoNotOptimize(AcceptLogLine(line, true));
  }
  state.SetBytesProcessed(state.iterations() * TotalBytes(lines));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_AcceptLogLine);

void BM_ParseLogLine(benchmark::State& state) {
  const auto& lines = SampleLines();
  LogRecord record;
  for (auto _ : state) {
    for (const std::string& line : lines) {
      ParseLogLine(line, record);
      benchmark::DoNotOptimize(record.message.data());
    }
  }
  state.SetBytesProcessed(state.iterations() * TotalBytes(lines));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_ParseLogLine);

// One output line per input line; arg 0: no option, 1: every option.
void BM_ConvertLine(benchmark::State& state) {
  const auto& lines = SampleLines();
  ConvertOptions options;
  if (state.range(0) == 1) {
    options.show_channel = options.channel_colors = options.show_time = true;
    options.mark_links = options.delete_tags = true;
  }
  const std::vector<std::string> colors = {"OOC=00ff00", "Clan=ff8000", "Org=8080ff"};
  LineFormatter formatter(options, colors, "D.M.Y h:m:s");
  LineFields fields;
  std::string out;
  for (auto _ : state) {
    for (const std::string& line : lines) {
      SplitLineFields(line, fields);
      out.clear();
      formatter.AppendFields(fields.channel_name, fields.timestamp_text, fields.person,
                             fields.message, out);
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(state.iterations() * TotalBytes(lines));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_ConvertLine)->Arg(0)->Arg(1);

// The find bar's search: a short, common needle and one found nowhere.
// At the bytes per second shown, 2.4 million lines (200 MB) take
// 200 MB / rate; the window keeps it off its own thread.
void BM_FindMatchingLines(benchmark::State& state) {
  const auto& strings = SampleLines();
  const std::vector<std::string_view> lines(strings.begin(), strings.end());
  const CaseFoldedNeedle needle(state.range(0) == 0 ? "bob" : "no such text here");
  const std::atomic<bool> cancel{false};
  for (auto _ : state) benchmark::DoNotOptimize(FindMatchingLines(lines, needle, cancel));
  state.SetBytesProcessed(state.iterations() * TotalBytes(strings));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_FindMatchingLines)->Arg(0)->Arg(1);
// The post splitter over output lines by their sizes alone.
void BM_SplitIntoParts(benchmark::State& state) {
  const auto& lines = SampleLines();
  for (auto _ : state) benchmark::DoNotOptimize(SplitIntoParts(lines, 10000));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_SplitIntoParts);

// The preview of posts full of tags that have no partner, and of deeply
// nested ones: all must stay linear (100,000 "[color=" well under a second).
std::string PathologicalPost(int kind) {
  std::string text;
  for (int i = 0; i < 100000; ++i) {
    switch (kind) {
      case 0: text += "[color="; break;           // no "]" anywhere
      case 1: text += "[color=red]x"; break;      // no closer
      case 2: text += "[code][url][img]"; break;  // raw tags never closed
      case 3: text += "[b][i]"; break;            // closed at the end, cut by the outer
      default: text += "[[[[[[[["; break;
    }
  }
  if (kind == 3) text += std::string(10, 'x') + "[/b]";
  if (kind == 4) text += "]";
  return text;
}

void BM_UbbPreviewPathological(benchmark::State& state) {
  const std::string text = PathologicalPost(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(UbbToHtml(text));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_UbbPreviewPathological)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// A page's message of 50 MB of one pattern: row 0 plain text, the others
// "<"s that start tags which never close. Every row about as fast as the
// plain one: the tag reading is linear in the message.
std::string PageMessageOfPattern(int kind) {
  static constexpr const char* kPatterns[] = {"abcd", "a<",       "</a",
                                              "<!",   "<a href=", "<font color=red "};
  const std::string pattern = kPatterns[kind];
  constexpr std::size_t kSize = 50 * 1000 * 1000;
  std::string text;
  text.reserve(kSize + pattern.size());
  while (text.size() < kSize) text += pattern;
  return text;
}

void BM_PageMessagePathological(benchmark::State& state) {
  const std::string text = PageMessageOfPattern(static_cast<int>(state.range(0)));
  std::string out;
  for (auto _ : state) {
    out.clear();
    AppendPageMessage(text, {}, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_PageMessagePathological)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorlix::bench

BENCHMARK_MAIN();
