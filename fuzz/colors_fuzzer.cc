// Fuzz target: the colour conversions. For every colour value with a zero
// top byte, HtmlToColor of its ColorToHtml text (also with "#" and in lower
// case) gives the value back; ColorToHtml ignores the top byte; and
// HtmlToColor of any text equals the rule read literally, never crashing.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "config/colors.h"
#include "core/text/text_util.h"
#include "fuzz/check.h"

namespace {

using namespace quorlix;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Pairs of one or two hexadecimal digits after an optional "#", red first;
// otherwise the lower-cased whole text looked up by name, black if unknown.
uint32_t ReferenceHtmlToColor(std::string_view text) {
  const std::string_view digits = !text.empty() && text[0] == '#' ? text.substr(1) : text;
  uint32_t color = 0;
  bool valid = true;
  for (std::size_t i = 0; i < 3 && valid; ++i) {
    const std::string_view pair =
        digits.size() > 2 * i ? digits.substr(2 * i, 2) : std::string_view();
    int part = pair.empty() ? -1 : 0;
    for (char c : pair) {
      const int d = HexDigit(c);
      part = d < 0 || part < 0 ? -1 : part * 16 + d;
    }
    valid = part >= 0;
    if (valid) color |= static_cast<uint32_t>(part) << (8 * i);
  }
  if (valid) return color;
  std::string name(text);
  AsciiLowerInPlace(name);
  for (const NamedColor& entry : NamedColorTable) {
    if (entry.name == name) {
      return (entry.rgb >> 16 & 0xFF) | (entry.rgb & 0xFF00) | (entry.rgb & 0xFF) << 16;
    }
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const uint32_t got = HtmlToColor(text);
  QUORLIX_CHECK(got == ReferenceHtmlToColor(text));
  QUORLIX_CHECK((got >> 24) == 0);

  uint32_t value = 0;
  std::memcpy(&value, data, size < 4 ? size : 4);
  const std::string html = ColorToHtml(value);
  QUORLIX_CHECK(html.size() == 6);
  for (char c : html) QUORLIX_CHECK((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
  QUORLIX_CHECK(html == ColorToHtml(value & 0xFFFFFF));
  const uint32_t low = value & 0xFFFFFF;
  QUORLIX_CHECK(HtmlToColor(html) == low);
  std::string lower = "#" + html;
  AsciiLowerInPlace(lower);
  QUORLIX_CHECK(HtmlToColor(lower) == low);
  return 0;
}
