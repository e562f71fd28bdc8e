#include "core/log/scene_finder.h"

#include <gtest/gtest.h>

#include <tuple>

#include "core/log/loader.h"
#include "core/work/progress.h"

namespace quorlix {
namespace {

constexpr int64_t kBase = 1104624000;  // 2005-01-02 00:00:00 UTC

struct Line {
  const char* channel;
  const char* person;
  int64_t seconds;  // after kBase
};

// Each scene as "first-last lines +first_second..+last_second persons",
// persons as "Name:count" in their order.
std::string Describe(const SceneList& list) {
  std::string text;
  for (std::size_t k = 0; k < list.scenes.size(); ++k) {
    const SceneInfo& s = list.scenes[k];
    if (!text.empty()) text += " | ";
    text += std::to_string(s.first_line) + "-" + std::to_string(s.last_line) + " " +
            std::to_string(s.lines) + " +" + std::to_string(s.first_time - kBase) + "..+" +
            std::to_string(s.last_time - kBase);
    for (const ScenePerson& p : list.PersonsOf(k)) {
      text += " " + list.names[p.name] + ":" + std::to_string(p.lines);
    }
  }
  return text;
}

void Select(std::vector<ListEntry>& list, const char* name, bool& filter) {
  if (name == nullptr) return;
  filter = true;
  for (ListEntry& e : list) e.selected |= e.name == name;
}

TEST(FindScenes, CutsWhereTheTimeJumpsOrGoesBack) {
  const struct {
    const char* what;
    std::vector<Line> lines;
    int64_t gap;
    const char* person;   // selected with the person filter on; nullptr: off
    const char* channel;  // the same for channels
    std::string scenes;
  } cases[] = {
      {"no lines, no scenes", {}, 30, nullptr, nullptr, ""},
      {"one line", {{"C", "Al", 5}}, 30, nullptr, nullptr, "0-0 1 +5..+5 Al:1"},
      {"exactly the gap later stays in the scene",
       {{"C", "Al", 0}, {"C", "Bo", 1800}},
       30,
       nullptr,
       nullptr,
       "0-1 2 +0..+1800 Al:1 Bo:1"},
      {"a second more starts a new one",
       {{"C", "Al", 0}, {"C", "Bo", 1801}},
       30,
       nullptr,
       nullptr,
       "0-0 1 +0..+0 Al:1 | 1-1 1 +1801..+1801 Bo:1"},
      {"the gap is measured from the previous line, not the scene's start",
       {{"C", "Al", 0}, {"C", "Al", 1800}, {"C", "Al", 3600}},
       30,
       nullptr,
       nullptr,
       "0-2 3 +0..+3600 Al:3"},
      {"a second backwards starts a new scene",
       {{"C", "Al", 100}, {"C", "Al", 99}, {"C", "Al", 99}},
       30,
       nullptr,
       nullptr,
       "0-0 1 +100..+100 Al:1 | 1-2 2 +99..+99 Al:2"},
      {"all at one second, even with a gap of 0",
       {{"C", "Al", 7}, {"C", "Bo", 7}, {"C", "Al", 7}},
       0,
       nullptr,
       nullptr,
       "0-2 3 +7..+7 Al:2 Bo:1"},
      {"a gap of 0 cuts at every new second; a negative one counts as 0",
       {{"C", "Al", 7}, {"C", "Al", 8}},
       -5,
       nullptr,
       nullptr,
       "0-0 1 +7..+7 Al:1 | 1-1 1 +8..+8 Al:1"},
      {"most lines first, ties by first line, letter case merged as the list spells it",
       {{"C", "Cy", 0}, {"C", "bo", 1}, {"C", "Al", 2}, {"C", "Bo", 3}, {"C", "Al", 4}},
       30,
       nullptr,
       nullptr,
       "0-4 5 +0..+4 bo:2 Al:2 Cy:1"},
      {"lines without a person count, but name nobody",
       {{"C", "", 0}, {"C", "Al", 1}, {"C", "", 2}},
       30,
       nullptr,
       nullptr,
       "0-2 3 +0..+2 Al:1"},
      {"a line the person filter leaves out neither belongs nor bridges",
       {{"C", "Al", 0}, {"C", "Bo", 1000}, {"C", "Al", 2000}},
       30,
       "Al",
       nullptr,
       "0-0 1 +0..+0 Al:1 | 2-2 1 +2000..+2000 Al:1"},
      {"the channel filter, a scene enclosing a line left out",
       {{"C", "Al", 0}, {"D", "Bo", 10}, {"C", "Bo", 20}, {"D", "Al", 5000}},
       30,
       nullptr,
       "C",
       "0-2 2 +0..+20 Al:1 Bo:1"},
      {"both filters",
       {{"C", "Al", 0}, {"D", "Al", 10}, {"C", "Bo", 20}, {"C", "Al", 30}},
       30,
       "Al",
       "C",
       "0-3 2 +0..+30 Al:2"},
      {"filters that leave no line", {{"C", "Al", 0}, {"D", "Bo", 10}}, 30, "Al", "D", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string log;
    for (const Line& l : c.lines) {
      log += std::string("[\"1\",\"") + l.channel + "\",\"" + l.person + "\"," +
             std::to_string(kBase + l.seconds) + "]text\n";
    }
    ChatState state;
    state.ReplaceRawLines(LineStore::FromBytes(log));
    SilentWorkingWindowFactory silent;
    RunLoadPass(state, LoadSettings{}, silent);
    Select(state.persons, c.person, state.filters.persons);
    Select(state.channels, c.channel, state.filters.channels);
    EXPECT_EQ(Describe(FindScenes(state, c.gap)), c.scenes);
    // One scene alone is the same scene, and the count the same.
    const SceneList all = FindScenes(state, c.gap);
    for (std::size_t k = 0; k <= all.scenes.size(); ++k) {
      std::size_t count = 0;
      const std::optional<SceneInfo> one = FindOneScene(state, c.gap, k, count);
      EXPECT_EQ(count, all.scenes.size());
      ASSERT_EQ(one.has_value(), k < all.scenes.size());
      if (one) {
        EXPECT_EQ(
            std::tie(one->first_line, one->last_line, one->first_time, one->last_time, one->lines),
            std::tie(all.scenes[k].first_line, all.scenes[k].last_line, all.scenes[k].first_time,
                     all.scenes[k].last_time, all.scenes[k].lines));
      }
    }
    // Lines split again, as after an edit, give the same scenes.
    state.SetInputLines(state.input_lines());
    EXPECT_EQ(Describe(FindScenes(state, c.gap)), c.scenes);
  }
}

}  // namespace
}  // namespace quorlix
