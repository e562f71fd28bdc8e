// Text for a chat app's Markdown that shows exactly its characters: one
// output line put together from pieces of text, escaped with backslashes,
// and pieces of markup (bold, italics, a link) written as they are.
//
// The escapes hold for the chat app's dialect and for CommonMark alike, and
// only where a character could start or end markup, so the text stays
// readable:
//
//   always                 \  *  _  `  <  @  #
//   after the same char    ~  |          (~~ strike-through, || spoiler)
//   after "]"              (             ([text](url) links)
//   after ":"              /             (scheme:// autolinks)
//   ending &name;          ;             (character references)
//   ending :name:          :             (emoji shortcodes; a name of digits
//                                         only is left alone but 100 and 1234)
//   starting the line      >  -  +  =  [ (quotes, lists, subtext, headings,
//                                         link definitions)
//   1. or 1) starting the line followed by a blank: the "." or ")"
//
// "Starting the line" means after nothing but blanks, which counts every
// character a parser may drop or take for one there (control characters
// such as a form feed, a no-break space); "\r" or "\n" inside text starts
// a line again. A line's leading blanks themselves cannot be
// escaped and stay as they are.
#pragma once

#include <string>
#include <string_view>

namespace quorlix {

// True for a character that counts as a blank before a line's first
// visible one (see above).
bool IsMarkdownLeadingBlank(char c);

class MarkdownLine {
 public:
  // Appends to `out`, where a new line starts.
  explicit MarkdownLine(std::string& out) : out_(out) {}

  // Appends `text` escaped. What follows the end of `text` is unknown, so a
  // "1." that ends it is escaped.
  void AppendText(std::string_view text);
  // Appends `markup` as it is; escaping then starts afresh after it.
  void AppendMarkup(std::string_view markup);

 private:
  bool NeedsEscape(std::string_view text, std::size_t i);
  void Track(char c);
  void TrackLineStart(char c);
  void TrackNames(char c);

  std::string& out_;
  bool line_start_ = true;    // nothing but blanks on the line so far
  int leading_digits_ = 0;    // digits right after those blanks, nothing else
  char previous_ = '\0';      // the character before ('\0' after markup)
  int emoji_name_ = -1;       // characters since an opening ':'; -1: none
  bool emoji_digits_ = true;  // and they are all digits
  unsigned emoji_value_ = 0;  // their value, while short
  int reference_ = -1;        // characters since an '&'; -1: none
};

}  // namespace quorlix
