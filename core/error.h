// The one exception type of Quorlix. Its message is UTF-8 text meant for
// the user; the window shows it in a message box, the command-line front
// end on standard error.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace quorlix {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Log and config bytes are single-byte (Latin-1) text; messages are UTF-8.
// Use this to put such bytes into a message.
std::string Latin1ToUtf8(std::string_view bytes);

}  // namespace quorlix
