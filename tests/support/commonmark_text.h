// What a CommonMark renderer shows for one line of Markdown, for tests
// that hold the Markdown dialect against the text it must show.
#pragma once

#include <string>
#include <string_view>

namespace quorlix::test {

struct ShownMarkdown {
  // The characters shown, markup resolved; CommonMark drops the blanks at
  // a paragraph's two ends, so compare with Trimmed().
  std::string text;
  // Each piece of markup met, in order, with the text it holds:
  // "strong(...)", "emph(...)", "link(...)"; any other kind of node (a
  // heading, a list, a quote, code, Html, a line break) by its name. Empty
  // for plain text in one paragraph (or none, for a blank line).
  std::string markup;
};

// Renders `markdown` (UTF-8) as one document.
ShownMarkdown ShowMarkdown(std::string_view markdown);

// `text` without blanks at either end.
std::string Trimmed(std::string_view text);

}  // namespace quorlix::test
