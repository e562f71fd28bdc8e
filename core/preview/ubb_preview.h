// UBB forum code shown as a forum shows it: the Html that a rich-text
// viewer renders for the preview of a post. The result is safe to show:
// every character of the text is escaped, only the Html that the tags
// below produce is markup, and nothing refers to anything to be loaded.
//
//   [b] [i] [u] [s]          bold, italic, underline, strike-through
//   [color=#rgb|#rrggbb|name]  name: a colour name that browsers know
//   [size=1..7]              the seven font sizes; [size=8..72]: points
//   [url]address[/url]       a link showing its address
//   [url=address]text[/url]  a link
//   [quote] [quote=name]     an indented quotation ("name wrote:")
//   [code]text[/code]        preformatted
//   [img]address[/img]       the picture's address, never the picture
//
// Tag names ignore letter case. A value may stand between a pair of single
// or double quotes, which are dropped; it holds no "[".
//
// A tag that is unknown, has a bad value, or has no partner stays as text.
// A closer pairs with the innermost open tag of its name; the tags opened
// inside that one and still open lose their partner (they are cut off by
// the closing of an outer tag). [url], [img] and [code] pair by the same
// rule and show what stands between their tags as it is, tags included.
// Only an http://, https://, ftp:// or mailto: address makes a link or a
// picture, as forums link only those; a tag of any other address, and a
// link or picture with nothing between its tags, stays text, and so does
// every tag nested deeper than kMaxTagDepth tags (forums cap nesting so).
//
// The Html is one block, kUbbHtmlStart ... kUbbHtmlEnd, in which lines
// break at "\n" as they are ("\r" is dropped): a line break element per
// line would cost a viewer far more time. Quotations and code are blocks:
// the text formats open at a block's edge are closed before it and opened
// again at the next text (inside a quotation as after it; code shows
// plain), and text after a block inside a quotation is a block of its own,
// so that viewers keep it inside the quotation. Time is linear in the
// text's length, whatever the tags.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorlix {

constexpr std::size_t kMaxTagDepth = 10;
constexpr std::string_view kUbbHtmlStart = "<div style=\"white-space:pre-line\">";
constexpr std::string_view kUbbHtmlEnd = "</div>";

// `ubb`'s bytes are kept as they are apart from the escapes, so the caller
// decides how bytes map to characters.
std::string UbbToHtml(std::string_view ubb);

}  // namespace quorlix
