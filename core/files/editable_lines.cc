#include "core/files/editable_lines.h"

#include <algorithm>
#include <utility>

#include "core/text/cp1252.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

constexpr std::size_t kChunk = 1 << 20;

// Turns the converted lines' file bytes (every line ending in CR LF) into
// characters with "\n" line breaks, whatever the chunks' boundaries.
class LineBreakFolder {
 public:
  explicit LineBreakFolder(const std::function<void(std::u16string_view)>& append)
      : append_(append) {}
  void operator()(std::string_view bytes) {
    chars_.clear();
    if (held_cr_ && (bytes.empty() || bytes.front() != '\n')) chars_ += u'\r';
    held_cr_ = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const char byte = bytes[i];
      if (byte == '\r') {
        if (i + 1 == bytes.size()) {
          held_cr_ = true;
          continue;
        }
        if (bytes[i + 1] == '\n') continue;
      }
      chars_ += ByteToChar(static_cast<unsigned char>(byte));
    }
    append_(chars_);
  }

 private:
  const std::function<void(std::u16string_view)>& append_;
  std::u16string chars_;
  bool held_cr_ = false;
};

}  // namespace

EditableLines::EditableLines(std::shared_ptr<const LineSource> base) : base_(std::move(base)) {
  if (base_ != nullptr && base_->size() > 0) {
    pieces_.push_back({nullptr, 0, base_->size()});
  } else {
    pieces_.push_back({std::make_shared<const EditedLines>(1), 0, 1});
  }
  Reindex();
}

std::size_t EditableLines::PieceAt(std::size_t line, std::size_t& offset) const {
  const auto it = std::upper_bound(starts_.begin(), starts_.end(), line);
  const std::size_t k = static_cast<std::size_t>(it - starts_.begin()) - 1;
  offset = line - starts_[k];
  return k;
}

std::size_t EditableLines::LineLength(std::size_t line) const {
  std::size_t offset;
  const Piece& piece = pieces_[PieceAt(line, offset)];
  return piece.edited ? (*piece.edited)[piece.first + offset].size()
                      : base_->LineLength(piece.first + offset);
}

std::u16string_view EditableLines::LineChars(std::size_t line, std::u16string& scratch) const {
  std::size_t offset;
  const Piece& piece = pieces_[PieceAt(line, offset)];
  if (piece.edited) return (*piece.edited)[piece.first + offset];
  Line(line, scratch);
  return scratch;
}

void EditableLines::Line(std::size_t line, std::u16string& out) const {
  std::size_t offset;
  const Piece& piece = pieces_[PieceAt(line, offset)];
  if (piece.edited) {
    out = (*piece.edited)[piece.first + offset];
    return;
  }
  base_->ReadLine(piece.first + offset, scratch_);
  out.clear();
  AppendBytesAsChars(scratch_, out);
}

bool EditableLines::LineBytes(std::size_t line, std::string& out) const {
  std::size_t offset;
  const Piece& piece = pieces_[PieceAt(line, offset)];
  if (!piece.edited) {
    base_->ReadLine(piece.first + offset, out);
    return true;
  }
  out.clear();
  return AppendCharsAsBytes((*piece.edited)[piece.first + offset], out) == std::u16string::npos;
}

TextPos EditableLines::Clamp(TextPos pos) const {
  pos.line = std::min(pos.line, size_ - 1);
  pos.column = std::min(pos.column, LineLength(pos.line));
  return pos;
}

