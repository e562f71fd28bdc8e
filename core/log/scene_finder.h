// The scenes of a loaded log: runs of the input lines that pass the person
// and channel filters (the time filter does not apply), cut where the time
// jumps forward by more than a gap or goes backwards. Lines that the
// filters leave out neither belong to a scene nor cut one; a scene's range
// of input lines may enclose such lines, which its conversion leaves out
// again through the same filters.
//
// One pass over the input lines, reading the times and names the load kept
// (the line is split only when it kept none); no allocation per line or per
// scene beyond the growth of three flat arrays.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/log/chat_state.h"
#include "core/log/time_span.h"

namespace quorlix {

// The gap config.cfg gives when it names none (or no usable one), in minutes.
inline constexpr int64_t kDefaultSceneGapMinutes = 30;

struct SceneInfo {
  int64_t first_line = 0, last_line = 0;           // input indices, inclusive
  int64_t first_time = 0, last_time = 0;           // Unix seconds of those two lines
  int64_t lines = 0;                               // lines of the scene (those passing the filters)
  std::size_t persons_begin = 0, persons_end = 0;  // into SceneList::persons
};

// A person of a scene: an index into SceneList::names and their lines.
struct ScenePerson {
  std::size_t name = 0;
  int64_t lines = 0;
};

struct SceneList {
  std::vector<SceneInfo> scenes;  // in file order
  std::vector<ScenePerson> persons;
  // Persons named ignoring letter case, as the persons list merges them,
  // each spelt as the list spells it.
  std::vector<std::string> names;

  // The persons with a name of scene `k`: most lines first, ties in the
  // order they first spoke in the scene.
  std::span<const ScenePerson> PersonsOf(std::size_t k) const {
    return std::span<const ScenePerson>(persons).subspan(
        scenes[k].persons_begin, scenes[k].persons_end - scenes[k].persons_begin);
  }
};

// Finds the scenes of `state`'s input lines under its person and channel
// filters. A line starts a new scene when its time is more than
// `gap_minutes` minutes after the previous line of a scene, or earlier
// than it; a gap of 0 keeps only lines of the same second together, and a
// negative gap counts as 0. A line whose time stamp is not a number (an
// edited line) is passed over.
SceneList FindScenes(const ChatState& state, int64_t gap_minutes);

// Scene `k` (from 0) of those FindScenes finds, without its persons, and
// in `count` how many it finds; holds one scene's figures however many
// there are. Nothing when there are not k + 1 scenes.
std::optional<SceneInfo> FindOneScene(const ChatState& state, int64_t gap_minutes, std::size_t k,
                                      std::size_t& count);

// The range that converts scene `scene` (ConvertSceneIntoSink).
inline Scene SceneToConvert(const SceneInfo& scene) {
  return Scene{.first = scene.first_line, .last = scene.last_line, .span = {}};
}

}  // namespace quorlix
