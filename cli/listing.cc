#include "cli/listing.h"

#include "core/log/time_index.h"

namespace quorlix::cli {
namespace {

void WriteTree(const TimeTree& tree, int node, std::string& line, OutputSink& out) {
  const TimeTree::Node& n = tree.node(node);
  line.assign(2 * static_cast<std::size_t>(n.level + 1), ' ');
  line += n.text;
  out.AppendLine(line);
  for (int child : n.children) WriteTree(tree, child, line, out);
}

}  // namespace

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
