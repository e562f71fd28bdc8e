#include "core/text/error.h"

namespace quorlix {

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string QuoteForMessage(std::string_view bytes) {
  const bool cut = bytes.size() > kMaxQuotedChars;
  std::string safe(bytes.substr(0, kMaxQuotedChars));
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0)) c = '?';
  }
  std::string out = Latin1ToUtf8(safe);
  if (cut) out += "\u2026";
  return out;
}

}  // namespace quorlix
