#include "core/dialects/markdown_text.h"

#include <array>

namespace quorlix {
namespace {

// The bytes that may need an escape or start a line; any other byte is
// copied as it is wherever the line's start lies behind.
constexpr auto kLookAt = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : std::string_view("\\*_`<@#~|(/;:>-+=[.)&\r\n")) table[c] = true;
  return table;
}();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiAlnum(char c) { return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// What a chat app's parser may drop or take for a blank before a line's
// first visible character: spaces, control characters (a form feed, a
// vertical tab), the bytes that Windows-1252 leaves undefined (control
// characters once converted), the no-break space and the soft hyphen.
constexpr auto kLeadingBlank = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c <= 0x20; ++c) table[c] = c != '\r' && c != '\n';
  for (int c : {0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D, 0xA0, 0xAD}) table[c] = true;
  return table;
}();
// The characters of an emoji's short name.
bool IsEmojiNameChar(char c) { return IsAsciiAlnum(c) || c == '_' || c == '+' || c == '-'; }

// A list item's number has at most nine digits.
constexpr int kMostListDigits = 9;
// The longest character reference name is 31 characters after "&"; a
// numeric one is already broken by its escaped "#".
constexpr int kLongestReference = 32;

}  // namespace

bool IsMarkdownLeadingBlank(char c) { return kLeadingBlank[static_cast<unsigned char>(c)]; }

bool MarkdownLine::NeedsEscape(std::string_view text, std::size_t i) {
  const char c = text[i];
  switch (c) {
    case '\\':
    case '*':
    case '_':
    case '`':
    case '<':
    case '@':
    case '#': return true;
    case '~':
    case '|': return previous_ == c;
    case '(': return previous_ == ']';
    case '/': return previous_ == ':';
    case ';': return reference_ > 0;
    case ':':
      // Digits alone name no emoji but these two.
      return emoji_name_ > 0 && (!emoji_digits_ || (emoji_name_ == 3 && emoji_value_ == 100) ||
                                 (emoji_name_ == 4 && emoji_value_ == 1234));
    case '>':
    case '-':
    case '+':
    case '=':
    case '[': return line_start_;
    case '.':
    case ')':
      return leading_digits_ > 0 && leading_digits_ <= kMostListDigits &&
             (i + 1 == text.size() || IsBlank(text[i + 1]));
    default: return false;
  }
}

void MarkdownLine::Track(char c) {
  TrackLineStart(c);
  TrackNames(c);
  previous_ = c;
}

void MarkdownLine::TrackLineStart(char c) {
  if (c == '\r' || c == '\n') {
    line_start_ = true;
    leading_digits_ = 0;
  } else if (line_start_ && IsMarkdownLeadingBlank(c)) {
    // still at the start
  } else if ((line_start_ || leading_digits_ > 0) && IsDigit(c)) {
    line_start_ = false;
    ++leading_digits_;
  } else {
    line_start_ = false;
    leading_digits_ = 0;
  }
}

void MarkdownLine::TrackNames(char c) {
  if (c == ':') {  // also the closing one: emoji follow each other
    emoji_name_ = 0;
    emoji_digits_ = true;
    emoji_value_ = 0;
  } else if (emoji_name_ >= 0 && IsEmojiNameChar(c)) {
    ++emoji_name_;
    if (!IsDigit(c)) {
      emoji_digits_ = false;
    } else if (emoji_name_ <= 4) {
      emoji_value_ = emoji_value_ * 10 + static_cast<unsigned>(c - '0');
    }
  } else {
    emoji_name_ = -1;
  }

  if (c == '&') {
    reference_ = 0;
  } else if (reference_ >= 0 && reference_ < kLongestReference && IsAsciiAlnum(c)) {
    ++reference_;
  } else {
    reference_ = -1;
  }
}

void MarkdownLine::AppendText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (!line_start_ && leading_digits_ == 0) {
      // Most text is a run of bytes that need no escape: copied at once.
      std::size_t end = i;
      while (end < text.size() && !kLookAt[static_cast<unsigned char>(text[end])]) ++end;
      if (end > i) {
        out_.append(text, i, end - i);
        // Such bytes keep the line's start where it is; they only go on
        // or end an emoji name or a reference.
        for (std::size_t k = i; k < end && (emoji_name_ >= 0 || reference_ >= 0); ++k) {
          TrackNames(text[k]);
        }
        previous_ = text[end - 1];
        i = end;
        if (i == text.size()) break;
      }
    }
    if (NeedsEscape(text, i)) out_.push_back('\\');
    out_.push_back(text[i]);
    Track(text[i]);
    ++i;
  }
}

void MarkdownLine::AppendMarkup(std::string_view markup) {
  out_.append(markup);
  line_start_ = false;
  leading_digits_ = 0;
  previous_ = '\0';
  emoji_name_ = -1;
  reference_ = -1;
}

}  // namespace quorlix
