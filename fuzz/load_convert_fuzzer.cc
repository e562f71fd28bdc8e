// Fuzz target: a whole load and conversion of a small log built from the
// input (well-formed lines with jumping time stamps, odd names and markup,
// and raw byte lines), with filters and a time selection taken from the
// input. Checks the engine's own invariants against literal models:
// - the raw lines are the file's lines, the input lines the accepted ones;
// - the persons and channels lists: every name once ignoring case, sorted;
// - the year, month and day runs are those the run rules give, cover every
//   input line once (consecutive, 0 to n-1), and day runs nest in months,
//   months in years;
// - the n-th tree node of a level stands for the n-th run of that level,
//   so each selected node maps to a run;
// - the output is one line per converted input line plus two footer lines
//   per range, each line as the model formats it;
// - every Working window shown is closed, also when a load or a conversion
//   stops on a bad time stamp;
// - the conversion of the whole log from its raw lines, keeping none,
//   gives what converting every accepted line gives, and fails where the
//   full load does.
#include <fuzzer/FuzzedDataProvider.h>
#include <time.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/convert/converter.h"
#include "core/log/chat_state.h"
#include "core/log/loader.h"
#include "core/log/time_index.h"
#include "core/text/error.h"
#include "core/text/text_util.h"
#include "core/work/output_sink.h"
#include "fuzz/check.h"
#include "reference/formatter.h"
#include "reference/log_line.h"

namespace {

using namespace quorlix;

// Gathers the output lines to compare with the model's.
class OutputLines : public OutputSink {
 public:
  explicit OutputLines(std::vector<std::string>& lines) : lines_(lines) {}
  void AppendLine(std::string_view line) override { lines_.emplace_back(line); }

 private:
  std::vector<std::string>& lines_;
};

// Counts windows; each must be shown and closed once.
class CountingWindows : public WorkingWindowFactory {
 public:
  std::unique_ptr<WorkingWindow> Create() override {
    ++created;
    return std::make_unique<Window>(*this);
  }
  int created = 0, shown = 0, closed = 0;

 private:
  class Window : public WorkingWindow {
   public:
    explicit Window(CountingWindows& owner) : owner_(owner) {}
    ~Window() override { QUORLIX_CHECK(closed_); }
    void Show() override { ++owner_.shown; }
    bool IsActive() const override { return true; }
    void SetCaption(std::string_view) override { QUORLIX_CHECK(!closed_); }
    void Close() override {
      QUORLIX_CHECK(!closed_);
      closed_ = true;
      ++owner_.closed;
    }

