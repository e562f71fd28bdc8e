// One line of a chat log: '["id","channel","person",unixtime]message'.
// The one place that says how a line splits, which lines a load takes in
// at all, and how the time stamp text reads as a number. One scan of the
// header, no allocation once the scratch buffers have grown; the tests and
// fuzz targets hold it against a literal reading (fuzz/reference_log_line.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorlix {

struct LineFields {
  // Header fields 1 to 3 with every double quote removed, and the message
  // text after the first "]". Views into the line, or into the scratch
  // buffers below when a field has a double quote inside it.
  std::string_view channel_name, person, timestamp_text, message;
  // Field 2 as written, quotes included ("" when the header lacks it).
  std::string_view raw_person;
  bool has_bracket = false;  // the header holds a "["
  int field_count = 0;       // header fields as Explode at "," counts them (up to 5)

  std::string scratch[3];
};

// Splits `line` into `fields`, reusing its scratch buffers.
void SplitLineFields(std::string_view line, LineFields& fields);

// The bot whose lines a load drops while suppression is on, as written in
// the person field.
inline constexpr std::string_view kBotPersonField = "\"Polbot\"";

// True when a load takes the line in: its header holds a "[", splits into
// at least four fields, and (with `suppress_bot_lines`) its person field
// is not the quoted bot name as written.
inline bool Accepted(const LineFields& f, bool suppress_bot_lines) {
  return f.has_bracket && f.field_count >= 4 &&
         !(suppress_bot_lines && f.raw_person == kBotPersonField);
}

// Reads a time stamp text as a signed 32-bit integer: leading spaces, one
// optional sign, decimal digits, nothing after. Throws quorlix::Error with
// "'<text>' ist kein gültiger Integerwert" otherwise.
int32_t ReadTimestamp(std::string_view text);

}  // namespace quorlix
