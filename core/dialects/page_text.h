// The text of a web page made of the game's bytes: every byte written as its
// Windows-1252 character in UTF-8, with what a page would read as markup
// escaped, and a message's markup reduced to what is safe to keep.
//
// Contract: whatever the bytes, the output is text an HTML parser reads as
// text only: "&", "<" and ">" escaped, control characters (which a parser
// rejects) shown as their visible pictures (U+2400 onwards), the five bytes
// Windows-1252 leaves undefined as U+FFFD. Colours are written only in the
// form "#rrggbb" that the colour checks here produced; nothing of a tag's
// own text ever reaches the page as markup.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorlix {

// The backgrounds of the light and the dark page.
inline constexpr uint32_t kPageLight = 0xFFFFFF, kPageDark = 0x16181C;

// Appends `bytes` (Windows-1252) as escaped UTF-8 text.
void AppendPageText(std::string_view bytes, std::string& out);

// Appends `bytes` as escaped text: as they are when they are valid UTF-8
// (a file name), otherwise read as Windows-1252. C1 controls,
// noncharacters and bidi embeddings, overrides and isolates of UTF-8 names
// are shown as U+FFFD.
void AppendPageTextOfName(std::string_view bytes, std::string& out);

// The colour a font tag's value names: a colour name browsers know, or
// "#rgb" / "#rrggbb"; letter case and surrounding blanks ignored.
// 0xRRGGBB, or nothing when the value is not a colour.
std::optional<uint32_t> ParsePageColor(std::string_view value);

// The colour of a channel as config.cfg's colordef defines it: six
// hexadecimal digits RRGGBB, "#" allowed; nothing for anything else.
std::optional<uint32_t> ParseChannelColor(std::string_view value);

// Appends "#rrggbb".
void AppendHexColor(uint32_t rgb, std::string& out);

// What a message keeps on the page.
struct PageMessageOptions {
  bool mark_links = false;   // a line whose links were removed starts with a marker
  bool delete_tags = false;  // font colours go too
};

// Appends the message: link tags removed (their text stays), a font tag's
// colour kept while it lasts (as <span style="color:#L;--d:#D">: the colour
// darkened on the light page, lightened on the dark one, each in steps of
// a twentieth towards black or white, as far as a contrast of 3:1 needs) (up to "</font>", the next
// font tag or the message's end, as the other dialects close them), every other tag removed, the
// rest escaped. Tags are what core/message_tags.h reads as tags; a "<"
// that starts none is text. The colours are flat spans,
// never nested, whatever the tags' nesting.
void AppendPageMessage(std::string_view message, const PageMessageOptions& options,
                       std::string& out);

}  // namespace quorlix
