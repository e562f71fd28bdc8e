#include "core/dialects/page_text.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/dialects/message_tags.h"
#include "core/text/cp1252.h"
#include "core/text/named_colors.h"
#include "core/text/text_util.h"

namespace quorlix {
namespace {

// What one byte becomes on the page; size 0 for a byte copied as it is.
struct ByteText {
  char text[7];
  unsigned char size;
};

constexpr ByteText Utf8Of(char32_t c) {
  ByteText t{};
  if (c < 0x80) {
    t.text[0] = static_cast<char>(c);
    t.size = 1;
  } else if (c < 0x800) {
    t.text[0] = static_cast<char>(0xC0 | (c >> 6));
    t.text[1] = static_cast<char>(0x80 | (c & 0x3F));
    t.size = 2;
  } else {
    t.text[0] = static_cast<char>(0xE0 | (c >> 12));
    t.text[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    t.text[2] = static_cast<char>(0x80 | (c & 0x3F));
    t.size = 3;
  }
  return t;
}

constexpr ByteText Literal(std::string_view s) {
  ByteText t{};
  for (std::size_t i = 0; i < s.size(); ++i) t.text[i] = s[i];
  t.size = static_cast<unsigned char>(s.size());
  return t;
}

constexpr bool IsUndefinedInCp1252(int b) {
  return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr std::array<ByteText, 256> MakeByteTexts() {
  std::array<ByteText, 256> table{};
  for (int b = 0; b < 256; ++b) {
    ByteText& t = table[static_cast<std::size_t>(b)];
    if (b == '&') {
      t = Literal("&amp;");
    } else if (b == '<') {
      t = Literal("&lt;");
    } else if (b == '>') {
      t = Literal("&gt;");
    } else if (b == '\t' || (b >= 0x20 && b < 0x7F)) {
      t = ByteText{};  // as it is
    } else if (b < 0x20) {
      t = Utf8Of(0x2400 + static_cast<char32_t>(b));  // the control pictures
    } else if (b == 0x7F) {
      t = Utf8Of(0x2421);
    } else if (IsUndefinedInCp1252(b)) {
      t = Utf8Of(0xFFFD);
    } else if (b >= 0x80 && b <= 0x9F) {
      t = Utf8Of(kHigh[b - 0x80]);
    } else {
      t = Utf8Of(static_cast<char32_t>(b));
    }
  }
  return table;
}
constexpr std::array<ByteText, 256> kByteTexts = MakeByteTexts();

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    char32_t value = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, value = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, value = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, value = c & 0x07;
    } else {
      return false;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
      if (i + k >= s.size()) return false;
      const auto d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      value = (value << 6) | (d & 0x3F);
    }
    constexpr char32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
    if (value < kLeast[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
unsigned HexValue(char c) {
  if (c <= '9') return static_cast<unsigned>(c - '0');
  return static_cast<unsigned>(AsciiLower(c) - 'a' + 10);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// 3 or 6 hexadecimal digits, nothing else.
std::optional<uint32_t> ParseHexDigits(std::string_view digits) {
  if (digits.size() != 3 && digits.size() != 6) return std::nullopt;
  uint32_t rgb = 0;
  for (char c : digits) {
    if (!IsHexDigit(c)) return std::nullopt;
    rgb = rgb << 4 | HexValue(c);
    if (digits.size() == 3) rgb = rgb << 4 | HexValue(c);  // #abc is #aabbcc
  }
  return rgb;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view lower_prefix) {
  return text.size() >= lower_prefix.size() &&
         EqualsIgnoreAsciiCase(text.substr(0, lower_prefix.size()), lower_prefix);
}

// The value of the first "color" attribute of a tag's inside (what follows
// "<font" up to the ">"), or nothing when it has none.
std::optional<std::string_view> ColorAttribute(std::string_view inside) {
  std::size_t i = 0;
  const std::size_t n = inside.size();
  while (i < n) {
    while (i < n && (IsBlank(inside[i]) || inside[i] == '/')) ++i;
    const std::size_t name_begin = i;
    while (i < n && !IsBlank(inside[i]) && inside[i] != '/' && inside[i] != '=') ++i;
    const std::string_view name = inside.substr(name_begin, i - name_begin);
    while (i < n && IsBlank(inside[i])) ++i;
    std::string_view value;
    if (i < n && inside[i] == '=') {
      ++i;
      while (i < n && IsBlank(inside[i])) ++i;
      if (i < n && (inside[i] == '"' || inside[i] == '\'')) {
        const char quote = inside[i++];
        const std::size_t end = inside.find(quote, i);
        const std::size_t stop = end == std::string_view::npos ? n : end;
        value = inside.substr(i, stop - i);
        i = end == std::string_view::npos ? n : end + 1;
      } else {
        const std::size_t begin = i;
        while (i < n && !IsBlank(inside[i])) ++i;
        value = inside.substr(begin, i - begin);
      }
    }
    if (EqualsIgnoreAsciiCase(name, "color")) return value;
  }
  return std::nullopt;
}

// The linear light of each sRGB byte value, times 10^6: the contrast sums
// below are whole numbers, the same on every machine.
constexpr uint32_t kLinear[256] = {
    0,      304,    607,    911,    1214,   1518,   1821,   2125,   2428,   2732,   3035,   3347,
    3677,   4025,   4391,   4777,   5182,   5605,   6049,   6512,   6995,   7499,   8023,   8568,
    9134,   9721,   10330,  10960,  11612,  12286,  12983,  13702,  14444,  15209,  15996,  16807,
    17642,  18500,  19382,  20289,  21219,  22174,  23153,  24158,  25187,  26241,  27321,  28426,
    29557,  30713,  31896,  33105,  34340,  35601,  36889,  38204,  39546,  40915,  42311,  43735,
    45186,  46665,  48172,  49707,  51269,  52861,  54480,  56128,  57805,  59511,  61246,  63010,
    64803,  66626,  68478,  70360,  72272,  74214,  76185,  78187,  80220,  82283,  84376,  86500,
    88656,  90842,  93059,  95307,  97587,  99899,  102242, 104616, 107023, 109462, 111932, 114435,
    116971, 119538, 122139, 124772, 127438, 130136, 132868, 135633, 138432, 141263, 144128, 147027,
    149960, 152926, 155926, 158961, 162029, 165132, 168269, 171441, 174647, 177888, 181164, 184475,
    187821, 191202, 194618, 198069, 201556, 205079, 208637, 212231, 215861, 219526, 223228, 226966,
    230740, 234551, 238398, 242281, 246201, 250158, 254152, 258183, 262251, 266356, 270498, 274677,
    278894, 283149, 287441, 291771, 296138, 300544, 304987, 309469, 313989, 318547, 323143, 327778,
    332452, 337164, 341914, 346704, 351533, 356400, 361307, 366253, 371238, 376262, 381326, 386429,
    391572, 396755, 401978, 407240, 412543, 417885, 423268, 428690, 434154, 439657, 445201, 450786,
    456411, 462077, 467784, 473531, 479320, 485150, 491021, 496933, 502886, 508881, 514918, 520996,
    527115, 533276, 539479, 545724, 552011, 558340, 564712, 571125, 577580, 584078, 590619, 597202,
    603827, 610496, 617207, 623960, 630757, 637597, 644480, 651406, 658375, 665387, 672443, 679542,
    686685, 693872, 701102, 708376, 715694, 723055, 730461, 737910, 745404, 752942, 760525, 768151,
    775822, 783538, 791298, 799103, 806952, 814847, 822786, 830770, 838799, 846873, 854993, 863157,
    871367, 879622, 887923, 896269, 904661, 913099, 921582, 930111, 938686, 947307, 955973, 964686,
    973445, 982251, 991102, 1000000};

// Relative luminance times 10^10.
int64_t Luminance(uint32_t rgb) {
  return 2126 * int64_t{kLinear[rgb >> 16 & 0xFF]} + 7152 * int64_t{kLinear[rgb >> 8 & 0xFF]} +
         722 * int64_t{kLinear[rgb & 0xFF]};
}

// A contrast of at least 3:1, (lighter + 0.05) >= 3 (darker + 0.05).
bool ContrastsEnough(uint32_t a, uint32_t b) {
  constexpr int64_t kFlare = 500'000'000;  // 0.05 times 10^10
  const int64_t la = Luminance(a), lb = Luminance(b);
  const int64_t light = std::max(la, lb), dark = std::min(la, lb);
  return light + kFlare >= 3 * (dark + kFlare);
}

// `rgb` moved towards `toward` in twentieths until it stands out from
// `background`: the hue kept as far as the reader's page allows.
uint32_t ReadableOn(uint32_t rgb, uint32_t background, uint32_t toward) {
  for (uint32_t k = 0; k <= 20; ++k) {
    uint32_t mixed = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
      const int64_t from = rgb >> shift & 0xFF, to = toward >> shift & 0xFF;
      mixed |= static_cast<uint32_t>(from + (to - from) * k / 20) << shift;
    }
    if (ContrastsEnough(mixed, background)) return mixed;
  }
  return toward;
}

// Writes the message's text with the colour that applies to it, opening
// and closing flat spans only around text.
class ColoredText {
 public:
  explicit ColoredText(std::string& out) : out_(out) {}
  ~ColoredText() { Close(); }

  void SetColor(std::optional<uint32_t> color) { wanted_ = color ? int64_t{*color} : kNone; }
  void Text(std::string_view bytes) {
    if (bytes.empty()) return;
    if (open_ != wanted_) {
      Close();
      if (wanted_ != kNone) {
        const auto rgb = static_cast<uint32_t>(wanted_);
        out_.append("<span style=\"color:");
        AppendHexColor(ReadableOn(rgb, kPageLight, 0x000000), out_);
        out_.append(";--d:");
        AppendHexColor(ReadableOn(rgb, kPageDark, 0xFFFFFF), out_);
        out_.append("\">");
        open_ = wanted_;
      }
    }
    AppendPageText(bytes, out_);
  }
  void Close() {
    if (open_ != kNone) out_.append("</span>");
    open_ = kNone;
  }

 private:
  static constexpr int64_t kNone = -1;
  std::string& out_;
  int64_t wanted_ = kNone, open_ = kNone;  // 0xRRGGBB or kNone
};

// A character of a name that a page must not carry as it is: a C1 control
// and a noncharacter make the page invalid, and a bidi embedding, override
// or isolate would reorder the title and the heading around the name.
bool IsShownAsReplacement(char32_t c) {
  return (c >= 0x80 && c <= 0x9F) || (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The character of one valid UTF-8 sequence of 2 to 4 bytes.
char32_t DecodeUtf8(std::string_view character) {
  const auto lead = static_cast<unsigned char>(character[0]);
  char32_t c = lead & (character.size() == 2 ? 0x1F : character.size() == 3 ? 0x0F : 0x07);
  for (char continuation : character.substr(1)) {
    c = (c << 6) | (static_cast<unsigned char>(continuation) & 0x3F);
  }
  return c;
}

}  // namespace

void AppendPageText(std::string_view bytes, std::string& out) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p != end) {
    const char* run = p;
    while (p != end && kByteTexts[static_cast<unsigned char>(*p)].size == 0) ++p;
    out.append(run, static_cast<std::size_t>(p - run));
    if (p == end) break;
    const ByteText& t = kByteTexts[static_cast<unsigned char>(*p)];
    out.append(t.text, t.size);
    ++p;
  }
}

void AppendPageTextOfName(std::string_view bytes, std::string& out) {
  if (!IsValidUtf8(bytes)) {
    AppendPageText(bytes, out);
    return;
  }
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      const ByteText& t = kByteTexts[b];
      if (t.size == 0) {
        out.push_back(bytes[i]);
      } else {
        out.append(t.text, t.size);
      }
      ++i;
      continue;
    }
    const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
    const std::string_view character = bytes.substr(i, length);
    out.append(IsShownAsReplacement(DecodeUtf8(character)) ? std::string_view("\uFFFD")
                                                           : character);
    i += length;
  }
}

std::optional<uint32_t> ParsePageColor(std::string_view value) {
  value = TrimBlanks(value);
  if (!value.empty() && value.front() == '#') return ParseHexDigits(value.substr(1));
  if (const NamedColor* named = FindNamedColor(value)) return named->rgb;
  return std::nullopt;
}

std::optional<uint32_t> ParseChannelColor(std::string_view value) {
  value = TrimBlanks(value);
  if (!value.empty() && value.front() == '#') value.remove_prefix(1);
  if (value.size() != 6) return std::nullopt;
  return ParseHexDigits(value);
}

void AppendHexColor(uint32_t rgb, std::string& out) {
  constexpr char kDigits[] = "0123456789abcdef";
  char text[7] = {'#'};
  for (int i = 0; i < 6; ++i) text[1 + i] = kDigits[(rgb >> (20 - 4 * i)) & 0xF];
  out.append(text, 7);
}

void AppendPageMessage(std::string_view message, const PageMessageOptions& options,
                       std::string& out) {
  if (options.mark_links && message.find("<a href") != std::string_view::npos) {
    out.append("<i class=\"lr\">link removed</i> ");
  }
  ColoredText text(out);
  MessageTags tags(message);
  std::size_t pos = 0;
  while (const std::optional<MessageTag> found = tags.Next(pos)) {
    text.Text(message.substr(pos, found->open - pos));
    const std::string_view tag = found->InsideOf(message);
    if (!options.delete_tags) {
      if (StartsWithIgnoreCase(tag, "font") &&
          (tag.size() == 4 || IsBlank(tag[4]) || tag[4] == '/')) {
        const std::optional<std::string_view> value = ColorAttribute(tag.substr(4));
        text.SetColor(value ? ParsePageColor(*value) : std::nullopt);
      } else if (StartsWithIgnoreCase(tag, "/font") && (tag.size() == 5 || IsBlank(tag[5]))) {
        text.SetColor(std::nullopt);
      }
    }
    pos = found->close + 1;
  }
  if (pos < message.size()) text.Text(message.substr(pos));
}

}  // namespace quorlix
