#include "core/log/log_merge.h"

#include <string_view>
#include <utility>

#include "core/line/line_fields.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

// The next accepted line of one log, and its time stamp.
class LogCursor {
 public:
  LogCursor(LogToMerge& log, int number)
      : log_(log), number_(log.number > 0 ? log.number : number) {}

  // Moves to the next accepted line; false at the log's end.
  bool Advance(bool suppress_bot_lines, LineFields& fields) {
    // Passed bytes of a mapped log leave memory in steps: the merged copy
    // takes their place.
    constexpr std::size_t kReleaseEvery = 1 << 16;  // lines
    if (next_ >= released_ + kReleaseEvery) {
      released_ = next_ - 1;  // the line in hand stays
      log_.lines.ReleaseBefore(released_);
    }
    while (next_ < log_.lines.size()) {
      raw_ = next_++;
      line_ = log_.lines[raw_];
      SplitLineFields(line_, fields);
      if (!Accepted(fields, suppress_bot_lines)) continue;
      try {
        time_ = ReadTimestamp(fields.timestamp_text);
      } catch (const Error& e) {
        throw Error(log_.name + ":" + std::to_string(origin().line) + ": " + e.what());
      }
      return true;
    }
    done_ = true;
    return false;
  }

  bool done() const { return done_; }
  std::string_view line() const { return line_; }
  int32_t time() const { return time_; }
  LineOrigin origin() const {
    return LineOrigin{number_, log_.lines_before + static_cast<int64_t>(raw_) + 1};
  }

 private:
  LogToMerge& log_;
  std::size_t released_ = 0;  // raw lines whose pages may have left memory
  int number_;                // from 1
  std::size_t next_ = 0;
  std::size_t raw_ = 0;
  std::string_view line_;
  int32_t time_ = 0;
  bool done_ = false;
};

}  // namespace

MergedLogs MergeLogs(std::vector<LogToMerge> logs, const LoadSettings& settings, bool always) {
  MergedLogs merged;
  merged.logs = logs.size();
  if (logs.size() == 1 && !always) {
    merged.lines = std::move(logs.front().lines);
    return merged;
  }
  if (logs.size() >= (std::size_t{1} << 16)) throw Error(Tr("Too many logs to merge"));
  std::size_t bytes = 0;
  for (const LogToMerge& log : logs) bytes += log.lines.bytes().size() + 1;
  std::string text;
  text.reserve(bytes);
  std::vector<uint64_t> origins;

  LineFields fields;
  std::vector<LogCursor> cursors;
  cursors.reserve(logs.size());
  for (std::size_t i = 0; i < logs.size(); ++i) {
    cursors.emplace_back(logs[i], static_cast<int>(i) + 1);
    cursors.back().Advance(settings.suppress_bot_lines, fields);
  }
  for (;;) {
    // The earliest next line; `<` keeps a tie with the log named first.
    LogCursor* first = nullptr;
    for (LogCursor& c : cursors) {
      if (!c.done() && (first == nullptr || c.time() < first->time())) first = &c;
    }
    if (first == nullptr) break;
    text.append(first->line()).push_back('\n');
    origins.push_back(LineStore::PackOrigin(first->origin()));
    // The same bytes hold the same time stamp: only the earliest can match.
    for (LogCursor& c : cursors) {
      if (&c == first || c.done() || c.line() != first->line()) continue;
      ++merged.duplicates;
      c.Advance(settings.suppress_bot_lines, fields);
    }
    first->Advance(settings.suppress_bot_lines, fields);
  }
  merged.lines = LineStore::FromBytes(std::move(text));
  merged.lines.SetOrigins(std::move(origins));
  return merged;
}

LineStore AppendLines(const LineStore& lines, const LineStore& more) {
  std::string text;
  text.reserve(lines.bytes().size() + more.bytes().size());
  text.append(lines.bytes()).append(more.bytes());
  LineStore joined = LineStore::FromBytes(std::move(text));
  if (lines.has_origins() || more.has_origins()) {
    std::vector<uint64_t> origins = lines.packed_origins();
    origins.insert(origins.end(), more.packed_origins().begin(), more.packed_origins().end());
    joined.SetOrigins(std::move(origins));
  }
  return joined;
}

}  // namespace quorlix