void EditableLines::ForEachChars(TextPos from, TextPos to,
                                 const std::function<void(std::u16string_view)>& append) const {
  std::u16string line;
  Line(from.line, line);
  const std::size_t first_end = from.line == to.line ? to.column : line.size();
  append(
      std::u16string_view(line).substr(from.column, first_end - std::min(first_end, from.column)));
  if (from.line == to.line) return;
  append(u"\n");
  // Whole lines between: converted runs are read in large chunks.
  for (std::size_t at = from.line + 1; at < to.line;) {
    std::size_t offset;
    const Piece& piece = pieces_[PieceAt(at, offset)];
    const std::size_t count = std::min(piece.count - offset, to.line - at);
    if (piece.edited) {
      for (std::size_t i = 0; i < count; ++i) {
        append((*piece.edited)[piece.first + offset + i]);
        append(u"\n");
      }
    } else {
      LineBreakFolder folder(append);
      base_->WriteLines(piece.first + offset, count,
                        [&](std::string_view bytes) { folder(bytes); });
    }
    at += count;
  }
  Line(to.line, line);
  append(std::u16string_view(line).substr(0, std::min(to.column, line.size())));
}

std::size_t EditableLines::CharCount(TextPos from, TextPos to) const {
  if (from.line == to.line) return to.column - from.column;
  std::size_t count = LineLength(from.line) - from.column + 1 + to.column;
  for (std::size_t at = from.line + 1; at < to.line;) {
    std::size_t offset;
    const Piece& piece = pieces_[PieceAt(at, offset)];
    const std::size_t lines = std::min(piece.count - offset, to.line - at);
    if (piece.edited) {
      for (std::size_t i = 0; i < lines; ++i)
        count += (*piece.edited)[piece.first + offset + i].size();
    } else {
      count += base_->LinesLength(piece.first + offset, lines);
    }
    count += lines;
    at += lines;
  }
  return count;
}

TextPos EditableLines::Replace(TextPos from, TextPos to, std::u16string_view text,
                               bool continue_typing) {
  from = Clamp(from);
  to = Clamp(to);
  if (to < from) std::swap(from, to);
  if (from == to && text.empty()) return from;
  // The kept ends are read in place where the lines are edited ones: a key
  // typed into a line of megabytes copies that line once, not three times.
  std::u16string first_scratch, last_scratch;
  const std::u16string_view first = LineChars(from.line, first_scratch);
  const std::u16string_view head = first.substr(0, from.column);
  const std::u16string_view tail =
      (to.line == from.line ? first : LineChars(to.line, last_scratch)).substr(to.column);
  std::u16string current;
  if (text.find(u'\n') == std::u16string_view::npos) {
    current.reserve(head.size() + text.size() + tail.size());
  }
  current.append(head);
  auto lines = std::make_shared<EditedLines>();
  for (std::size_t start = 0;;) {
    const std::size_t newline = text.find(u'\n', start);
    if (newline == std::u16string_view::npos) {
      current.append(text.substr(start));
      break;
    }
    current.append(text.substr(start, newline - start));
    lines->push_back(std::move(current));
    current.clear();
    start = newline + 1;
  }
  const TextPos end{from.line + lines->size(), current.size()};
  current += tail;
  lines->push_back(std::move(current));
  const std::size_t count = lines->size();

  const bool joins = continue_typing && !undo_.empty() && redo_.empty() && undo_.back().typing &&
                     undo_.back().state != saved_state_ && undo_.back().first == from.line &&
                     undo_.back().replaced == 1 && undo_.back().cursor_after == from &&
                     from.line == to.line && count == 1;
  std::vector<Piece> removed =
      ReplaceLines(from.line, to.line - from.line + 1, {Piece{std::move(lines), 0, count}});
  if (joins) {
    undo_.back().cursor_after = end;  // the step keeps the text before the typing
  } else {
    undo_.push_back(
        {from.line, count, std::move(removed), from, end, next_state_++, continue_typing});
  }
  redo_.clear();
  if (on_change) on_change(from.line, to.line - from.line + 1, count);
  return end;
}

std::optional<TextPos> EditableLines::Undo() { return Replay(undo_, redo_); }
std::optional<TextPos> EditableLines::Redo() { return Replay(redo_, undo_); }

