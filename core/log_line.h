// One line of a chat log: '["id","channel","person",unixtime]message'.
// The one place that says how a line splits into a LogRecord, which lines
// a load takes in at all, and how the time stamp text reads as a number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorlix {

// Header fields 0 to 3 with every double quote removed, and the message
// exactly as in the line. `message` points into the parsed line, so it is
// valid only as long as that line is.
struct LogRecord {
  std::string channel_id;
  std::string channel_name;
  std::string person;
  std::string timestamp_text;
  std::string_view message;
};

// Splits `line` into `record`, reusing the record's buffers (no allocation
// once they have grown). Fields the header lacks are left empty.
void ParseLogLine(std::string_view line, LogRecord& record);
LogRecord ParseLogLine(std::string_view line);

// The bot whose lines a load drops while suppression is on.
inline constexpr std::string_view kBotPersonField = "\"Polbot\"";

// True when a load takes `line` in: its header holds a "[", splits into at
// least four fields, and (with `suppress_bot_lines`) its person field is not
// the quoted bot name as written.
bool AcceptLogLine(std::string_view line, bool suppress_bot_lines);

// Reads a time stamp text as a signed 32-bit integer: leading spaces, one
// optional sign, decimal digits, nothing after. Throws quorlix::Error with
// "'<text>' ist kein gültiger Integerwert" otherwise.
int32_t ReadTimestamp(std::string_view text);

}  // namespace quorlix
