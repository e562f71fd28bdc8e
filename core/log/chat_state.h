// The state that the main window owns and that loading and conversion
// share, as plain values. Each member is named after what shows it.
// The options of a conversion are not kept here: see
// core/dialects/convert_options.h.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/line/line_fields.h"
#include "core/line/list_entry.h"
#include "core/log/line_store.h"
#include "core/log/time_index.h"

namespace quorlix {

struct FilterFlags {
  bool persons = false;   // cb_filter_person
  bool channels = false;  // cb_filter_channel
  bool time = false;      // cb_filter_time
};

// Which of the person and channel filters a conversion applies, valued as
// the codes these combinations have always had.
enum class FilterMode : int { kNone = 0, kPersons = 1, kChannels = 3, kPersonsAndChannels = 4 };
FilterMode ChooseFilterMode(bool persons, bool channels);

// The lines are kept together: the input lines are views into the raw
// lines and go when those are replaced, and a header is kept per input
// line only for lines the load read. The lists, runs, tree and filters
// are plain values that loading fills and the window sets.
class ChatState {
 public:
  std::vector<std::string> color_definitions;  // memo_color: "key=value"
  // lb_person, lb_channel: sorted ignoring letter case, one entry per name
  // ignoring letter case (the spelling met first), no empty names.
  std::vector<ListEntry> persons, channels;
  // ListBox_year, ListBox_month, ListBox_day: TimeRun texts.
  std::vector<std::string> year_runs, month_runs, day_runs;
  TimeTree time_tree;  // TreeView_time, with a selected flag per node
  FilterFlags filters;

  const LineStore& raw_lines() const { return raw_lines_; }  // memo_load
  // memo_input: views into raw_lines().
  const std::vector<std::string_view>& input_lines() const { return input_lines_; }
  // What the load read of each input line, so that a conversion does not
  // split it again; nullptr when the input lines were set otherwise.
  const LineHeader* input_headers() const {
    return input_headers_.size() == input_lines_.size() ? input_headers_.data() : nullptr;
  }

  // Takes the lines of another log (none: the old ones are let go before
  // the next log is read); the input lines and their headers, which point
  // into the old lines, go with them.
  void ReplaceRawLines(LineStore lines = LineStore());
  // Gives the raw lines away; the input lines go with them.
  LineStore TakeRawLines();
  // Starts the input lines afresh, with room for `capacity` of them.
  void ClearInputLines(std::size_t capacity = 0);
  // Appends lines the load accepted (views into raw_lines()), each with
  // the header the load read of it; `headers` holds one per line.
  void AppendInputLines(std::span<const std::string_view> lines,
                        std::span<const LineHeader> headers);
  // Input lines chosen otherwise (views the caller keeps valid, as a rule
  // into raw_lines()): no headers are kept, a conversion splits each line.
  void SetInputLines(std::vector<std::string_view> lines);

 private:
  LineStore raw_lines_;
  std::vector<std::string_view> input_lines_;
  std::vector<LineHeader> input_headers_;  // as many as input_lines_, or none
};

}  // namespace quorlix
