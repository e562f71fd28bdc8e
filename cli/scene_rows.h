// The rows quorlix-cli --scenes prints: one per scene,
// K<TAB>FIRST<TAB>LAST<TAB>LINES<TAB>PERSONS, K from 1, the times as UTC
// YYYY-MM-DDTHH:MM:SS and the persons as "name (count), name (count)".
#pragma once

#include "core/log/scene_finder.h"
#include "core/work/output_sink.h"

namespace quorlix::cli {

void WriteSceneRows(const SceneList& scenes, OutputSink& out);

}  // namespace quorlix::cli
