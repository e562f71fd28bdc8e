#include "core/loader.h"

#include <algorithm>

#include "core/caption_counter.h"
#include "core/error.h"
#include "core/line_fields.h"
#include "core/name_lookup.h"
#include "core/text_util.h"

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

}  // namespace

void RunLoadPass(ChatState& state, const LoadSettings& settings,
                 WorkingWindowFactory& windows) {
  const LineStore& raw = state.raw_lines;
  const int64_t last = static_cast<int64_t>(raw.size()) - 1;

  state.input_lines.clear();
  state.input_lines.reserve(raw.size());
  state.persons.clear();
  state.channels.clear();
  NameCollection persons, channels;
  TimeIndex index(state.time_tree, ParseTreeDepth(settings.depth));
  index.Reset();
  state.output_lines.clear();

  std::unique_ptr<WorkingWindow> window = windows.Create();
  window->Show();
  WorkingWindowCloser closer(*window);
  if (window->IsActive()) {
    LineFields fields;
    CaptionCounter caption;
    caption.Start(0, last);
    int64_t i = 0;
    try {
      for (; i <= last; ++i) {
        const std::string_view line = raw[static_cast<std::size_t>(i)];
        SplitLineFields(line, fields);
        if (Accepted(fields, settings.suppress_bot_lines)) {
          persons.Add(fields.person);
          channels.Add(fields.channel_name);
          const int64_t input_index = static_cast<int64_t>(state.input_lines.size());
          index.AddLine(input_index, ReadTimestamp(fields.timestamp_text));
          state.input_lines.push_back(line);
        }
        if (i > 0) caption.Increment();
        window->SetCaption(caption.text());
      }
    } catch (const Error& e) {
      throw Error(e.what(), i + 1);  // the file's line, for the message
    }
  }
  index.Finish();
  closer.Close();

  state.persons = persons.TakeSorted();
  state.channels = channels.TakeSorted();
  state.day_runs = std::move(index.day_runs());
  state.year_runs = std::move(index.year_runs());
  state.month_runs = std::move(index.month_runs());
}

}  // namespace quorlix
