#include "core/text/needle_search.h"

#include <array>
#include <cstdint>
#include <deque>
#include <utility>

namespace quorlix {
namespace {

// The trie of the needles with failure links. The root's edges are a full
// table (every text byte starts there); other nodes have few children.
class Automaton {
 public:
  explicit Automaton(const std::vector<std::string_view>& needles) {
    root_.fill(-1);
    nodes_.emplace_back();
    for (std::size_t id = 0; id < needles.size(); ++id) Add(needles[id], static_cast<int32_t>(id));
    LinkFailures();
  }

  int32_t Step(int32_t state, unsigned char c) const {
    for (;;) {
      const int32_t child = Child(state, c);
      if (child >= 0) return child;
      if (state == 0) return 0;
      state = nodes_[static_cast<std::size_t>(state)].fail;
    }
  }
  // The needle that ends at `state`, or -1; then the next state down the
  // failure chain at which one ends, or -1.
  int32_t Output(int32_t state) const { return nodes_[static_cast<std::size_t>(state)].output; }
  int32_t NextWithOutput(int32_t state) const {
    const Node& node = nodes_[static_cast<std::size_t>(state)];
    return node.output >= 0 ? state : node.dict;
  }
  int32_t Dict(int32_t state) const { return nodes_[static_cast<std::size_t>(state)].dict; }

 private:
  struct Node {
    int32_t fail = 0;
    int32_t output = -1;  // the needle ending here
    int32_t dict = -1;    // the nearest node down the failure chain with an output
    std::vector<std::pair<unsigned char, int32_t>> edges;
  };

  int32_t Child(int32_t state, unsigned char c) const {
    if (state == 0) return root_[c];
    for (const auto& [byte, child] : nodes_[static_cast<std::size_t>(state)].edges) {
      if (byte == c) return child;
    }
    return -1;
  }

  void Add(std::string_view needle, int32_t id) {
    if (needle.empty()) return;
    int32_t state = 0;
    for (unsigned char c : needle) {
      int32_t child = Child(state, c);
      if (child < 0) {
        child = static_cast<int32_t>(nodes_.size());
        nodes_.emplace_back();
        if (state == 0) {
          root_[c] = child;
        } else {
          nodes_[static_cast<std::size_t>(state)].edges.emplace_back(c, child);
        }
      }
      state = child;
    }
    int32_t& output = nodes_[static_cast<std::size_t>(state)].output;
    if (output < 0) output = id;  // a repeated needle: the first one answers
  }

  // Breadth first, so that every failure target is linked before it is used.
  void LinkFailures() {
    std::deque<int32_t> queue;
    for (int32_t child : root_) {
      if (child >= 0) queue.push_back(child);
    }
    while (!queue.empty()) {
      const int32_t parent = queue.front();
      queue.pop_front();
      for (const auto& [c, child] : nodes_[static_cast<std::size_t>(parent)].edges) {
        int32_t fail = nodes_[static_cast<std::size_t>(parent)].fail;
        int32_t target = Child(fail, c);
        while (target < 0 && fail != 0) {
          fail = nodes_[static_cast<std::size_t>(fail)].fail;
          target = Child(fail, c);
        }
        Node& node = nodes_[static_cast<std::size_t>(child)];
        node.fail = target >= 0 ? target : 0;
        node.dict = NextWithOutput(node.fail);
        if (node.dict == 0) node.dict = -1;
        queue.push_back(child);
      }
    }
  }

  std::array<int32_t, 256> root_;
  std::vector<Node> nodes_;
};

}  // namespace

std::vector<std::ptrdiff_t> FirstTextsWithOneOccurrence(
    const std::vector<std::string_view>& needles, const std::vector<std::string>& texts) {
  std::vector<std::ptrdiff_t> first(needles.size(), -1);
  const Automaton automaton(needles);
  // Per needle, within the current text: matches counted (up to two), and
  // where the next counted match may start.
  struct Count {
    std::ptrdiff_t text = -1;
    int matches = 0;
    std::size_t next_start = 0;
  };
  std::vector<Count> counts(needles.size());
  std::vector<int32_t> touched;
  std::size_t open = needles.size();
  for (std::size_t t = 0; t < texts.size() && open > 0; ++t) {
    const std::string_view text = texts[t];
    int32_t state = 0;
    for (std::size_t end = 0; end < text.size(); ++end) {
      state = automaton.Step(state, static_cast<unsigned char>(text[end]));
      for (int32_t node = automaton.NextWithOutput(state); node > 0; node = automaton.Dict(node)) {
        const auto id = static_cast<std::size_t>(automaton.Output(node));
        Count& count = counts[id];
        if (count.text != static_cast<std::ptrdiff_t>(t)) {
          count = Count{static_cast<std::ptrdiff_t>(t), 0, 0};
          touched.push_back(static_cast<int32_t>(id));
        }
        const std::size_t start = end + 1 - needles[id].size();
        if (start >= count.next_start && count.matches < 2) {
          ++count.matches;
          count.next_start = end + 1;
        }
      }
    }
    for (int32_t id : touched) {
      const auto i = static_cast<std::size_t>(id);
      if (counts[i].matches == 1 && first[i] < 0) {
        first[i] = static_cast<std::ptrdiff_t>(t);
        --open;
      }
    }
    touched.clear();
  }
  return first;
}

}  // namespace quorlix
