#include "core/log/scene_finder.h"

#include <algorithm>
#include <limits>

#include "core/line/line_fields.h"
#include "core/log/selected_names.h"
#include "core/text/error.h"
#include "core/text/name_lookup.h"
#include "core/text/text_util.h"

namespace quorlix {
namespace {

// The largest gap that cannot overflow when added to a 32-bit time.
constexpr int64_t kMaxGapMinutes = std::numeric_limits<int64_t>::max() / 120;

// Numbers persons ignoring letter case: the persons list's spelling when
// the list has the name, else the spelling met first.
class PersonNumbers {
 public:
  PersonNumbers(const std::vector<ListEntry>& persons, std::vector<std::string>& names)
      : names_(names) {
    for (const ListEntry& entry : persons) Number(entry.name);
  }

  std::size_t Number(std::string_view spelling) {
    if (const std::size_t* known = by_spelling_.Find(spelling)) return *known;
    key_.assign(spelling);
    AsciiLowerInPlace(key_);
    const auto [number, added] = by_lower_.Insert(key_, names_.size());
    if (added) names_.emplace_back(spelling);
    by_spelling_.Insert(spelling, *number);
    return *number;
  }

 private:
  std::vector<std::string>& names_;
  NameTable<std::size_t> by_spelling_, by_lower_;
  std::string key_;
};

// Most lines first, ties kept in order. Most scenes have a few persons:
// sorting them in place spares stable_sort's buffer, once per scene.
void SortByLines(std::vector<ScenePerson>::iterator begin, std::vector<ScenePerson>::iterator end) {
  const auto more = [](const ScenePerson& a, const ScenePerson& b) { return a.lines > b.lines; };
  constexpr std::ptrdiff_t kFew = 32;
  if (end - begin > kFew) {
    std::stable_sort(begin, end, more);
    return;
  }
  for (auto i = begin; i != end; ++i) {
    std::rotate(std::upper_bound(begin, i, *i, more), i, i + 1);
  }
}

// The open scene's persons: a count per person number and the order in
// which they first spoke, both reset when the scene closes.
class SceneBuilder {
 public:
  explicit SceneBuilder(SceneList& list) : list_(list) {}

  void Add(int64_t line, int64_t time, bool has_person, std::size_t person) {
    SceneInfo& scene = list_.scenes.back();
    if (scene.lines == 0) {
      scene.first_line = line;
      scene.first_time = time;
    }
    scene.last_line = line;
    scene.last_time = time;
    ++scene.lines;
    if (!has_person) return;
    if (person >= counts_.size()) counts_.resize(person + 1, 0);
    if (counts_[person]++ == 0) order_.push_back(person);
  }

  void Open() { list_.scenes.emplace_back(); }

  void Close() {
    if (list_.scenes.empty()) return;
    SceneInfo& scene = list_.scenes.back();
    scene.persons_begin = list_.persons.size();
    for (const std::size_t person : order_) {
      list_.persons.push_back(ScenePerson{person, counts_[person]});
      counts_[person] = 0;
    }
    order_.clear();
    scene.persons_end = list_.persons.size();
    SortByLines(list_.persons.begin() + static_cast<std::ptrdiff_t>(scene.persons_begin),
                list_.persons.end());
  }

 private:
  SceneList& list_;
  std::vector<int64_t> counts_;
  std::vector<std::size_t> order_;
};

// The fields of input line `i`: from the header the load kept when it has
// one, else split. False when the time stamp is not a number.
class LineReader {
 public:
  explicit LineReader(const ChatState& state)
      : input_(state.input_lines()), headers_(state.input_headers()) {}

  bool Read(std::size_t i, int64_t& time, std::string_view& channel, std::string_view& person) {
    const std::string_view line = input_[i];
    std::string_view message;
    if (headers_ != nullptr) {
      time = headers_[i].time;
      if (FieldsFromHeader(line, headers_[i], channel, person, message)) return true;
      SplitLineFields(line, fields_);
    } else {
      SplitLineFields(line, fields_);
      try {
        time = ReadTimestamp(fields_.timestamp_text);
      } catch (const Error&) {
        return false;
      }
    }
    channel = fields_.channel_name;
    person = fields_.person;
    return true;
  }

 private:
  const std::vector<std::string_view>& input_;
  const LineHeader* headers_;
  LineFields fields_;
};

}  // namespace

namespace {

// Calls open() where a scene starts and add(line, time, person) for each
// line of a scene, in file order.
template <typename Open, typename Add>
void WalkScenes(const ChatState& state, int64_t gap_minutes, Open&& open_scene, Add&& add) {
  const int64_t gap = std::clamp<int64_t>(gap_minutes, 0, kMaxGapMinutes) * 60;
  LineReader reader(state);
  SelectedNames persons(state.persons), channels(state.channels);
  const FilterMode mode = ChooseFilterMode(state.filters.persons, state.filters.channels);
  const bool by_person = mode == FilterMode::kPersons || mode == FilterMode::kPersonsAndChannels;
  const bool by_channel = mode == FilterMode::kChannels || mode == FilterMode::kPersonsAndChannels;

  bool open = false;
  int64_t previous = 0;
  int64_t time = 0;
  std::string_view channel, person;
  for (std::size_t i = 0; i < state.input_lines().size(); ++i) {
    if (!reader.Read(i, time, channel, person)) continue;
    if ((by_person && !persons.Contains(person)) || (by_channel && !channels.Contains(channel))) {
      continue;
    }
    if (!open || time < previous || time - previous > gap) {
      open_scene();
      open = true;
    }
    previous = time;
    add(static_cast<int64_t>(i), time, person);
  }
}

}  // namespace

SceneList FindScenes(const ChatState& state, int64_t gap_minutes) {
  SceneList list;
  PersonNumbers numbers(state.persons, list.names);
  SceneBuilder builder(list);
  WalkScenes(
      state, gap_minutes,
      [&] {
        builder.Close();
        builder.Open();
      },
      [&](int64_t line, int64_t time, std::string_view person) {
        const bool has_person = !person.empty();
        builder.Add(line, time, has_person, has_person ? numbers.Number(person) : 0);
      });
  builder.Close();
  return list;
}

std::optional<SceneInfo> FindOneScene(const ChatState& state, int64_t gap_minutes, std::size_t k,
                                      std::size_t& count) {
  std::optional<SceneInfo> found;
  count = 0;
  WalkScenes(
      state, gap_minutes, [&] { ++count; },
      [&](int64_t line, int64_t time, std::string_view) {
        if (count != k + 1) return;
        if (!found) {
          found.emplace();
          found->first_line = line;
          found->first_time = time;
        }
        found->last_line = line;
        found->last_time = time;
        ++found->lines;
      });
  return found;
}

}  // namespace quorlix
