// Where a message's tags lie, by the one rule that the web page and the
// Markdown dialect share: a "<" starts a tag when a letter, "!", or "/" and
// a letter follow it and a ">" comes after it; the tag ends at the first
// such ">". Every other "<" is a character of the text.
//
// Contract: reading all tags of a message looks at each byte a bounded
// number of times, however many "<" stand without a ">" after them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorlix {

struct MessageTag {
  std::size_t open = 0;   // the "<"
  std::size_t close = 0;  // the ">" that ends the tag

  // The text between "<" and ">".
  std::string_view InsideOf(std::string_view text) const {
    return text.substr(open + 1, close - open - 1);
  }
};

// Reads the tags of one message from left to right.
class MessageTags {
 public:
  explicit MessageTags(std::string_view text) : text_(text) {}

  // The first tag whose "<" lies at or after `from`; nothing when none.
  // `from` never goes back between calls.
  std::optional<MessageTag> Next(std::size_t from);

 private:
  std::string_view text_;
  // The first ">" found after the last tag's "<" (0: none looked for yet);
  // once none is found, no later "<" can start a tag.
  std::size_t close_ = 0;
  bool no_close_ = false;
};

// Appends `text` with every tag taken out (by the rule above).
void AppendWithoutTags(std::string_view text, std::string& out);

}  // namespace quorlix
