#include "core/log/time_index.h"

#include "core/text/text_util.h"
#include "core/text/utc_time.h"

namespace quorlix {
namespace {

// The child of `parent` with `text` under the last-child rule: only the
// child added last is compared; otherwise a new child is appended.
int FindOrAppend(TimeTree& tree, int parent, const std::string& text) {
  const int last = LastChild(tree, parent);
  if (last >= 0 && tree.node(last).text == text) return last;
  return tree.AddChild(parent, text);
}

}  // namespace

TreeDepth ParseTreeDepth(std::string_view value) {
  if (value == "Month") return TreeDepth::kMonth;
  if (value == "Day") return TreeDepth::kDay;
  if (value == "Hour") return TreeDepth::kHour;
  if (value == "Minute") return TreeDepth::kMinute;
  return TreeDepth::kYear;
}

void TimeTree::Reset() {
  nodes_.clear();
  nodes_.push_back(Node{std::string(kTimeTreeRootText), 0, -1, {}, false});
}

int TimeTree::AddChild(int parent, std::string text) {
  const int id = size();
  const int level = node(parent).level + 1;
  nodes_.push_back(Node{std::move(text), level, parent, {}, false});
  node(parent).children.push_back(id);
  return id;
}

int LastChild(const TimeTree& tree, int node) {
  const auto& children = tree.node(node).children;
  return children.empty() ? -1 : children.back();
}

int LevelOrdinal(const TimeTree& tree, int node, int target, int level, int& counter) {
  if (node < 0 || node >= tree.size()) return -1;
  const TimeTree::Node& parent = tree.node(node);
  if (parent.children.empty() || parent.level >= level) return -1;
  int result = -1;
  for (int child : parent.children) {
    if (result != -1) break;
    const TimeTree::Node& c = tree.node(child);
    if (c.level < level) {
      if (!c.children.empty()) result = LevelOrdinal(tree, child, target, level, counter);
    } else if (c.level == level) {
      if (child == target) {
        result = counter;
      } else {
        ++counter;
      }
    }
  }
  return result;
}

int LevelOrdinal(const TimeTree& tree, int target) {
  if (target < 0 || target >= tree.size()) return -1;
  int counter = 0;
  return LevelOrdinal(tree, TimeTree::kRoot, target, tree.node(target).level, counter);
}

void AddToTimeTree(TimeTree& tree, int64_t t, TreeDepth depth) {
  const UtcTime u = ToUtc(t);
  const int deepest = static_cast<int>(depth);
  std::string text;
  AppendNumber(u.year, text);
  int node = FindOrAppend(tree, TimeTree::kRoot, text);
  const unsigned parts[] = {u.month, u.day, u.hour, u.minute};
  for (int level = 2; level <= deepest && level <= 5; ++level) {
    text.clear();
    const unsigned value = parts[level - 2];
    if (level == 2) {
      MonthName(value, text);
    } else {
      AppendNumber(value, text);
    }
    node = FindOrAppend(tree, node, text);
  }
}

std::string FormatTimeRun(int64_t start, int64_t first, int64_t last) {
  std::string text;
  AppendNumber(start, text);
  text.push_back(';');
  AppendNumber(first, text);
  text.push_back(';');
  AppendNumber(last, text);
  return text;
}

void TimeIndex::Reset() {
  tree_.Reset();
  year_runs_.clear();
  month_runs_.clear();
  day_runs_.clear();
  open_ = false;
}

void TimeIndex::Close(const Run& run, std::vector<std::string>& list) {
  list.push_back(FormatTimeRun(run.start, run.first, run.last));
}

void TimeIndex::CloseDay() {
  Close(day_, day_runs_);
  AddToTimeTree(tree_, day_.start, depth_);
}

void TimeIndex::AddLine(int64_t i, int64_t t) {
  if (!open_) {
    const UtcTime u = ToUtc(t);
    year_.Open(t, i);
    month_.Open(t, i);
    day_.Open(t, i);
    year_value_ = u.year;
    month_value_ = u.month;
    day_midnight_ = UtcMidnight(t);
    open_ = true;
    return;
  }
  // The same day, or earlier: a log whose time goes backwards stays in the
  // open runs. Days end at UTC midnight after the open day run's start.
  if (t < day_midnight_ + kSecondsPerDay) {
    year_.last = month_.last = day_.last = i;
    return;
  }
  const UtcTime u = ToUtc(t);
  bool year_changed = false;
  if (u.year == year_value_) {
    year_.last = i;
  } else {
    Close(year_, year_runs_);
    year_.Open(t, i);
    year_value_ = u.year;
    year_changed = true;
  }
  // The same month number in another year is a new month.
  if (u.month == month_value_ && !year_changed) {
    month_.last = i;
  } else {
    Close(month_, month_runs_);
    month_.Open(t, i);
    month_value_ = u.month;
  }
  CloseDay();
  day_.Open(t, i);
  day_midnight_ = UtcMidnight(t);
}

void TimeIndex::Finish() {
  if (!open_) return;
  Close(year_, year_runs_);
  Close(month_, month_runs_);
  CloseDay();
  open_ = false;
}

}  // namespace quorlix
