#include "core/converter.h"

#include <algorithm>
#include <charconv>

#include "core/caption_counter.h"
#include "core/formatter.h"
#include "core/line_fields.h"
#include "core/name_lookup.h"
#include "core/text_util.h"

namespace quorlix {
namespace {

// The selected entries of a persons or channels list, matched ignoring
// letter case, as the list itself merges names that differ only so.
class SelectedNames {
 public:
  explicit SelectedNames(const std::vector<ListEntry>& entries) {
    for (const ListEntry& entry : entries) {
      if (!entry.selected) continue;
      key_ = entry.name;
      AsciiLowerInPlace(key_);
      names_.Insert(key_, true);
    }
  }
  bool Contains(std::string_view name) {
    if (names_.size() == 0) return false;
    // Answers are kept per spelling met, so most lines need one lookup.
    if (const bool* known = answers_.Find(name)) return *known;
    key_.assign(name);
    AsciiLowerInPlace(key_);
    const bool selected = names_.Find(key_) != nullptr;
    answers_.Insert(name, selected);
    return selected;
  }

 private:
  NameTable<bool> names_;  // lower-cased
  NameTable<bool> answers_;
  std::string key_;
};

constexpr int64_t kPrefetchAhead = 8;

int64_t ReadInt64(std::string_view text) {
  int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// One conversion: the formatter, the filters and the reusable buffers that
// its ranges share.
class Conversion {
 public:
  Conversion(const ChatState& state, const ConvertSettings& settings, OutputSink& out,
             WorkingWindowFactory& windows)
      : state_(state),
        out_(out),
        windows_(windows),
        formatter_(state.options, state.color_definitions, settings.time_pattern),
        persons_(state.persons),
        channels_(state.channels),
        mode_(ChooseFilterMode(state.filters.persons, state.filters.channels)) {
    if (state.options.channel_colors) formatter_.PrepareChannelColors(state.channels);
  }

  // Converts the lines first to last whose time stamp lies in `span`.
  void ConvertRange(int64_t first, int64_t last, const TimeSpan& span = {});
  int64_t converted() const { return converted_; }

 private:
  bool Passes(const LineFields& f) {
    switch (mode_) {
      case FilterMode::kNone: return true;
      case FilterMode::kPersons: return persons_.Contains(f.person);
      case FilterMode::kChannels: return channels_.Contains(f.channel_name);
      case FilterMode::kPersonsAndChannels:
        return persons_.Contains(f.person) && channels_.Contains(f.channel_name);
    }
    return false;
  }

  const ChatState& state_;
  OutputSink& out_;
  WorkingWindowFactory& windows_;
  LineFormatter formatter_;
  SelectedNames persons_, channels_;
  const FilterMode mode_;
  LineFields fields_;
  CaptionCounter caption_;
  std::string line_;
  int64_t converted_ = 0;
};

// Progress counts the lines processed and shows last - first as the total;
// the window closes after the line that makes the count reach it, so the
// range's last line is processed after the window has gone.
// A span leaves out the lines outside it; they still count as processed.
void Conversion::ConvertRange(int64_t first, int64_t last, const TimeSpan& span) {
  const std::vector<std::string_view>& input = state_.input_lines;
  const int64_t total = last - first;
  std::unique_ptr<WorkingWindow> window = windows_.Create();
  window->Show();
  WorkingWindowCloser closer(*window);

  if (window->IsActive()) {
    int64_t count = 0;
    caption_.Start(1, total);
    for (int64_t i = first; i <= last; ++i) {
      // An empty line, or one past the end, ends the range.
      const bool inside = i >= 0 && i < static_cast<int64_t>(input.size());
      const std::string_view line = inside ? input[static_cast<std::size_t>(i)] : "";
      if (line.empty()) break;
      // The log is far larger than the caches: ask early for a later line.
      if (i + kPrefetchAhead < static_cast<int64_t>(input.size())) {
        const std::string_view ahead = input[static_cast<std::size_t>(i + kPrefetchAhead)];
        __builtin_prefetch(ahead.data());
        __builtin_prefetch(ahead.data() + 64);
      }
      SplitLineFields(line, fields_);
      if ((!span.limited() || span.Contains(ReadTimestamp(fields_.timestamp_text))) &&
          Passes(fields_) &&
          formatter_.ConvertFields(fields_.channel_name, fields_.timestamp_text, fields_.person,
                                   fields_.message, line_)) {
        out_.AppendLine(line_);
        ++converted_;
      }
      if (++count > 1) caption_.Increment();
      if (closer.open()) {
        window->SetCaption(caption_.text());
        if (count >= total) closer.Close();
      }
    }
  }
  closer.Close();
  AppendFooter(state_.options.dialect, out_);
}

}  // namespace

FilterMode ChooseFilterMode(bool persons, bool channels) {
  if (persons && channels) return FilterMode::kPersonsAndChannels;
  if (persons) return FilterMode::kPersons;
  return channels ? FilterMode::kChannels : FilterMode::kNone;
}

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
    credit.append("Created using <a href=\"").append(kHomePageUrl).append(
        "\">The Quorlix</a><br>");
  } else {
    return;
  }
  out.AppendLine(credit);
}

int64_t ConvertIntoSink(ChatState& state, const ConvertSettings& settings, OutputSink& out,
                        WorkingWindowFactory& windows) {
  state.color_definitions = settings.color_definitions;
  const int64_t n = static_cast<int64_t>(state.input_lines.size());
  state.output_lines.clear();
  Conversion conversion(state, settings, out, windows);
  if (state.filters.time) {
    std::vector<std::string_view> pieces;
    for (const std::string& entry : TimeSelectionEntries(state)) {
      Explode(";", entry, 0, pieces);
      if (pieces.size() < 4) continue;
      conversion.ConvertRange(ReadInt64(pieces[2]), ReadInt64(pieces[3]));
    }
  } else {
    conversion.ConvertRange(0, n - 1);
  }
  return conversion.converted();
}

int64_t ConvertSceneIntoSink(ChatState& state, const Scene& scene,
                             const ConvertSettings& settings, OutputSink& out,
                             WorkingWindowFactory& windows) {
  state.color_definitions = settings.color_definitions;
  state.output_lines.clear();
  Conversion conversion(state, settings, out, windows);
  const int64_t last = std::min(scene.last, static_cast<int64_t>(state.input_lines.size()) - 1);
  conversion.ConvertRange(std::max<int64_t>(scene.first, 0), last, scene.span);
  return conversion.converted();
}

void ConvertIntoOutputLines(ChatState& state, const ConvertSettings& settings,
                            WorkingWindowFactory& windows) {
  OutputLines out(state.output_lines);
  ConvertIntoSink(state, settings, out, windows);
}

}  // namespace quorlix
