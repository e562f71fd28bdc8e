// UBB forum code shown as a forum shows it: the Html that a rich-text
// viewer renders for the preview of a post. The result is safe to show:
// every character of the text is escaped, only the Html that the tags
// below produce is markup, and nothing refers to anything to be loaded.
//
//   [b] [i] [u] [s]          bold, italic, underline, strike-through
//   [color=#rgb|#rrggbb|name]
//   [size=1..7]              the seven font sizes; [size=8..72]: points
//   [url]address[/url]       a link showing its address
//   [url=address]text[/url]  a link (quotes around the address dropped)
//   [quote] [quote=name]     an indented quotation ("name wrote:")
//   [code]text[/code]        preformatted; no tags inside
//   [img]address[/img]       the picture's address, never the picture
//
// Tag names ignore letter case. A tag that is unknown, has a bad value, or
// has no partner (an opener without its closer, a closer without its
// opener, or one cut off by the closing of an outer tag) stays as text.
// Lines break at "\n" ("\r" is dropped). Time is linear in the text's
// length, whatever the tags.
#pragma once

#include <string>
#include <string_view>

namespace quorlix {

// `ubb`'s bytes are kept as they are apart from the escapes, so the caller
// decides how bytes map to characters.
std::string UbbToHtml(std::string_view ubb);

}  // namespace quorlix
