#include "core/convert/converter.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <memory>

#include "core/dialects/formatter.h"
#include "core/dialects/page_writer.h"
#include "core/line/line_fields.h"
#include "core/log/raw_line_numbers.h"
#include "core/log/selected_names.h"
#include "core/text/name_lookup.h"
#include "core/text/text_util.h"
#include "core/work/caption_counter.h"
#include "core/work/ordered_chunks.h"

namespace quorlix {
namespace {

constexpr std::size_t kPrefetchAhead = 8;

int64_t ReadInt64(std::string_view text) {
  int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// A range to convert: its first and last input index as the selection
// gives them, which may lie outside the input lines.
struct RangeBounds {
  int64_t first, last;
};
// A piece of a range's lines; every range has at least one, maybe empty.
struct ChunkSlice {
  std::size_t range;
  std::size_t first, end;  // input lines [first, end) of the range
  bool opens_range, closes_range;
};

// The raw lines of a log whose whole is converted, and what the load
// kept of each.
struct RawLines {
  const LineStore& lines;
  const RawLineHeader* headers;
};

// The person and channel filters of a conversion.
class NameFilter {
 public:
  explicit NameFilter(const ChatState& state)
      : persons_(state.persons),
        channels_(state.channels),
        mode_(ChooseFilterMode(state.filters.persons, state.filters.channels)) {}

  bool Passes(std::string_view channel, std::string_view person) {
    switch (mode_) {
      case FilterMode::kNone: return true;
      case FilterMode::kPersons: return persons_.Contains(person);
      case FilterMode::kChannels: return channels_.Contains(channel);
      case FilterMode::kPersonsAndChannels:
        return persons_.Contains(person) && channels_.Contains(channel);
    }
    return false;
  }

 private:
  SelectedNames persons_, channels_;
  const FilterMode mode_;
};

// What one chunk gives, in input order.
struct ConvertChunk {
  std::size_t processed = 0;  // lines done; the next one failed when `error` is set
  bool range_ended = false;   // an empty line ended the range
  int64_t converted = 0;      // lines that gave an output line
  LineBlock out;
  std::exception_ptr error;
};

// A thread's own formatter, filters and buffers.
class ConvertWorker {
 public:
  // A limited `span` leaves out the lines whose time stamp lies outside it.
  // With `raw`, the worker converts raw lines instead (RunRaw).
  ConvertWorker(const ChatState& state, const ConvertOptions& options,
                const ConvertSettings& settings, const TimeSpan& span,
                const RawLines* raw = nullptr)
      : input_(state.input_lines()),
        raw_(raw),
        headers_(state.input_headers()),
        span_(span),
        formatter_(options, state.color_definitions, settings.time_pattern),
        filter_(state) {
    if (options.channel_colors) formatter_.PrepareChannelColors(state.channels);
  }

  void Run(const ChunkSlice& slice, ConvertChunk& chunk) {
    chunk.processed = 0;
    chunk.range_ended = false;
    chunk.converted = 0;
    chunk.out.Clear();
    chunk.error = nullptr;
    if (raw_ != nullptr) {
      RunRaw(slice, chunk);
      return;
    }
    for (std::size_t i = slice.first; i < slice.end; ++i) {
      const std::string_view line = input_[i];
      // An empty line ends the range.
      if (line.empty()) {
        chunk.range_ended = true;
        return;
      }
      // The log is far larger than the caches: ask early for a later line.
      if (i + kPrefetchAhead < slice.end) {
        const std::string_view ahead = input_[i + kPrefetchAhead];
        __builtin_prefetch(ahead.data());
        __builtin_prefetch(ahead.data() + 64);
      }
      if (!TakeLine(chunk, [&](std::string& out) { return Convert(line, i, out); })) return;
    }
  }

 private:
  // Raw lines [first, end): the lines the load took in are converted as
  // the input lines they would have become (and counted as processed); the
  // others are passed over. No filter applies.
  void RunRaw(const ChunkSlice& slice, ConvertChunk& chunk) {
    for (std::size_t i = slice.first; i < slice.end; ++i) {
      const RawLineHeader& kept = raw_->headers[i];
      if (!kept.taken) continue;
      const std::string_view line = raw_->lines[i];
      if (!TakeLine(chunk, [&](std::string& out) { return ConvertKept(line, kept.header, out); })) {
        return;
      }
    }
  }

  // One processed line: appends the output line `convert` makes of it, if
  // any. False when it threw: the error is kept in the chunk and the part
  // of the line written is taken back.
  template <typename Convert>
  static bool TakeLine(ConvertChunk& chunk, Convert&& convert) {
    std::string& text = chunk.out.text();
    const std::size_t line_start = text.size();
    try {
      if (convert(text)) {
        chunk.out.EndLine();
        ++chunk.converted;
      }
    } catch (...) {
      text.resize(line_start);
      chunk.error = std::current_exception();
      return false;
    }
    ++chunk.processed;
    return true;
  }

  // Appends input line `i`'s output line, if it has one: from what the load
  // kept of it when it can, otherwise split and read here.
  bool Convert(std::string_view line, std::size_t i, std::string& text) {
    if (headers_ == nullptr) {
      SplitLineFields(line, fields_);
      return (!span_.limited() || span_.Contains(ReadTimestamp(fields_.timestamp_text))) &&
             filter_.Passes(fields_.channel_name, fields_.person) &&
             formatter_.AppendFields(fields_.channel_name, fields_.timestamp_text, fields_.person,
                                     fields_.message, text);
    }
    return ConvertKept(line, headers_[i], text);
  }
  // The same from the header the load kept of the line.
  bool ConvertKept(std::string_view line, const LineHeader& header, std::string& text) {
    std::string_view channel, person, message;
    if (!FieldsFromHeader(line, header, channel, person, message)) {
      SplitLineFields(line, fields_);
      channel = fields_.channel_name;
      person = fields_.person;
      message = fields_.message;
    }
    return (!span_.limited() || span_.Contains(header.time)) && filter_.Passes(channel, person) &&
           formatter_.AppendFieldsAtTime(channel, header.time, person, message, text);
  }
  const std::vector<std::string_view>& input_;
  const RawLines* const raw_;
  const LineHeader* const headers_;  // one per input line, or null
  const TimeSpan span_;
  LineFormatter formatter_;
  NameFilter filter_;
  LineFields fields_;
};

// The lines a range converts, before any empty line: from `first` up to
// `last` or the end of the input, none when `first` lies outside it.
std::pair<std::size_t, std::size_t> RangeLines(const RangeBounds& r, std::size_t size) {
  if (r.first < 0 || r.first > r.last || static_cast<uint64_t>(r.first) >= size) return {0, 0};
  const auto end = std::min<uint64_t>(static_cast<uint64_t>(r.last) + 1, size);
  return {static_cast<std::size_t>(r.first), static_cast<std::size_t>(end)};
}

std::vector<ChunkSlice> CutIntoChunks(const std::vector<RangeBounds>& ranges, std::size_t size,
                                      std::size_t per_chunk) {
  std::vector<ChunkSlice> chunks;
  for (std::size_t r = 0; r < ranges.size(); ++r) {
    const auto [first, end] = RangeLines(ranges[r], size);
    std::size_t from = first;
    do {  // every range has a chunk, an empty one at least
      const std::size_t to = std::min(end, from + per_chunk);
      chunks.push_back(ChunkSlice{r, from, to, from == first, to == end});
      from = to;
    } while (from < end);
  }
  return chunks;
}

// Takes the chunks' results in order: per range a new Working window, the
// caption after each line, the lines, and the footer. Progress counts the
// lines processed and shows last - first as the total; the window closes
// after the line that makes the count reach it, so the range's last line
// is processed after the window has gone.
class RangeWriter {
 public:
  RangeWriter(Dialect dialect, OutputSink& out, WorkingWindowFactory& windows)
      : dialect_(dialect), out_(out), windows_(windows) {}
  ~RangeWriter() { CloseWindow(); }

  int64_t converted() const { return converted_; }

  void Take(const RangeBounds& range, const ChunkSlice& slice, const ConvertChunk& chunk) {
    if (slice.opens_range) Open(range);
    if (taking_) {
      if (captions_) {
        for (std::size_t k = 0; k < chunk.processed; ++k) {
          if (++count_ > 1) caption_.Increment();
          if (window_) {
            window_->SetCaption(caption_.text());
            if (count_ >= total_) CloseWindow();
          }
        }
      } else {
        count_ += static_cast<int64_t>(chunk.processed);
        if (window_ && count_ >= total_ && chunk.processed > 0) CloseWindow();
      }
      out_.AppendBlock(chunk.out);
      converted_ += chunk.converted;
      if (chunk.error) std::rethrow_exception(chunk.error);
      if (chunk.range_ended) taking_ = false;
    }
    if (slice.closes_range) {
      CloseWindow();
      AppendFooter(dialect_, out_);
    }
  }

 private:
  void Open(const RangeBounds& range) {
    window_ = windows_.Create();
    window_->Show();
    taking_ = window_->IsActive();
    captions_ = window_->ShowsCaption();
    count_ = 0;
    total_ = range.last - range.first;
    if (taking_) caption_.Start(1, total_);
  }
  void CloseWindow() {
    if (window_) window_->Close();
    window_.reset();
  }

  const Dialect dialect_;
  OutputSink& out_;
  WorkingWindowFactory& windows_;
  std::unique_ptr<WorkingWindow> window_;  // null once closed
  bool taking_ = false;
  bool captions_ = true;  // false: only the count is kept
  int64_t count_ = 0, total_ = 0;
  int64_t converted_ = 0;
  CaptionCounter caption_;
};

// Threads convert the chunks; this thread writes their results in order,
// as one pass over the ranges would. Returns the number of lines converted.
int64_t ConvertChunks(const ChatState& state, const ConvertOptions& options,
                      const ConvertSettings& settings, const std::vector<RangeBounds>& ranges,
                      const std::vector<ChunkSlice>& chunks, const TimeSpan& span,
                      const RawLines* raw, OutputSink& out, WorkingWindowFactory& windows,
                      const PassThreads& pass) {
  const unsigned threads = ThreadCount(pass);
  std::vector<std::unique_ptr<ConvertWorker>> workers;
  for (unsigned t = 0; t < threads; ++t) {
    workers.push_back(std::make_unique<ConvertWorker>(state, options, settings, span, raw));
  }
  const std::size_t ahead = static_cast<std::size_t>(threads) + 2;
  std::vector<ConvertChunk> ring(std::min(ahead, std::max<std::size_t>(chunks.size(), 1)));
  RangeWriter writer(options.dialect, out, windows);
  RunChunksInOrder(
      threads, chunks.size(), ring.size(),
      [&](unsigned worker, std::size_t c) {
        workers[worker]->Run(chunks[c], ring[c % ring.size()]);
      },
      [&](std::size_t c) {
        writer.Take(ranges[chunks[c].range], chunks[c], ring[c % ring.size()]);
        return true;
      });
  return writer.converted();
}

int64_t ConvertRanges(const ChatState& state, const ConvertOptions& options,
                      const ConvertSettings& settings, const std::vector<RangeBounds>& ranges,
                      const TimeSpan& span, OutputSink& out, WorkingWindowFactory& windows,
                      const PassThreads& pass) {
  const std::vector<ChunkSlice> chunks = CutIntoChunks(
      ranges, state.input_lines().size(), std::max<std::size_t>(pass.lines_per_chunk, 1));
  return ConvertChunks(state, options, settings, ranges, chunks, span, nullptr, out, windows, pass);
}

// The input lines of `scene`, clipped to the log.
RangeBounds SceneRange(const ChatState& state, const Scene& scene) {
  const int64_t last = std::min(scene.last, static_cast<int64_t>(state.input_lines().size()) - 1);
  return RangeBounds{std::max<int64_t>(scene.first, 0), last};
}

// A page shows each line once, in file order: the ranges joined.
std::vector<RangeBounds> JoinRanges(std::vector<RangeBounds> ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const RangeBounds& a, const RangeBounds& b) { return a.first < b.first; });
  std::vector<RangeBounds> joined;
  for (const RangeBounds& r : ranges) {
    if (r.first > r.last) continue;
    if (!joined.empty() && r.first <= joined.back().last + 1) {
      joined.back().last = std::max(joined.back().last, r.last);
    } else {
      joined.push_back(r);
    }
  }
  return joined;
}

// The page of the input lines of `ranges` that lie in `span` and pass the
// filters.
int64_t WriteInputLinesPage(const ChatState& state, const ConvertOptions& options,
                            const ConvertSettings& settings, const std::vector<RangeBounds>& ranges,
                            const TimeSpan& span, OutputSink& out, WorkingWindowFactory& windows,
                            const PageNavigation* navigation = nullptr) {
  const std::vector<RangeBounds> joined = JoinRanges(ranges);
  const LineHeader* const headers = state.input_headers();
  const std::vector<std::string_view>& input = state.input_lines();
  auto lines = [&](const std::function<void(const PageLine&)>& visit) {
    NameFilter filter(state);
    RawLineNumbers numbers(state.raw_lines());
    LineFields fields;
    for (const RangeBounds& range : joined) {
      const auto [first, end] = RangeLines(range, input.size());
      for (std::size_t i = first; i < end; ++i) {
        const std::string_view line = input[i];
        if (line.empty()) break;  // an empty line ends the range
        PageLine page;
        if (headers != nullptr) {
          const LineHeader& header = headers[i];
          page.time = header.time;
          if (!FieldsFromHeader(line, header, page.channel, page.person, page.message)) {
            SplitLineFields(line, fields);
            page.channel = fields.channel_name;
            page.person = fields.person;
            page.message = fields.message;
          }
        } else {
          SplitLineFields(line, fields);
          page.time = ReadTimestamp(fields.timestamp_text);
          page.channel = fields.channel_name;
          page.person = fields.person;
          page.message = fields.message;
        }
        if (span.limited() && !span.Contains(page.time)) continue;
        if (!filter.Passes(page.channel, page.person)) continue;
        const LineOrigin origin = numbers.Of(line, i);
        page.log = origin.log;
        page.number = origin.line;
        visit(page);
      }
    }
  };
  return WritePage(lines, options, settings, out, windows, navigation);
}

}  // namespace