std::optional<TextPos> EditableLines::Replay(std::vector<Step>& from, std::vector<Step>& to) {
  if (from.empty()) return std::nullopt;
  Step step = std::move(from.back());
  from.pop_back();
  const std::size_t restored = LineCount(step.pieces);
  std::vector<Piece> taken = ReplaceLines(step.first, step.replaced, std::move(step.pieces));
  to.push_back(
      {step.first, restored, std::move(taken), step.cursor_after, step.cursor, step.state, false});
  // Undo puts back the state before the step; redo the step's own.
  if (on_change) on_change(step.first, step.replaced, restored);
  return Clamp(step.cursor);
}

std::size_t EditableLines::SplitAt(std::size_t line) {
  if (line >= size_) return pieces_.size();
  std::size_t offset;
  const std::size_t k = PieceAt(line, offset);
  if (offset == 0) return k;
  Piece right = pieces_[k];
  right.first += offset;
  right.count -= offset;
  pieces_[k].count = offset;
  pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(k + 1), std::move(right));
  starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(k + 1), line);
  return k + 1;
}

std::vector<EditableLines::Piece> EditableLines::ReplaceLines(std::size_t first, std::size_t count,
                                                              std::vector<Piece> pieces) {
  const std::size_t begin = SplitAt(first);
  const std::size_t end = SplitAt(first + count);
  const auto b = pieces_.begin() + static_cast<std::ptrdiff_t>(begin);
  const auto e = pieces_.begin() + static_cast<std::ptrdiff_t>(end);
  std::vector<Piece> removed(std::make_move_iterator(b), std::make_move_iterator(e));
  const auto at = pieces_.erase(b, e);
  pieces_.insert(at, std::make_move_iterator(pieces.begin()),
                 std::make_move_iterator(pieces.end()));
  Reindex();
  return removed;
}

std::size_t EditableLines::LineCount(const std::vector<Piece>& pieces) {
  std::size_t count = 0;
  for (const Piece& piece : pieces) count += piece.count;
  return count;
}

void EditableLines::Reindex() {
  // Neighbours that continue each other become one piece again, so undoing
  // many edits leaves few pieces.
  std::size_t kept = 0;
  for (std::size_t k = 0; k < pieces_.size(); ++k) {
    Piece& piece = pieces_[k];
    if (piece.count == 0) continue;
    if (kept > 0) {
      Piece& last = pieces_[kept - 1];
      if (last.edited == piece.edited && last.first + last.count == piece.first) {
        last.count += piece.count;
        continue;
      }
    }
    if (kept != k) pieces_[kept] = std::move(piece);
    ++kept;
  }
  pieces_.resize(kept);
  starts_.resize(kept);
  size_ = 0;
  for (std::size_t k = 0; k < kept; ++k) {
    starts_[k] = size_;
    size_ += pieces_[k].count;
  }
}

std::optional<TextPos> EditableLines::FirstCharWithoutByte() const {
  for (std::size_t k = 0; k < pieces_.size(); ++k) {
    const Piece& piece = pieces_[k];
    if (!piece.edited) continue;
    for (std::size_t i = 0; i < piece.count; ++i) {
      const std::u16string& line = (*piece.edited)[piece.first + i];
      for (std::size_t column = 0; column < line.size(); ++column) {
        if (CharToByte(line[column]) < 0) return TextPos{starts_[k] + i, column};
      }
    }
  }
  return std::nullopt;
}

void EditableLines::WriteBytes(const std::function<void(std::string_view)>& write) const {
  if (size_ == 1 && LineLength(0) == 0) return;  // an empty text is no line
  std::string buffer;
  for (const Piece& piece : pieces_) {
    if (!piece.edited) {
      if (!buffer.empty()) write(buffer);
      buffer.clear();
      base_->WriteLines(piece.first, piece.count, write);
      continue;
    }
    for (std::size_t i = 0; i < piece.count; ++i) {
      if (AppendCharsAsBytes((*piece.edited)[piece.first + i], buffer) != std::u16string::npos) {
        throw Error(Tr("The output holds a character without a byte"));
      }
      buffer += "\r\n";
      if (buffer.size() >= kChunk) {
        write(buffer);
        buffer.clear();
      }
    }
  }
  if (!buffer.empty()) write(buffer);
}

}  // namespace quorlix
