#include "cli/scene_rows.h"

#include <cstdio>
#include <string>

#include "core/utc_time.h"

namespace quorlix::cli {
namespace {

void AppendUtc(int64_t unix_seconds, std::string& row) {
  const UtcTime t = ToUtc(unix_seconds);
  char text[40];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02u",
                static_cast<long long>(t.year), t.month, t.day, t.hour, t.minute, t.second);
  row += text;
}

}  // namespace

void WriteSceneRows(const SceneList& scenes, OutputSink& out) {
  std::string row;
  for (std::size_t k = 0; k < scenes.scenes.size(); ++k) {
    const SceneInfo& scene = scenes.scenes[k];
    row.assign(std::to_string(k + 1));
    row += '\t';
    AppendUtc(scene.first_time, row);
    row += '\t';
    AppendUtc(scene.last_time, row);
    row += '\t';
    row += std::to_string(scene.lines);
    row += '\t';
    const char* separator = "";
    for (const ScenePerson& person : scenes.PersonsOf(k)) {
      row += separator;
      row += scenes.names[person.name];
      row += " (";
      row += std::to_string(person.lines);
      row += ')';
      separator = ", ";
    }
    out.AppendLine(row);
  }
}

}  // namespace quorlix::cli
