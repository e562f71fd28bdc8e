#include "core/text/cp1252.h"

#include <array>

namespace quorlix {
namespace {

// 0x80-0x9F; the undefined bytes keep their Latin-1 character.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<char16_t, 256> MakeCharTable() {
  std::array<char16_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    table[static_cast<std::size_t>(b)] =
        (b >= 0x80 && b <= 0x9F) ? kHighControls[b - 0x80] : static_cast<char16_t>(b);
  }
  return table;
}
constexpr std::array<char16_t, 256> kChars = MakeCharTable();

}  // namespace

char16_t ByteToChar(unsigned char byte) { return kChars[byte]; }

int CharToByte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == c) return 0x80 + i;
  }
  return -1;
}

void AppendBytesAsChars(std::string_view bytes, std::u16string& out) {
  const std::size_t start = out.size();
  out.resize(start + bytes.size());
  char16_t* dest = out.data() + start;
  for (const char byte : bytes) *dest++ = kChars[static_cast<unsigned char>(byte)];
}

std::size_t AppendCharsAsBytes(std::u16string_view chars, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + chars.size());
  char* dest = out.data() + start;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const int byte = CharToByte(chars[i]);
    if (byte < 0) {
      out.resize(start + i);
      return i;
    }
    *dest++ = static_cast<char>(byte);
  }
  return std::u16string_view::npos;
}

}  // namespace quorlix
