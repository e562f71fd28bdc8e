// The output as the user edits it: the converted lines (a LineSource, never
// copied) under an overlay of the lines the user changed or inserted. The
// text is a list of pieces, each a run of converted lines or of edited
// lines, so memory grows with the edits, not with the output. Edited text
// is held as characters (see core/text/cp1252.h), since a typed character need
// not have a byte; Save turns it back into bytes.
//
// Every edit is one Replace of a range of text; undo and redo replay the
// pieces an edit took out, so undoing the deletion of a million converted
// lines costs a few pieces, not their text. Positions count UTF-16 units.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/output_store.h"

namespace quorlix {

struct TextPos {
  std::size_t line = 0;
  std::size_t column = 0;
  friend bool operator==(const TextPos&, const TextPos&) = default;
  friend auto operator<=>(const TextPos&, const TextPos&) = default;
};

class EditableLines {
 public:
  // Shows `base` (nullptr: no lines). There is always at least one line:
  // an empty text is one empty line.
  explicit EditableLines(std::shared_ptr<const LineSource> base = nullptr);

  std::size_t size() const { return size_; }
  std::size_t LineLength(std::size_t line) const;
  // Replaces `out` by the characters of `line`.
  void Line(std::size_t line, std::u16string& out) const;
  // The characters of `line`: in place for an edited line, else read into
  // `scratch`. Valid until the next change of the text.
  std::u16string_view LineChars(std::size_t line, std::u16string& scratch) const;
  // Replaces `out` by the bytes of `line`; false when a character of it has
  // no byte (then `out` holds the bytes before it).
  bool LineBytes(std::size_t line, std::string& out) const;
  // Calls `append` with the characters from `from` to `to` in pieces, a
  // line break as "\n". Lines are read one at a time.
  void ForEachChars(TextPos from, TextPos to,
                    const std::function<void(std::u16string_view)>& append) const;
  // The number of characters from `from` to `to`, line breaks counted once.
  std::size_t CharCount(TextPos from, TextPos to) const;
  TextPos End() const { return {size_ - 1, LineLength(size_ - 1)}; }
  TextPos Clamp(TextPos pos) const;

  // Replaces the text from `from` to `to` (from <= to) by `text`, where "\n"
  // starts a new line; returns the end of the inserted text. With
  // `continue_typing`, an edit of the single line the previous edit left
  // joins that edit's undo step (a typed word is undone at once).
  TextPos Replace(TextPos from, TextPos to, std::u16string_view text, bool continue_typing = false);
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // Each returns where the text cursor belongs afterwards; nullopt when
  // there is nothing to undo or redo.
  std::optional<TextPos> Undo();
  std::optional<TextPos> Redo();

  // True when the text differs from the state of the last MarkSaved (or
  // from the converted lines when never saved).
  bool modified() const { return current_state() != saved_state_; }
  void MarkSaved() { saved_state_ = current_state(); }

  // The first character (in line order) that has no byte, or nullopt.
  std::optional<TextPos> FirstCharWithoutByte() const;
  // Passes the file bytes: every line followed by CR LF; an empty text
  // gives no bytes. Unchanged converted lines come from the source as they
  // are. Check FirstCharWithoutByte first: such a character stops the
  // writing with quorlix::Error.
  void WriteBytes(const std::function<void(std::string_view)>& write) const;

  // Called after each change with the first line changed, the number of
  // lines that were there and the number that are there now.
  std::function<void(std::size_t first, std::size_t removed, std::size_t inserted)> on_change;

 private:
  using EditedLines = std::vector<std::u16string>;
  struct Piece {
    std::shared_ptr<const EditedLines> edited;  // nullptr: lines of the base
    std::size_t first = 0;                      // in the base or in *edited
    std::size_t count = 0;
  };
  struct Step {
    std::size_t first = 0;      // line where the pieces go
    std::size_t replaced = 0;   // lines there now that they replace
    std::vector<Piece> pieces;  // what was there before
    TextPos cursor;             // where the cursor goes when replayed
    TextPos cursor_after;       // where it was after the edit
    std::size_t state = 0;      // the text state after the edit
    bool typing = false;
  };

  std::size_t PieceAt(std::size_t line, std::size_t& offset) const;
  std::size_t SplitAt(std::size_t line);
  std::vector<Piece> ReplaceLines(std::size_t first, std::size_t count, std::vector<Piece> pieces);
  void Reindex();
  static std::size_t LineCount(const std::vector<Piece>& pieces);
  std::optional<TextPos> Replay(std::vector<Step>& from, std::vector<Step>& to);
  std::size_t current_state() const { return undo_.empty() ? 0 : undo_.back().state; }

  std::shared_ptr<const LineSource> base_;
  std::vector<Piece> pieces_;
  std::vector<std::size_t> starts_;  // first line of each piece
  std::size_t size_ = 0;
  std::vector<Step> undo_, redo_;
  std::size_t next_state_ = 1;
  std::size_t saved_state_ = 0;
  mutable std::string scratch_;
};

}  // namespace quorlix
