#include "core/log/loader.h"

#include <algorithm>
#include <exception>

#include "core/files/byte_buffer.h"
#include "core/line/line_fields.h"
#include "core/text/error.h"
#include "core/text/name_lookup.h"
#include "core/text/text_util.h"
#include "core/work/caption_counter.h"
#include "core/work/ordered_chunks.h"

namespace quorlix {
namespace {

// Names gathered during a pass: one entry per name ignoring letter case,
// the spelling met first kept. Sorted only when published.
class NameCollection {
 public:
  void Add(std::string_view name) {
    // Most lines repeat a spelling met before: one lookup, no lower-casing.
    if (name.empty() || !spellings_.Insert(name, true).second) return;
    key_.assign(name);
    AsciiLowerInPlace(key_);
    if (lowered_.Insert(key_, true).second) names_.emplace_back(name);
  }

  std::vector<ListEntry> TakeSorted() {
    std::sort(names_.begin(), names_.end(), [](const std::string& a, const std::string& b) {
      return CompareIgnoreAsciiCase(a, b) < 0;
    });
    std::vector<ListEntry> entries;
    entries.reserve(names_.size());
    for (std::string& name : names_) entries.push_back(ListEntry{std::move(name), false});
    names_.clear();
    return entries;
  }

 private:
  NameTable<bool> spellings_;  // every spelling met
  NameTable<bool> lowered_;    // lower-cased names
  std::vector<std::string> names_;
  std::string key_;
};

// What one chunk of raw lines gives, in file order.
struct LoadChunk {
  std::size_t first = 0;      // raw index of its first line
  std::size_t processed = 0;  // raw lines done; the next one failed when `error` is set
  std::size_t taken = 0;      // of them, lines taken in
  // Listed unless LoadMode::raw_headers takes the headers.
  std::vector<std::string_view> accepted;
  std::vector<LineHeader> headers;  // of the accepted lines
  // Names the chunk's thread had not met before, in the order met: they
  // include every name whose first occurrence in the file is here.
  std::vector<std::string> new_persons, new_channels;
  std::exception_ptr error;  // the time stamp that did not read
};

// What a pass asks of every chunk.
struct LoadMode {
  bool suppress_bot_lines;
  // Where the lines' headers go by raw index; then no persons are noted,
  // and channels only with `list_channels`. Null: the chunks list their
  // accepted lines, headers, persons and channels.
  RawLineHeader* raw_headers;
  bool list_channels;
};

// A thread's own split buffers and the spellings it has met so far.
class LoadWorker {
 public:
  explicit LoadWorker(const LoadMode& mode) : mode_(mode) {}

  void Run(const LineStore& raw, std::size_t end, LoadChunk& chunk) {
    const bool keep = mode_.raw_headers == nullptr;
    chunk.processed = 0;
    chunk.taken = 0;
    chunk.accepted.clear();
    chunk.headers.clear();
    chunk.new_persons.clear();
    chunk.new_channels.clear();
    chunk.error = nullptr;
    for (std::size_t i = chunk.first; i < end; ++i, ++chunk.processed) {
      const std::string_view line = raw[i];
      SplitLineFields(line, fields_);
      if (!Accepted(fields_, mode_.suppress_bot_lines)) {
        if (!keep) mode_.raw_headers[i].taken = false;
        continue;
      }
      if (keep) NoteName(persons_, fields_.person, chunk.new_persons);
      if (mode_.list_channels) NoteName(channels_, fields_.channel_name, chunk.new_channels);
      try {
        const int32_t time = ReadTimestamp(fields_.timestamp_text);
        if (keep) {
          chunk.headers.push_back(KeepHeader(line, fields_, time));
          chunk.accepted.push_back(line);
        } else {
          mode_.raw_headers[i] = RawLineHeader{KeepHeader(line, fields_, time), true};
        }
      } catch (...) {
        chunk.error = std::current_exception();
        return;
      }
      ++chunk.taken;
    }
  }

 private:
  static void NoteName(NameTable<bool>& seen, std::string_view name,
                       std::vector<std::string>& new_names) {
    if (!name.empty() && seen.Insert(name, true).second) new_names.emplace_back(name);
  }

