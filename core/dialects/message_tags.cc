#include "core/dialects/message_tags.h"

#include <cstring>

namespace quorlix {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool StartsTag(std::string_view text, std::size_t open) {
  const char after = open + 1 < text.size() ? text[open + 1] : '\0';
  return IsAsciiLetter(after) || after == '!' ||
         (after == '/' && open + 2 < text.size() && IsAsciiLetter(text[open + 2]));
}

}  // namespace

std::optional<MessageTag> MessageTags::Next(std::size_t from) {
  while (!no_close_ && from < text_.size()) {
    const void* hit = std::memchr(text_.data() + from, '<', text_.size() - from);
    if (hit == nullptr) return std::nullopt;
    const auto open = static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data());
    if (StartsTag(text_, open)) {
      // The ">" found for an earlier "<" still serves while it lies ahead,
      // so no stretch of the text is searched twice.
      if (close_ <= open) {
        close_ = text_.find('>', open + 1);
        if (close_ == std::string_view::npos) {
          no_close_ = true;
          return std::nullopt;
        }
      }
      return MessageTag{open, close_};
    }
    from = open + 1;
  }
  return std::nullopt;
}

void AppendWithoutTags(std::string_view text, std::string& out) {
  MessageTags tags(text);
  std::size_t pos = 0;
  while (const std::optional<MessageTag> tag = tags.Next(pos)) {
    out.append(text, pos, tag->open - pos);
    pos = tag->close + 1;
  }
  out.append(text, pos);
}

}  // namespace quorlix
