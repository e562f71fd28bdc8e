// Turns one input line into one output line of the chosen dialect: a
// prefix (channel, time, person) and the message with links removed, font
// tags closed or all tags deleted, and the game's markup translated.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/dialects/convert_options.h"
#include "core/dialects/markdown_text.h"
#include "core/line/line_fields.h"
#include "core/line/list_entry.h"
#include "core/text/name_lookup.h"

namespace quorlix {

inline constexpr std::string_view kLinkMarker = " - [i]link removed[/i] - ";

// One per conversion: the options, colour definitions and time pattern are
// fixed for its life, and its buffers are reused from line to line.
class LineFormatter {
 public:
  LineFormatter(const ConvertOptions& options, const std::vector<std::string>& color_definitions,
                std::string time_pattern);
  // Its caches point into its own members: it stays where it was made.
  LineFormatter(const LineFormatter&) = delete;
  LineFormatter& operator=(const LineFormatter&) = delete;

  // Finds the colours of these channels (letter case ignored) in one pass
  // over the definitions, so that their lines find them by a hash lookup;
  // other channels are still looked up one by one.
  void PrepareChannelColors(const std::vector<ListEntry>& channels);

  // Appends the output line of a line split into these fields to `out`.
  // False, and `out` untouched, when the dialect has no output. Throws
  // quorlix::Error when the time is shown and `timestamp` is not a
  // number; `out` may then hold part of the line.
  bool AppendFields(std::string_view channel, std::string_view timestamp, std::string_view person,
                    std::string_view message, std::string& out);
  // The same for a time stamp already read.
  bool AppendFieldsAtTime(std::string_view channel, int32_t time, std::string_view person,
                          std::string_view message, std::string& out);

  // The colour text that the colour definitions give `channel` ("" for
  // none), as the channel part of a line uses it.
  std::string_view ChannelColor(std::string_view channel);

 private:
  // Channel part, time part, person and separator.
  void AppendLinePrefix(std::string_view channel, std::string_view timestamp,
                        std::string_view person, std::string& out);
  std::string_view ChannelPart(std::string_view channel);
  // The prefix with `time` shown when the options show the time.
  void AppendPrefixAtTime(std::string_view channel, int64_t time, std::string_view person,
                          std::string& out);
  void AppendMessage(std::string_view message, std::string& out);
  // Markdown: the same line with the text escaped, colours dropped and
  // every tag deleted.
  void AppendMarkdownLine(std::string_view channel, int64_t time, std::string_view person,
                          std::string_view message, std::string& out);
  void AppendMarkdownPrefix(std::string_view channel, int64_t time, std::string_view person,
                            MarkdownLine& line);
  void AppendMarkdownMessage(std::string_view message, MarkdownLine& line);
  bool HasOutput() const;
  unsigned SecondOfDay(int64_t t);
  char* WriteClock(unsigned second_of_day, char* p) const;
  void RemoveLinks(std::string_view message);
  void HandleTags();
  bool DeleteTags(std::string_view text, std::string& out);
  static void AppendUbbQuoteAndClose(std::string_view text, std::string& out);
  void ApplyReplacements(unsigned present);

  ConvertOptions options_;
  std::vector<std::string> color_definitions_;
  std::vector<std::string> lowered_definitions_;
  std::string time_pattern_;
  bool html_;
  bool markdown_;

  // Per-line scratch, kept between lines.
  std::vector<std::string_view> pieces_;
  std::string body_, scratch_, key_, prefix_room_;
  // Channel name as spelled -> its colour ("" for none).
  NameTable<std::string_view> color_cache_;
  // Lower-cased channel name -> its colour, from PrepareChannelColors.
  NameTable<std::string_view> prepared_colors_;
  NameTable<std::string> channel_parts_;
  // The time pattern for the day that begins at cached_midnight_: the
  // text with the date written out, and where the clock fields go in it.
  struct ClockField {
    std::size_t at;  // position in day_text_
    int which;       // 0 hour, 1 minute, 2 second
  };
  void PrepareDay(int64_t t);
  int64_t cached_midnight_ = INT64_MIN;
  std::string day_text_;
  // day_text_ and 16 zero bytes more, so that the clock's pieces are copied
  // in fixed sizes; the prefix buffer has as much room to spare.
  std::string day_padded_;
  std::vector<ClockField> day_clocks_;
};

}  // namespace quorlix
