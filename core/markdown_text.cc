#include "core/markdown_text.h"

namespace quorlix {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiAlnum(char c) { return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// The characters of an emoji's short name.
bool IsEmojiNameChar(char c) { return IsAsciiAlnum(c) || c == '_' || c == '+' || c == '-'; }

// A list item's number has at most nine digits.
constexpr int kMostListDigits = 9;
// The longest character reference name is 31 characters after "&"; a
// numeric one is already broken by its escaped "#".
constexpr int kLongestReference = 32;

}  // namespace

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
  if (c == '\r' || c == '\n') {
    line_start_ = true;
    leading_digits_ = 0;
  } else if (line_start_ && IsBlank(c)) {
    // still at the start
  } else if ((line_start_ || leading_digits_ > 0) && IsDigit(c)) {
    line_start_ = false;
    ++leading_digits_;
  } else {
    line_start_ = false;
    leading_digits_ = 0;
  }

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
  previous_ = c;
}

void MarkdownLine::AppendText(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (NeedsEscape(text, i)) out_.push_back('\\');
    out_.push_back(text[i]);
    Track(text[i]);
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
