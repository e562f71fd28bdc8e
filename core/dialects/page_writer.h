// The web page dialect: the chosen lines as one HTML5 document with
// everything inside it (its style; no script, nothing loaded from
// anywhere), light and dark, readable on a phone, printable.
//
// The page is streamed into the sink: the lines are gone over twice, first
// for the figures of the head (title, span, line count, persons with their
// counts, the channel colours used), then for the body, which is written
// line by line. Nothing of a line is kept between the passes but its
// person's name and count and its channel's colour.
//
// Each line is one output line: <p id="lN"> (N its line number in the log
// file, from 1; "lK-N" for line N of log K, from 1, of several merged)
// holding the time (HH:MM:SS UTC, a link to the line), the channel when
// shown, the person and the message (core/dialects/page_text.h). A
// heading goes before the first line of each new UTC day. Each person has a
// colour of a fixed palette, given in the order the persons first appear
// on the page, so the persons of a page are told apart as long as the
// palette lasts (12 colours; the 13th person has the first colour again).
// The page's own words are English, whatever the user's language, so that
// the same log and options always give the same bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "core/dialects/convert_options.h"
#include "core/work/output_sink.h"
#include "core/work/progress.h"

namespace quorlix {

// One line of a page.
struct PageLine {
  int64_t number = 0;  // its line number in the log file, from 1
  int log = 0;         // of several merged logs, the one it is in (from 1); else 0
  int64_t time = 0;    // Unix seconds
  std::string_view channel, person, message;
};

// Calls the function given with each line of the page, in order; it is
// called twice and must give the same lines both times. It may throw
// quorlix::Error (a time stamp that is not a number).
using PageLines = std::function<void(const std::function<void(const PageLine&)>&)>;

// The number of person colours.
inline constexpr int kPagePersonColors = 12;

// Links of a page that is one of a set (an archive's scene pages): back to
// the set's index and to the pages before and after it. A link whose
// target is empty is left out. Targets are file names of the set, written
// as they are; the texts are escaped.
struct PageNavigation {
  std::string index_href, previous_href, next_href;
  std::string index_text, previous_text, next_text;
};

// Writes the page of `lines` into `out`, with one Working window for the
// whole page. Returns the number of lines on the page. An error of
// `lines` in the first pass leaves `out` untouched. With `navigation`
// the page gets its links above and below the lines (and their style);
// without it the page is the dialect's page alone.
int64_t WritePage(const PageLines& lines, const ConvertOptions& options,
                  const ConvertSettings& settings, OutputSink& out, WorkingWindowFactory& windows,
                  const PageNavigation* navigation = nullptr);

// Lines added to a page's style: at the end of the light style, of the
// dark one and of the printed one.
struct PageStyleLines {
  std::span<const std::string_view> light, dark, print;
};

// The start of a page of this dialect up to and including "<body>": its
// meta lines, `title_html` (markup, escaped by the caller) as the title,
// and the style with the person colours' classes "pK", a class "cK" for
// each of `channel_colors`, and `extra`. Pages of a set that are not made
// of lines (an archive's indexes) share the look of the line pages so.
void WritePageStart(std::string_view title_html, std::span<const uint32_t> channel_colors,
                    const PageStyleLines& extra, OutputSink& out);

// The page's forms of a time in UTC: YYYY-MM-DD, HH:MM:SS, and both with
// a space between.
void AppendPageDate(int64_t unix_seconds, std::string& out);
void AppendPageClock(int64_t unix_seconds, std::string& out);
void AppendPageDateTime(int64_t unix_seconds, std::string& out);

}  // namespace quorlix
