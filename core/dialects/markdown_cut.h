// Markdown lines (as MarkdownLine writes them) that are too long for one
// chat post, cut into pieces that each fit: a chat app refuses a longer
// post, where a forum takes one line over the limit as a part of its own.
//
// A line is cut after a space where one lets a piece fit, otherwise after
// any character; never inside an escape ("\*"), between the two marks of
// bold or italics, or inside a UTF-8 character. Each piece is a line of
// its own; one that then starts with what would open a quote, a list, a
// heading or a link definition gets that character escaped, so the pieces
// show exactly the characters of the line. Only markup longer than the
// limit itself makes a piece over the limit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/work/output_sink.h"

namespace quorlix {

// Appends the pieces of `line` for posts of `limit` bytes (each line
// counted with its CR LF, as core/post_parts.h counts) to `out`; the line
// as it is when it fits or `limit` is 0.
void AppendMarkdownPieces(std::string_view line, std::uint64_t limit, OutputSink& out);

// Passes every line on to `next`, the long ones in pieces.
class MarkdownCutSink : public OutputSink {
 public:
  MarkdownCutSink(OutputSink& next, std::uint64_t limit) : next_(next), limit_(limit) {}
  void AppendLine(std::string_view line) override { AppendMarkdownPieces(line, limit_, next_); }
  void AppendBlock(const LineBlock& block) override;

 private:
  OutputSink& next_;
  std::uint64_t limit_;
};

}  // namespace quorlix
