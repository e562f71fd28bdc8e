// Markdown as a chat app shows it: the Html that a rich-text viewer
// renders for the preview of a message. It knows what Quorlix writes:
//
//   \x                 the character x (any ASCII punctuation)
//   **text**           bold
//   *text*             italics
//   [text](address)    a link, for an http or https address
//
// Everything else is text: every character is escaped, only the Html that
// the forms above produce is markup, and nothing refers to anything to be
// loaded. A "*" or "**" without a partner later on its line stays as text.
// Lines break at "\n" ("\r" is dropped). Time is linear in the text's
// length.
#pragma once

#include <string>
#include <string_view>

namespace quorlix {

// `markdown`'s bytes are kept as they are apart from the escapes, so the
// caller decides how bytes map to characters.
std::string MarkdownToHtml(std::string_view markdown);

}  // namespace quorlix
