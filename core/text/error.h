// The one exception type of Quorlix. Its message is UTF-8 text meant for
// the user; the window shows it in a message box, the command-line front
// end on standard error.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorlix {

class Error : public std::runtime_error {
 public:
  // `line`: the line of the input file the error is about, from 1; 0 when
  // it concerns no line.
  explicit Error(const std::string& message, int64_t line = 0)
      : std::runtime_error(message), line_(line) {}
  int64_t line() const { return line_; }

 private:
  int64_t line_;
};

// Log and config bytes are single-byte (Latin-1) text; messages are UTF-8.
// Use this to put such bytes into a message.
std::string Latin1ToUtf8(std::string_view bytes);

// The longest piece of input a message quotes, in characters.
inline constexpr std::size_t kMaxQuotedChars = 80;

// Latin1ToUtf8 for a piece of input quoted in a message: control bytes
// (C0, DEL, C1) become "?", so a log cannot steer the terminal, and text
// longer than kMaxQuotedChars is cut to that with "…" appended.
std::string QuoteForMessage(std::string_view bytes);

}  // namespace quorlix