std::vector<std::string> TimeSelectionEntries(const ChatState& state) {
  const TimeTree& tree = state.time_tree;
  std::vector<std::string> entries;
  for (int id = 0; id < tree.size(); ++id) {
    const TimeTree::Node& node = tree.node(id);
    if (!node.selected) continue;
    const std::vector<std::string>* runs = nullptr;
    const char* kind = nullptr;
    switch (node.level) {
      case 1: runs = &state.year_runs, kind = "y;"; break;
      case 2: runs = &state.month_runs, kind = "m;"; break;
      case 3: runs = &state.day_runs, kind = "d;"; break;
      default: continue;  // the root, hours and minutes select nothing
    }
    const int ordinal = LevelOrdinal(tree, id);
    // A node without a run of its own is skipped rather than read wrongly.
    if (ordinal < 0 || static_cast<std::size_t>(ordinal) >= runs->size()) continue;
    entries.push_back(kind + (*runs)[static_cast<std::size_t>(ordinal)]);
  }
  std::sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
    return CompareIgnoreAsciiCase(a, b) < 0;
  });
  return entries;
}

void AppendFooter(Dialect dialect, OutputSink& out) {
  std::string credit;
  if (dialect == Dialect::kUbb) {
    out.AppendLine("");
    credit.append("Created using [url=\"").append(kHomePageUrl).append("\"]The Quorlix[/url]");
  } else if (dialect == Dialect::kHtml) {
    out.AppendLine("<br>");
    credit.append("Created using <a href=\"").append(kHomePageUrl).append("\">The Quorlix</a><br>");
  } else if (dialect == Dialect::kMarkdown) {
    out.AppendLine("");
    credit.append("Created using [The Quorlix](").append(kHomePageUrl).append(")");
  } else {
    return;
  }
  out.AppendLine(credit);
}

