#include "core/dialects/markdown_cut.h"

#include <string>

#include "core/dialects/markdown_text.h"
#include "core/dialects/post_parts.h"

namespace quorlix {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
// A list item's number has at most nine digits.
constexpr std::size_t kMostListDigits = 9;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Where a piece starting at `pos` needs a backslash to start no markup:
// before a quote's, list's, heading's or link definition's first character
// or a list number's "." or ")"; kNone when nowhere.
std::size_t LineStartEscape(std::string_view line, std::size_t pos) {
  std::size_t j = pos;
  while (j < line.size() && IsMarkdownLeadingBlank(line[j])) ++j;
  if (j == line.size()) return kNone;
  switch (line[j]) {
    case '>':
    case '-':
    case '+':
    case '=':
    case '[': return j;
    default: break;
  }
  std::size_t k = j;
  while (k < line.size() && IsDigit(line[k]) && k - j < kMostListDigits + 1) ++k;
  if (k == j || k - j > kMostListDigits || k == line.size()) return kNone;
  if (line[k] != '.' && line[k] != ')') return kNone;
  if (k + 1 < line.size() && line[k + 1] != ' ' && line[k + 1] != '\t') return kNone;
  return k;
}

// The end of the smallest unit at `i` that a cut may not enter: an escape,
// a run of emphasis marks, a UTF-8 character, or one byte.
std::size_t UnitEnd(std::string_view line, std::size_t i) {
  const auto c = static_cast<unsigned char>(line[i]);
  std::size_t end = i + 1;
  if (c == '\\' && end < line.size()) return end + 1;
  if (c == '*') {
    while (end < line.size() && line[end] == '*') ++end;
  } else if (c >= 0xC2 && c <= 0xF4) {
    while (end < line.size() && end - i < 4 &&
           (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
      ++end;
  }
  return end;
}

// The end of the piece that starts at `pos` (where no bold or italics is
// open) and holds at most `room` bytes: after the last space that fits,
// else after the last character that fits; past `room` only when not even
// one unit, or the markup at `pos`, fits.
std::size_t PieceEnd(std::string_view line, std::size_t pos, std::size_t room) {
  std::size_t at_space = kNone, at_char = kNone;
  bool open = false;  // between bold's or italics' marks
  std::size_t i = pos;
  while (i < line.size()) {
    const std::size_t end = UnitEnd(line, i);
    if (end - pos > room && at_char != kNone) break;
    if (line[i] == '*') open = !open;
    i = end;
    if (open) continue;
    at_char = i;
    if (line[i - 1] == ' ' && i < line.size() && line[i] != ' ') at_space = i;
    if (i - pos >= room) break;
  }
  if (at_char == kNone) return line.size();  // markup open to the end
  return at_space != kNone ? at_space : at_char;
}

}  // namespace

void AppendMarkdownPieces(std::string_view line, std::uint64_t limit, OutputSink& out) {
  if (limit == 0 || line.size() + kLineBreakBytes <= limit) {
    out.AppendLine(line);
    return;
  }
  const std::size_t most = limit > kLineBreakBytes ? limit - kLineBreakBytes : 1;
  std::string piece;
  std::size_t pos = 0;
  while (pos < line.size()) {
    const std::size_t escape = pos == 0 ? kNone : LineStartEscape(line, pos);
    const std::size_t extra = escape == kNone ? 0 : 1;
    std::size_t end = line.size();
    if (line.size() - pos + extra > most) {
      end = PieceEnd(line, pos, most > extra ? most - extra : 1);
    }
    piece.clear();
    if (escape != kNone && escape < end) {
      piece.append(line, pos, escape - pos).push_back('\\');
      piece.append(line, escape, end - escape);
    } else {
      piece.append(line, pos, end - pos);
    }
    out.AppendLine(piece);
    pos = end;
  }
}

void MarkdownCutSink::AppendBlock(const LineBlock& block) {
  bool fits = true;
  for (std::size_t k = 0; limit_ != 0 && k < block.size() && fits; ++k) {
    fits = block.line(k).size() + kLineBreakBytes <= limit_;
  }
  if (fits) {
    next_.AppendBlock(block);
  } else {
    for (std::size_t k = 0; k < block.size(); ++k) AppendLine(block.line(k));
  }
}

}  // namespace quorlix
