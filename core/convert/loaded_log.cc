#include "core/convert/loaded_log.h"

#include <stdexcept>
#include <utility>

#include "core/log/time_index.h"
#include "core/text/text_util.h"

namespace quorlix {
namespace {

// Selects the entry equal to each name ignoring letter case and sets the
// filter flag when any name is given. Returns the names that match no
// entry.
std::vector<std::string> SelectEntries(const std::vector<std::string>& names,
                                       std::vector<ListEntry>& entries, bool& filter) {
  std::vector<std::string> unknown;
  for (const std::string& name : names) {
    bool found = false;
    for (ListEntry& entry : entries) {
      if (EqualsIgnoreAsciiCase(entry.name, name)) entry.selected = found = true;
    }
    if (!found) unknown.push_back(name);
  }
  if (!names.empty()) filter = true;
  return unknown;
}

// Children of `parents` whose text is `text`.
std::vector<int> ChildrenNamed(const TimeTree& tree, const std::vector<int>& parents,
                               const std::string& text) {
  std::vector<int> found;
  for (int parent : parents) {
    for (int child : tree.node(parent).children) {
      if (tree.node(child).text == text) found.push_back(child);
    }
  }
  return found;
}

// Selects the time-tree nodes of each period (every node of that year,
// month or day, should the log's time go backwards and make two) and sets
// state.filters.time when any period is given. Returns the texts of the
// periods that have no node.
std::vector<std::string> SelectPeriods(const std::vector<Period>& periods, ChatState& state) {
  std::vector<std::string> unknown;
  TimeTree& tree = state.time_tree;
  std::string month_name;
  for (const Period& period : periods) {
    std::vector<int> nodes = ChildrenNamed(tree, {TimeTree::kRoot}, std::to_string(period.year));
    if (period.month != 0) {
      month_name.clear();
      MonthName(period.month, month_name);
      nodes = ChildrenNamed(tree, nodes, month_name);
    }
    if (period.day != 0) nodes = ChildrenNamed(tree, nodes, std::to_string(period.day));
    for (int node : nodes) tree.node(node).selected = true;
    if (nodes.empty()) unknown.push_back(period.text);
  }
  if (!periods.empty()) state.filters.time = true;
  return unknown;
}

}  // namespace

LoadedLog LoadedLog::Load(LineStore raw_lines, ConversionRequest request,
                          const LoadSettings& settings, WorkingWindowFactory& windows,
                          const PassThreads& threads) {
  LoadedLog log(std::move(request));
  const ConversionRequest& r = log.request_;
  if (!r.list_only && !r.scenes && r.selection == Selection{}) {
    // Converting the whole log needs none of its lines kept, nor the lists.
    log.whole_ = LoadWholeLog(std::move(raw_lines), settings, windows, threads,
                              ConvertWantsChannelList(r.options, r.settings));
    return log;
  }
  log.state_.ReplaceRawLines(std::move(raw_lines));
  RunLoadPass(log.state_, settings, windows, threads);
  log.Select();
  return log;
}

void LoadedLog::Select() {
  const Selection& selection = request_.selection;
  unknown_.persons = SelectEntries(selection.persons, state_.persons, state_.filters.persons);
  unknown_.channels = SelectEntries(selection.channels, state_.channels, state_.filters.channels);
  unknown_.periods = SelectPeriods(selection.periods, state_);
}

void LoadedLog::SelectLines(int64_t first, int64_t last) {
  // The whole-log load kept no input line to narrow.
  if (whole_) throw std::logic_error("SelectLines after the whole-log load");
  request_.selection.first_line = first;
  request_.selection.last_line = last;
}

int64_t LoadedLog::Convert(OutputSink& out, WorkingWindowFactory& windows,
                           const PassThreads& threads) {
  const ConversionRequest& r = request_;
  if (whole_) return ConvertWholeLogIntoSink(*whole_, r.options, r.settings, out, windows, threads);
  const Selection& selection = r.selection;
  if (selection.span.limited() || selection.lines_limited()) {
    const Scene range{
        .first = selection.first_line, .last = selection.last_line, .span = selection.span};
    return ConvertSceneIntoSink(state_, range, r.options, r.settings, out, windows, threads);
  }
  return ConvertIntoSink(state_, r.options, r.settings, out, windows, threads);
}

}  // namespace quorlix
