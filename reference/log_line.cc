#include "reference/log_line.h"

#include "core/text/text_util.h"

namespace quorlix {
namespace {

// Calls `on_field(index, field)` for the header fields 0..3 as Explode at ","
// with limit 0 cuts them (no trailing empty field), and returns how many
// fields the header has in all.
template <typename OnField>
std::size_t ForEachHeaderField(std::string_view header, OnField on_field) {
  std::size_t count = 0;
  std::size_t pos = 0;
  while (pos < header.size()) {
    std::size_t comma = header.find(',', pos);
    if (comma == std::string_view::npos) comma = header.size();
    if (count < 4) on_field(count, header.substr(pos, comma - pos));
    ++count;
    pos = comma + 1;
  }
  return count;
}

void AssignWithoutQuotes(std::string_view field, std::string& out) {
  out.clear();
  for (std::size_t pos = 0; pos < field.size();) {
    std::size_t quote = field.find('"', pos);
    if (quote == std::string_view::npos) quote = field.size();
    out.append(field.data() + pos, quote - pos);
    pos = quote + 1;
  }
}

}  // namespace

void ParseLogLine(std::string_view line, LogRecord& record) {
  std::string* const fields[] = {&record.channel_id, &record.channel_name, &record.person,
                                 &record.timestamp_text};
  for (std::string* field : fields) field->clear();
  ForEachHeaderField(SplitAtChar(line, ']', 1), [&](std::size_t i, std::string_view field) {
    AssignWithoutQuotes(field, *fields[i]);
  });
  record.message = SplitAtChar(line, ']', 2);
}

LogRecord ParseLogLine(std::string_view line) {
  LogRecord record;
  ParseLogLine(line, record);
  return record;
}

bool AcceptLogLine(std::string_view line, bool suppress_bot_lines) {
  const std::string_view header = SplitAtChar(line, ']', 1);
  if (header.find('[') == std::string_view::npos) return false;
  std::string_view person;
  const std::size_t fields = ForEachHeaderField(header, [&](std::size_t i, std::string_view field) {
    if (i == 2) person = field;
  });
  if (fields < 4) return false;  // a truncated or malformed header
  return !(suppress_bot_lines && person == kBotPersonField);
}
}  // namespace quorlix