int64_t ConvertIntoSink(ChatState& state, const ConvertOptions& options,
                        const ConvertSettings& settings, OutputSink& out,
                        WorkingWindowFactory& windows, const PassThreads& threads) {
  state.color_definitions = settings.color_definitions;
  const int64_t n = static_cast<int64_t>(state.input_lines().size());
  std::vector<RangeBounds> ranges;
  if (state.filters.time) {
    std::vector<std::string_view> pieces;
    for (const std::string& entry : TimeSelectionEntries(state)) {
      Explode(";", entry, 0, pieces);
      if (pieces.size() < 4) continue;
      ranges.push_back(RangeBounds{ReadInt64(pieces[2]), ReadInt64(pieces[3])});
    }
  } else {
    ranges.push_back(RangeBounds{0, n - 1});
  }
  if (options.dialect == Dialect::kPage) {
    return WriteInputLinesPage(state, options, settings, ranges, TimeSpan{}, out, windows);
  }
  return ConvertRanges(state, options, settings, ranges, TimeSpan{}, out, windows, threads);
}

int64_t ConvertSceneIntoSink(ChatState& state, const Scene& scene, const ConvertOptions& options,
                             const ConvertSettings& settings, OutputSink& out,
                             WorkingWindowFactory& windows, const PassThreads& threads) {
  state.color_definitions = settings.color_definitions;
  const RangeBounds range = SceneRange(state, scene);
  if (options.dialect == Dialect::kPage) {
    return WriteInputLinesPage(state, options, settings, {range}, scene.span, out, windows);
  }
  return ConvertRanges(state, options, settings, {range}, scene.span, out, windows, threads);
}

