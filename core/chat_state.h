// The state that the main window owns and that loading and conversion
// share, as plain values. Each member is named after what shows it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/line_fields.h"
#include "core/line_store.h"
#include "core/time_index.h"

namespace quorlix {

struct ListEntry {
  std::string name;
  bool selected = false;
};

// The output dialect, valued as the index of combo_code. Other values stand
// for entries that give no output; the window and quorlix-cli convert from
// and to the index at their edges.
enum class Dialect : int { kUbb = 0, kHtml = 1, kMarkdown = 2 };

struct ConvertOptions {
  Dialect dialect = Dialect::kUbb;  // combo_code
  bool show_channel = false;        // check_channel
  bool channel_colors = false;      // check_channel_color (only with show_channel)
  bool show_time = false;           // check_showtime
  bool mark_links = false;          // check_marklink
  bool delete_tags = false;         // CheckBox_delete_tags
};

struct FilterFlags {
  bool persons = false;   // cb_filter_person
  bool channels = false;  // cb_filter_channel
  bool time = false;      // cb_filter_time
};

struct ChatState {
  LineStore raw_lines;                        // memo_load
  std::vector<std::string_view> input_lines;  // memo_input: views into raw_lines
  // What the load read of each input line, so that a conversion does not
  // split it again. Only used while it has as many entries as input_lines:
  // whoever changes the input lines otherwise clears it.
  std::vector<LineHeader> input_headers;
  std::vector<std::string> color_definitions;  // memo_color: "key=value"
  // lb_person, lb_channel: sorted ignoring letter case, one entry per name
  // ignoring letter case (the spelling met first), no empty names.
  std::vector<ListEntry> persons, channels;
  // ListBox_year, ListBox_month, ListBox_day: TimeRun texts.
  std::vector<std::string> year_runs, month_runs, day_runs;
  TimeTree time_tree;  // TreeView_time, with a selected flag per node
  ConvertOptions options;
  FilterFlags filters;

  // Takes the lines of another log (none: the old ones are let go before
  // the next log is read); the input lines and their headers, which point
  // into the old lines, go with them.
  void ReplaceRawLines(LineStore lines = LineStore()) {
    input_lines.clear();
    input_headers.clear();
    raw_lines = std::move(lines);
  }
};

}  // namespace quorlix
