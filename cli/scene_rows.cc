#include "cli/scene_rows.h"

#include <string>
#include <utility>

#include "core/text/utc_time.h"

namespace quorlix::cli {
namespace {

void AppendDigits(unsigned value, int digits, std::string& row) {
  char text[8];
  for (int i = digits - 1; i >= 0; --i, value /= 10) text[i] = static_cast<char>('0' + value % 10);
  row.append(text, static_cast<std::size_t>(digits));
}

// YYYY-MM-DDTHH:MM:SS, written digit by digit: a log of millions of scenes
// has two of these a row.
void AppendUtc(int64_t unix_seconds, std::string& row) {
  const UtcTime t = ToUtc(unix_seconds);
  if (t.year < 0 || t.year > 9999) {
    row += std::to_string(t.year);  // beyond the 32-bit time stamps: never four digits
  } else {
    AppendDigits(static_cast<unsigned>(t.year), 4, row);
  }
  const std::pair<char, unsigned> fields[] = {
      {'-', t.month}, {'-', t.day}, {'T', t.hour}, {':', t.minute}, {':', t.second}};
  for (const auto& [separator, value] : fields) {
    row += separator;
    AppendDigits(value, 2, row);
  }
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
