// The literal reading of a chat-log line, '["id","channel","person",unixtime]message',
// step by step the plain way (header before the first "]", fields as
// Explode at ","): the reference that the tests and the fuzz targets hold
// the engine's one-scan split (core/line/line_fields.h) against. Not part of
// the product.
#pragma once

#include <string>
#include <string_view>

#include "core/line/line_fields.h"

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

// True when a load takes `line` in: its header holds a "[", splits into at
// least four fields, and (with `suppress_bot_lines`) its person field is not
// the quoted bot name as written.
bool AcceptLogLine(std::string_view line, bool suppress_bot_lines);

}  // namespace quorlix
