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

// Writes the page of `lines` into `out`, with one Working window for the
// whole page. Returns the number of lines on the page. An error of
// `lines` in the first pass leaves `out` untouched.
int64_t WritePage(const PageLines& lines, const ConvertOptions& options,
                  const ConvertSettings& settings, OutputSink& out, WorkingWindowFactory& windows);

}  // namespace quorlix