  const LoadMode mode_;
  LineFields fields_;
  NameTable<bool> persons_, channels_;
};

// Threads split and check chunks of raw lines; this thread takes their
// results in file order and builds the lists, the input lines and the time
// index exactly as one pass over the lines would; with `raw_headers`, a
// header per raw line there and the channels list only (with
// `list_channels`). Returns the number of lines taken in.
std::size_t LoadPass(ChatState& state, const LoadSettings& settings, WorkingWindowFactory& windows,
                     const PassThreads& pass, RawLineHeader* raw_headers, bool list_channels) {
  const bool keep = raw_headers == nullptr;
  const LineStore& raw = state.raw_lines();
  const int64_t last = static_cast<int64_t>(raw.size()) - 1;

  state.ClearInputLines(keep ? raw.size() : 0);
  std::size_t taken = 0;
  state.persons.clear();
  state.channels.clear();
  NameCollection persons, channels;
  TimeIndex index(state.time_tree, ParseTreeDepth(settings.depth));
  index.Reset();

  std::unique_ptr<WorkingWindow> window = windows.Create();
  window->Show();
  WorkingWindowCloser closer(*window);
  if (window->IsActive()) {
    const unsigned threads = ThreadCount(pass);
    const std::size_t per_chunk = std::max<std::size_t>(pass.lines_per_chunk, 1);
    const std::size_t chunks = (raw.size() + per_chunk - 1) / per_chunk;
    const std::size_t ahead = static_cast<std::size_t>(threads) + 2;
    std::vector<LoadChunk> ring(std::min(ahead, std::max<std::size_t>(chunks, 1)));
    const LoadMode mode{settings.suppress_bot_lines, raw_headers, list_channels};
    std::vector<LoadWorker> workers(threads, LoadWorker(mode));
    CaptionCounter caption;
    caption.Start(0, last);
    const bool captions = window->ShowsCaption();
    RunChunksInOrder(
        threads, chunks, ring.size(),
        [&](unsigned worker, std::size_t c) {
          LoadChunk& chunk = ring[c % ring.size()];
          chunk.first = c * per_chunk;
          workers[worker].Run(raw, std::min(raw.size(), chunk.first + per_chunk), chunk);
        },
        [&](std::size_t c) {
          const LoadChunk& chunk = ring[c % ring.size()];
          for (std::size_t i = chunk.first; captions && i < chunk.first + chunk.processed; ++i) {
            if (i > 0) caption.Increment();
            window->SetCaption(caption.text());
          }
          taken += chunk.taken;
          for (std::size_t k = 0; k < chunk.accepted.size(); ++k) {
            index.AddLine(static_cast<int64_t>(state.input_lines().size() + k),
                          chunk.headers[k].time);
          }
          state.AppendInputLines(chunk.accepted, chunk.headers);
          for (const std::string& name : chunk.new_persons) persons.Add(name);
          for (const std::string& name : chunk.new_channels) channels.Add(name);
          if (chunk.error) {
            try {
              std::rethrow_exception(chunk.error);
            } catch (const Error& e) {  // the file's line, for the message
              throw Error(e.what(), static_cast<int64_t>(chunk.first + chunk.processed) + 1);
            }
          }
          return true;
        });
  }
  index.Finish();
  closer.Close();

  state.persons = persons.TakeSorted();
  state.channels = channels.TakeSorted();
  state.day_runs = std::move(index.day_runs());
  state.year_runs = std::move(index.year_runs());
  state.month_runs = std::move(index.month_runs());
  return taken;
}

}  // namespace

void RunLoadPass(ChatState& state, const LoadSettings& settings, WorkingWindowFactory& windows,
                 const PassThreads& pass) {
  LoadPass(state, settings, windows, pass, nullptr, true);
}

WholeLog LoadWholeLog(LineStore raw_lines, const LoadSettings& settings,
                      WorkingWindowFactory& windows, const PassThreads& pass, bool list_channels) {
  // The pass fills only the channels list of this state, which stays here.
  ChatState state;
  state.ReplaceRawLines(std::move(raw_lines));
  WholeLog log;
  // Not written here: each worker writes the headers of its own lines.
  const std::size_t size = std::max<std::size_t>(state.raw_lines().size(), 1);
  log.headers.reset(new RawLineHeader[size]);
  AdviseHugePages(log.headers.get(), size * sizeof(RawLineHeader));
  log.taken = LoadPass(state, settings, windows, pass, log.headers.get(), list_channels);
  log.raw_lines = state.TakeRawLines();
  log.channels = std::move(state.channels);
  return log;
}

}  // namespace quorlix
