// The rows quorlix-cli --scenes prints: one per scene,
// K<TAB>FIRST<TAB>LAST<TAB>LINES<TAB>PERSONS, K from 1, the times as UTC
// YYYY-MM-DDTHH:MM:SS and the persons as "name (count), name (count)".
#pragma once

#include "core/output_sink.h"
#include "core/scene_finder.h"

namespace quorlix::cli {

void WriteSceneRows(const SceneList& scenes, OutputSink& out);

}  // namespace quorlix::cli
