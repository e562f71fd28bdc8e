// The time index of a loaded log: the year, month and day runs (which
// consecutive input lines form one UTC calendar year, month or day) and the
// time tree that shows them, built together so that the n-th node of a
// level stands for the n-th run of that level.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

inline constexpr std::string_view kTimeTreeRootText = "Rubi-Ka Standart Time";

// How deep AddToTimeTree makes nodes; the value is the deepest level.
enum class TreeDepth { kYear = 1, kMonth = 2, kDay = 3, kHour = 4, kMinute = 5 };

// "Month", "Day", "Hour", "Minute" compared exactly; anything else
// ("Year", "day", "") gives kYear.
TreeDepth ParseTreeDepth(std::string_view value);

// Nodes by id; children in the order they were added. Level: root 0,
// year 1, month 2, day 3, hour 4, minute 5.
class TimeTree {
 public:
  struct Node {
    std::string text;
    int level;
    int parent;  // -1 for the root
    std::vector<int> children;
    bool selected = false;
  };
  static constexpr int kRoot = 0;

  TimeTree() { Reset(); }
  // Leaves only the root.
  void Reset();
  // Appends a child one level below `parent`; returns its id.
  int AddChild(int parent, std::string text);

  const Node& node(int id) const { return nodes_[static_cast<std::size_t>(id)]; }
  Node& node(int id) { return nodes_[static_cast<std::size_t>(id)]; }
  int size() const { return static_cast<int>(nodes_.size()); }

 private:
  std::vector<Node> nodes_;
};

// The child added last; -1 when `node` has none.
int LastChild(const TimeTree& tree, int node);

// Position of `target` among the nodes of `level` below `node`, depth-first,
// counting on from `counter` (shared by the recursive calls; the caller
// sets it to 0). -1 when `target` is not found there.
int LevelOrdinal(const TimeTree& tree, int node, int target, int level, int& counter);
// The position of `target` among all nodes of its own level; -1 for the root.
int LevelOrdinal(const TimeTree& tree, int target);

// Adds the path year / month / day / hour / minute of the UTC instant `t`
// down to `depth`, reusing a level's last child when its text is the same.
void AddToTimeTree(TimeTree& tree, int64_t t, TreeDepth depth);

// "start;first;last", e.g. "1109628000;0;1".
std::string FormatTimeRun(int64_t start, int64_t first, int64_t last);

// Builds the runs line by line during a load and adds one tree path per
// day run, at the day run's start.
class TimeIndex {
 public:
  TimeIndex(TimeTree& tree, TreeDepth depth) : tree_(tree), depth_(depth) {}

  // Clears the tree to its root and empties the run lists.
  void Reset();
  // Every accepted line, in input order, with input indices 0, 1, 2, ...
  void AddLine(int64_t input_index, int64_t t);
  // Closes the runs still open.
  void Finish();

  std::vector<std::string>& year_runs() { return year_runs_; }
  std::vector<std::string>& month_runs() { return month_runs_; }
  std::vector<std::string>& day_runs() { return day_runs_; }

 private:
  struct Run {
    int64_t start = 0, first = 0, last = 0;
    void Open(int64_t t, int64_t i) { start = t, first = i, last = i; }
  };
  void Close(const Run& run, std::vector<std::string>& list);
  void CloseDay();

  TimeTree& tree_;
  TreeDepth depth_;
  bool open_ = false;
  Run year_, month_, day_;
  int64_t year_value_ = 0;
  unsigned month_value_ = 0;
  int64_t day_midnight_ = 0;
  std::vector<std::string> year_runs_, month_runs_, day_runs_;
};

}  // namespace quorlix