int64_t WriteScenePage(const ChatState& state, const Scene& scene, const ConvertOptions& options,
                       const ConvertSettings& settings, const PageNavigation& navigation,
                       OutputSink& out, WorkingWindowFactory& windows) {
  return WriteInputLinesPage(state, options, settings, {SceneRange(state, scene)}, scene.span, out,
                             windows, &navigation);
}

bool ConvertWantsChannelList(const ConvertOptions& options, const ConvertSettings& settings) {
  // Without the list, each thread looks each channel spelling up in every
  // definition when it first meets it: nothing for a few definitions.
  constexpr std::size_t kFewDefinitions = 64;
  return options.show_channel && options.channel_colors &&
         settings.color_definitions.size() > kFewDefinitions;
}

int64_t ConvertWholeLogIntoSink(const WholeLog& log, const ConvertOptions& options,
                                const ConvertSettings& settings, OutputSink& out,
                                WorkingWindowFactory& windows, const PassThreads& threads) {
  if (options.dialect == Dialect::kPage) {
    auto lines = [&](const std::function<void(const PageLine&)>& visit) {
      LineFields fields;
      for (std::size_t i = 0; i < log.raw_lines.size(); ++i) {
        const RawLineHeader& kept = log.headers[i];
        if (!kept.taken) continue;
        const std::string_view line = log.raw_lines[i];
        PageLine page;
        const LineOrigin origin = log.raw_lines.origin(i);
        page.log = origin.log;
        page.number = origin.line;
        page.time = kept.header.time;
        if (!FieldsFromHeader(line, kept.header, page.channel, page.person, page.message)) {
          SplitLineFields(line, fields);
          page.channel = fields.channel_name;
          page.person = fields.person;
          page.message = fields.message;
        }
        visit(page);
      }
    };
    return WritePage(lines, options, settings, out, windows);
  }
  // What the workers read besides the raw lines: no input line, no filter.
  ChatState state;
  state.color_definitions = settings.color_definitions;
  state.channels = log.channels;
  // One range over the lines taken in (its bounds for the Working window),
  // cut into chunks of raw lines.
  const std::vector<RangeBounds> ranges = {RangeBounds{0, static_cast<int64_t>(log.taken) - 1}};
  const std::size_t size = log.raw_lines.size();
  const std::vector<ChunkSlice> chunks =
      CutIntoChunks({RangeBounds{0, static_cast<int64_t>(size) - 1}}, size,
                    std::max<std::size_t>(threads.lines_per_chunk, 1));
  const RawLines raw{log.raw_lines, log.headers.get()};
  return ConvertChunks(state, options, settings, ranges, chunks, TimeSpan{}, &raw, out, windows,
                       threads);
}

}  // namespace quorlix
