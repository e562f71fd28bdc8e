// A fast, allocation-free split of a chat-log line for the load and
// convert passes: one scan of the header gives what AcceptLogLine decides
// and the fields ParseLogLine yields, as views. The results are the same as
// those of core/log_line.h, which stays the definition.
#pragma once

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

// AcceptLogLine on an already split line.
inline bool Accepted(const LineFields& f, bool suppress_bot_lines) {
  return f.has_bracket && f.field_count >= 4 &&
         !(suppress_bot_lines && f.raw_person == "\"Polbot\"");
}

}  // namespace quorlix