   private:
    CountingWindows& owner_;
    bool closed_ = false;
  };
};

std::string Lower(std::string_view text) {
  std::string out(text);
  AsciiLowerInPlace(out);
  return out;
}

// ---- The log, built from the input -------------------------------------

const char* const kChannels[] = {"Clan", "clan", "OOC", "Org, Inc", "Vicinity", ""};
const char* const kPersons[] = {"Alice", "alice", "Bob", "Polbot", "Al\"ice", ""};
const char* const kBreaks[] = {"\n", "\r\n", "\r"};

std::string Pick(FuzzedDataProvider& input, const char* const* names, std::size_t count) {
  const std::size_t k = input.ConsumeIntegralInRange<std::size_t>(0, count);
  return k < count ? names[k] : input.ConsumeRandomLengthString(12);
}

std::string MakeLog(FuzzedDataProvider& input) {
  std::string log;
  int64_t t = input.ConsumeIntegral<int32_t>();
  const int lines = input.ConsumeIntegralInRange(0, 40);
  for (int i = 0; i < lines && input.remaining_bytes() > 0; ++i) {
    const uint8_t kind = input.ConsumeIntegral<uint8_t>();
    if (kind >= 240) {
      log += input.ConsumeRandomLengthString(120);  // any bytes at all
    } else {
      if (kind >= 220) {
        t = input.ConsumeIntegral<int32_t>();
      } else {
        // Mostly forward, by seconds to weeks; sometimes a little back.
        t += input.ConsumeIntegralInRange<int64_t>(-90000, 3000000);
        t = std::clamp<int64_t>(t, INT32_MIN, INT32_MAX);
      }
      const std::string channel = Pick(input, kChannels, std::size(kChannels));
      std::string person = Pick(input, kPersons, std::size(kPersons));
      if (kind % 2 == 0) person = "\"" + person + "\"";
      log += "[\"" + std::to_string(i) + "\",\"" + channel + "\"," + person + "," +
             (kind % 5 == 0 ? " " : "") + std::to_string(t) + "]" +
             input.ConsumeRandomLengthString(80);
    }
    log += kBreaks[input.ConsumeIntegralInRange(0, 2)];
  }
  return log;
}

// ---- Models ---------------------------------------------------------------

// Lines end at CR LF, LF or a lone CR; a final break makes no extra line.
std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\n' && bytes[i] != '\r') continue;
    lines.push_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

struct Run {
  int64_t start, first, last;
};

struct CalendarDay {
  int64_t year;
  int month, day, hour, minute;
  int64_t midnight;
};

CalendarDay DayOf(int64_t t) {
  const time_t seconds = static_cast<time_t>(t);
  struct tm utc;
  gmtime_r(&seconds, &utc);
  return {utc.tm_year + 1900LL, utc.tm_mon + 1,
          utc.tm_mday,          utc.tm_hour,
          utc.tm_min,           t - (utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec)};
}

// The run rules: a new day begins at the UTC midnight after the open day
// run's start; year and month runs change only when a day does.
void ModelRuns(const std::vector<int64_t>& times, std::vector<Run> runs[3]) {
  Run year{}, month{}, day{};
  int64_t year_value = 0, midnight = 0;
  int month_value = 0;
  for (std::size_t k = 0; k < times.size(); ++k) {
    const int64_t t = times[k], i = static_cast<int64_t>(k);
    const CalendarDay c = DayOf(t);
    if (k == 0) {
      year = month = day = Run{t, i, i};
      year_value = c.year, month_value = c.month, midnight = c.midnight;
    } else if (t < midnight + 86400) {
      year.last = month.last = day.last = i;
    } else {
      bool year_changed = false;
      if (c.year == year_value) {
        year.last = i;
      } else {
        runs[0].push_back(year);
        year = Run{t, i, i}, year_value = c.year, year_changed = true;
      }
      if (c.month == month_value && !year_changed) {
        month.last = i;
      } else {
        runs[1].push_back(month);
        month = Run{t, i, i}, month_value = c.month;
      }
      runs[2].push_back(day);
      day = Run{t, i, i}, midnight = c.midnight;
    }
  }
  if (!times.empty()) runs[0].push_back(year), runs[1].push_back(month), runs[2].push_back(day);
}

std::string RunText(const Run& r) {
  return std::to_string(r.start) + ";" + std::to_string(r.first) + ";" + std::to_string(r.last);
}

const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

// The text a node of `level` has for the run starting at `start`.
std::string NodeText(int level, int64_t start) {
  const CalendarDay c = DayOf(start);
  switch (level) {
    case 1: return std::to_string(c.year);
    case 2: return kMonthNames[c.month - 1];
    default: return std::to_string(c.day);
  }
}

// Node ids by level, depth-first (children in order).
void NodesByLevel(const TimeTree& tree, int id, std::vector<int> levels[6]) {
  const TimeTree::Node& node = tree.node(id);
  QUORLIX_CHECK(node.level >= 0 && node.level <= 5);
  levels[node.level].push_back(id);
  for (int child : node.children) {
    QUORLIX_CHECK(tree.node(child).parent == id && tree.node(child).level == node.level + 1);
    NodesByLevel(tree, child, levels);
  }
}

int Depth(const std::string& setting) {
  if (setting == "Month") return 2;
  if (setting == "Day") return 3;
  if (setting == "Hour") return 4;
  if (setting == "Minute") return 5;
  return 1;
}

void CheckNames(const std::vector<ListEntry>& list, const std::vector<std::string>& names) {
  std::vector<std::string> want;  // first spelling of each name ignoring case
  std::set<std::string> seen;
  for (const std::string& name : names) {
    if (!name.empty() && seen.insert(Lower(name)).second) want.push_back(name);
  }
  QUORLIX_CHECK(list.size() == want.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    QUORLIX_CHECK(std::find(want.begin(), want.end(), list[i].name) != want.end());
    if (i > 0) QUORLIX_CHECK(CompareIgnoreAsciiCase(list[i - 1].name, list[i].name) < 0);
  }
}

std::vector<std::string> Footer(Dialect dialect) {
  const std::string url(kHomePageUrl);
  if (dialect == Dialect::kUbb) return {"", "Created using [url=\"" + url + "\"]The Quorlix[/url]"};
  if (dialect == Dialect::kHtml) {
    return {"<br>", "Created using <a href=\"" + url + "\">The Quorlix</a><br>"};
  }
  if (dialect == Dialect::kMarkdown) return {"", "Created using [The Quorlix](" + url + ")"};
  return {};
}

// The whole log converted straight from its raw lines against the model:
// every accepted line, then the footer; a bad time stamp fails the load.
void CheckWholeLog(const std::string& log, const LoadSettings& load, const ConvertOptions& options,
                   const ConvertSettings& settings, const PassThreads& threads,
                   const std::vector<std::string_view>& accepted,
                   const std::vector<std::string>& channels, bool bad_time, bool list_channels) {
  CountingWindows windows;
  WholeLog whole;
  try {
    whole = LoadWholeLog(LineStore::FromBytes(log), load, windows, threads, list_channels);
    QUORLIX_CHECK(!bad_time);
  } catch (const Error&) {
    QUORLIX_CHECK(bad_time);
    QUORLIX_CHECK(windows.shown == windows.created && windows.closed == windows.created);
    return;
  }
  QUORLIX_CHECK(whole.taken == accepted.size());
  if (list_channels) {
    CheckNames(whole.channels, channels);
  } else {
    QUORLIX_CHECK(whole.channels.empty());
  }
  std::vector<std::string> want;
  bool want_error = false;
  for (std::string_view line : accepted) {
    try {
      if (auto converted = reference::ReferenceConvertLine(options, settings.color_definitions,
                                                           settings.time_pattern, line)) {
        want.push_back(*converted);
      }
    } catch (const Error&) {
      want_error = true;
      break;
    }
  }
  if (!want_error) {
    for (std::string& line : Footer(options.dialect)) want.push_back(line);
  }
  std::vector<std::string> got;
  OutputLines sink(got);
  try {
    ConvertWholeLogIntoSink(whole, options, settings, sink, windows, threads);
    QUORLIX_CHECK(!want_error);
  } catch (const Error&) {
    QUORLIX_CHECK(want_error);
  }
  QUORLIX_CHECK(got == want);
  QUORLIX_CHECK(windows.shown == windows.created && windows.closed == windows.created);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  static const char* const kDepths[] = {"Year", "Month", "Day", "Hour", "Minute", "day"};
  LoadSettings load;
  load.suppress_bot_lines = input.ConsumeBool();
  load.depth = kDepths[input.ConsumeIntegralInRange(0, 5)];
  ChatState state;
  ConvertOptions options;
  // 3 stands for a dialect without output lines (the web page is left to
  // its own tests).
  const int dialect = input.ConsumeIntegralInRange(0, 3);
  options.dialect = static_cast<Dialect>(dialect == 3 ? 4 : dialect);
  options.show_channel = input.ConsumeBool();
  options.channel_colors = input.ConsumeBool();
  options.show_time = input.ConsumeBool();
  options.mark_links = input.ConsumeBool();
  options.delete_tags = input.ConsumeBool();
  state.filters.persons = input.ConsumeBool();
  state.filters.channels = input.ConsumeBool();
  state.filters.time = input.ConsumeBool();
  ConvertSettings settings;
  settings.time_pattern = input.ConsumeBool() ? "Y:M:D h:m:s" : input.ConsumeRandomLengthString(12);
  settings.color_definitions = {"Clan=ff8000", input.ConsumeRandomLengthString(20)};
  const uint64_t selection_bits = input.ConsumeIntegral<uint64_t>();
  // How the passes divide their work must show in no result.
  PassThreads threads;
  threads.count = input.ConsumeIntegralInRange(1u, 4u);
  threads.lines_per_chunk = input.ConsumeIntegralInRange<std::size_t>(1, 9);
  const std::string log = MakeLog(input);

  // ---- Load ----
  state.ReplaceRawLines(LineStore::FromBytes(log));
  const std::vector<std::string_view> raw = SplitLines(log);
  QUORLIX_CHECK(state.raw_lines().size() == raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) QUORLIX_CHECK(state.raw_lines()[i] == raw[i]);

  CountingWindows windows;
  std::vector<std::string_view> accepted;
  std::vector<int64_t> times;
  std::vector<std::string> persons, channels;
  bool bad_time = false;
  for (std::string_view line : raw) {
    if (!AcceptLogLine(line, load.suppress_bot_lines)) continue;
    const reference::ReferenceFields f = reference::ReferenceSplit(line);
    try {
      times.push_back(ReadTimestamp(f.timestamp_text));
    } catch (const Error&) {
      bad_time = true;
      break;
    }
    accepted.push_back(line);
    persons.push_back(f.person);
    channels.push_back(f.channel_name);
  }
  CheckWholeLog(log, load, options, settings, threads, accepted, channels, bad_time,
                selection_bits % 3 != 0);
  try {
    RunLoadPass(state, load, windows, threads);
    QUORLIX_CHECK(!bad_time);
  } catch (const Error&) {
    // The load stops at the bad line, keeping the lines accepted before it.
    QUORLIX_CHECK(bad_time);
    QUORLIX_CHECK(state.input_lines() == accepted);
    QUORLIX_CHECK(state.persons.empty() && state.channels.empty());
    QUORLIX_CHECK(windows.shown == windows.created && windows.closed == windows.created);
    return 0;
  }
  QUORLIX_CHECK(state.input_lines() == accepted);
  CheckNames(state.persons, persons);
  CheckNames(state.channels, channels);

  // ---- Runs and tree ----
  std::vector<Run> runs[3];
  ModelRuns(times, runs);
  const std::vector<std::string>* lists[3] = {&state.year_runs, &state.month_runs, &state.day_runs};
  for (int level = 0; level < 3; ++level) {
    QUORLIX_CHECK(lists[level]->size() == runs[level].size());
    int64_t next = 0;
    for (std::size_t k = 0; k < runs[level].size(); ++k) {
      const Run& r = runs[level][k];
      QUORLIX_CHECK((*lists[level])[k] == RunText(r));
      QUORLIX_CHECK(r.first == next && r.last >= r.first && r.start == times[r.first]);
      next = r.last + 1;
    }
    QUORLIX_CHECK(next == static_cast<int64_t>(times.size()));
    if (level == 0) continue;
    for (const Run& inner : runs[level]) {  // inside one run of the level above
      QUORLIX_CHECK(
          std::any_of(runs[level - 1].begin(), runs[level - 1].end(), [&](const Run& outer) {
            return outer.first <= inner.first && inner.last <= outer.last;
          }));
    }
  }
  std::vector<int> levels[6];
  NodesByLevel(state.time_tree, TimeTree::kRoot, levels);
  QUORLIX_CHECK(levels[0].size() == 1 &&
                state.time_tree.node(TimeTree::kRoot).text == kTimeTreeRootText);
  const int depth = Depth(load.depth);
  for (int level = 1; level <= 5; ++level) {
    const std::size_t want = level > depth ? 0
                             : level <= 3  ? runs[level - 1].size()
                                           : runs[2].size();
    QUORLIX_CHECK(levels[level].size() == want);
    for (std::size_t k = 0; level <= 3 && k < want; ++k) {
      QUORLIX_CHECK(state.time_tree.node(levels[level][k]).text ==
                    NodeText(level, runs[level - 1][k].start));
      QUORLIX_CHECK(LevelOrdinal(state.time_tree, levels[level][k]) == static_cast<int>(k));
    }
  }

  // ---- Selections ----
  uint64_t bits = selection_bits;
  auto next_bit = [&bits] {
    const bool bit = bits & 1;
    bits = (bits >> 1) | (bits << 63);
    return bit;
  };
  for (ListEntry& e : state.persons) e.selected = next_bit();
  for (ListEntry& e : state.channels) e.selected = next_bit();
  std::vector<std::string> entries;
  for (int id = 0; id < state.time_tree.size(); ++id) {
    TimeTree::Node& node = state.time_tree.node(id);
    node.selected = next_bit();
    if (!node.selected || node.level < 1 || node.level > 3) continue;
    const std::vector<int>& same = levels[node.level];
    const std::size_t k = std::find(same.begin(), same.end(), id) - same.begin();
    entries.push_back(std::string(1, "ymd"[node.level - 1]) + ";" +
                      RunText(runs[node.level - 1][k]));
  }
  std::sort(entries.begin(), entries.end(),
            [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
  QUORLIX_CHECK(TimeSelectionEntries(state) == entries);

  // ---- Conversion ----
  std::set<std::string> chosen_persons, chosen_channels;
  for (const ListEntry& e : state.persons)
    if (e.selected) chosen_persons.insert(Lower(e.name));
  for (const ListEntry& e : state.channels)
    if (e.selected) chosen_channels.insert(Lower(e.name));
  std::vector<std::pair<int64_t, int64_t>> ranges;
  if (state.filters.time) {
    for (const std::string& entry : entries) {
      const std::vector<std::string_view> pieces = Explode(";", entry);
      int64_t first = 0, last = 0;
      std::from_chars(pieces[2].data(), pieces[2].data() + pieces[2].size(), first);
      std::from_chars(pieces[3].data(), pieces[3].data() + pieces[3].size(), last);
      ranges.emplace_back(first, last);
    }
  } else {
    ranges.emplace_back(0, static_cast<int64_t>(accepted.size()) - 1);
  }
  std::vector<std::string> want;
  bool want_error = false;
  for (const auto& [first, last] : ranges) {
    for (int64_t i = first; i <= last && !want_error; ++i) {
      const reference::ReferenceFields f = reference::ReferenceSplit(accepted[i]);
      if (state.filters.persons && !chosen_persons.count(Lower(f.person))) continue;
      if (state.filters.channels && !chosen_channels.count(Lower(f.channel_name))) continue;
      try {
        if (auto line = reference::ReferenceConvertLine(options, settings.color_definitions,
                                                        settings.time_pattern, accepted[i])) {
          want.push_back(*line);
        }
      } catch (const Error&) {
        want_error = true;
      }
    }
    if (want_error) break;
    for (std::string& line : Footer(options.dialect)) want.push_back(line);
  }

  std::vector<std::string> got;
  OutputLines sink(got);
  const int windows_before = windows.created;
  try {
    ConvertIntoSink(state, options, settings, sink, windows, threads);
    QUORLIX_CHECK(!want_error);
  } catch (const Error&) {
    QUORLIX_CHECK(want_error);
  }
  QUORLIX_CHECK(got == want);
  QUORLIX_CHECK(windows.created - windows_before <= static_cast<int>(ranges.size()));
  QUORLIX_CHECK(windows.shown == windows.created && windows.closed == windows.created);
  return 0;
}
