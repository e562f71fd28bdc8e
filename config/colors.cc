#include "config/colors.h"

#include <algorithm>

#include "core/text/text_util.h"

namespace quorlix {

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One or two hexadecimal digits; -1 for an empty pair or any other byte.
int ReadHexPair(std::string_view pair) {
  if (pair.empty()) return -1;
  int value = 0;
  for (char c : pair) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

}  // namespace

std::string ColorToHtml(uint32_t color) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(6, '0');
  for (int i = 0; i < 3; ++i) {
    const uint32_t part = (color >> (8 * i)) & 0xFF;  // red, green, blue
    text[2 * i] = kDigits[part >> 4];
    text[2 * i + 1] = kDigits[part & 0xF];
  }
  return text;
}

uint32_t HtmlToColor(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '#') digits.remove_prefix(1);
  uint32_t color = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    // A pair that runs past the end keeps what exists: one digit or none.
    const std::size_t start = std::min(2 * i, digits.size());
    const int part = ReadHexPair(digits.substr(start, 2));
    if (part < 0) {
      std::string name(text);
      AsciiLowerInPlace(name);
      return HtmlNameToColor(name);
    }
    color |= static_cast<uint32_t>(part) << (8 * i);
  }
  return color;
}

uint32_t HtmlNameToColor(std::string_view name) {
  for (const NamedColor& entry : NamedColorTable) {
    if (entry.name == name) {
      // The table is in HTML order 0xRRGGBB; colour values hold red low.
      return ((entry.rgb >> 16) & 0xFF) | (entry.rgb & 0xFF00) | ((entry.rgb & 0xFF) << 16);
    }
  }
  return 0;
}

}  // namespace quorlix
