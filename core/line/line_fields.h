// One line of a chat log: '["id","channel","person",unixtime]message'.
// The one place that says how a line splits, which lines a load takes in
// at all, and how the time stamp text reads as a number. One scan of the
// header, no allocation once the scratch buffers have grown; the tests and
// fuzz targets hold it against a literal reading (reference/log_line.h).
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

// What a load keeps of each line it takes in, so that a conversion need
// not split the line again: the time stamp's value, and where the fields
// lie in the line when they are plain spans of its first 255 bytes and the
// person follows the channel after '","', as in every common header
// (person_end 0 otherwise: the line is split again for them).
// Trivial, so that a large array of them is not written before use.
struct LineHeader {
  int32_t time;
  uint8_t channel_begin, channel_end, person_end;
  uint8_t message_begin;  // the line's size when it has no "]"
};
// The person starts this far after the channel's end: '","'.
inline constexpr std::size_t kChannelToPerson = 3;

// The header to keep for `line`, split into `fields`, whose stamp read as `time`.
LineHeader KeepHeader(std::string_view line, const LineFields& fields, int32_t time);

// The channel, person and message of `line` from its kept header; false
// when the header holds no spans and the line must be split.
inline bool FieldsFromHeader(std::string_view line, const LineHeader& h, std::string_view& channel,
                             std::string_view& person, std::string_view& message) {
  if (h.person_end == 0 || h.message_begin > line.size()) return false;
  channel = line.substr(h.channel_begin, h.channel_end - h.channel_begin);
  const std::size_t person_begin = h.channel_end + kChannelToPerson;
  person = line.substr(person_begin, h.person_end - person_begin);
  message = line.substr(h.message_begin);
  return true;
}

// Reads a time stamp text as a signed 32-bit integer: leading spaces, one
// optional sign, decimal digits, nothing after. Throws quorlix::Error with
// "'<text>' is not a valid integer value" (translated) otherwise.
int32_t ReadTimestamp(std::string_view text);

}  // namespace quorlix
