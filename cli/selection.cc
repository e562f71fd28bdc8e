#include "cli/selection.h"

#include "core/text_util.h"
#include "core/time_index.h"

namespace quorlix::cli {
namespace {

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

void WriteTree(const TimeTree& tree, int node, std::string& line, OutputSink& out) {
  const TimeTree::Node& n = tree.node(node);
  line.assign(2 * static_cast<std::size_t>(n.level + 1), ' ');
  line += n.text;
  out.AppendLine(line);
  for (int child : n.children) WriteTree(tree, child, line, out);
}

}  // namespace

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

void WriteListing(const ChatState& state, OutputSink& out) {
  std::string line;
  const auto write_list = [&](std::string_view heading, const std::vector<ListEntry>& list) {
    out.AppendLine(heading);
    for (const ListEntry& entry : list) {
      line.assign("  ");
      line += entry.name;
      out.AppendLine(line);
    }
  };
  write_list("Persons:", state.persons);
  write_list("Channels:", state.channels);
  out.AppendLine("Time:");
  WriteTree(state.time_tree, TimeTree::kRoot, line, out);
}

}  // namespace quorlix::cli
