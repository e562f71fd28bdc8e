// The Output page's editable text: a view over an EditableLines (the
// converted lines plus the user's edits) that draws only the rows on
// screen, so an output of millions of lines needs no text document. It
// behaves as a plain-text pane: a blinking cursor, selection with mouse and
// Shift, typing, Enter, Tab, Backspace, Delete, the clipboard, many steps of
// undo and redo, a context menu, both scroll bars and no word wrap.
// Characters show the bytes as Windows-1252 (core/text/cp1252.h).
//
// output_view.cc holds the view, its painting and its cursor;
// output_view_geometry.cc the measuring of the text and the scroll bars;
// output_view_editing.cc the edits and the keys and mouse that make them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractScrollArea>
#include <QBasicTimer>

#include "core/files/editable_lines.h"

class QMenu;

namespace quorlix {

class OutputView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit OutputView(QWidget* parent = nullptr);
  ~OutputView() override;

  // Shows `source` (nullptr: an empty text) from the top: no edits, no
  // undo steps, not edited since save. The previous source is let go.
  void SetSource(std::shared_ptr<const LineSource> source);

  // The text, for commands and for the pieces built on this view.
  const EditableLines& lines() const { return *lines_; }
  std::size_t LineCount() const { return lines_->size(); }
  // The bytes of `line`; false when one of its characters has no byte.
  bool LineBytes(std::size_t line, std::string& out) const { return lines_->LineBytes(line, out); }
  bool IsEditedSinceSave() const { return lines_->modified(); }
  // Called after the text was saved: no longer edited since save.
  void MarkSaved();

  // Decorations between lines: called at the end of every paint with the
  // lines on screen [first, last]; LineTop gives a line's top edge in the
  // viewport (the gap above line n is at LineTop(n)).
  using DecorationPainter = std::function<void(QPainter&, std::size_t first, std::size_t last)>;
  void SetDecorationPainter(DecorationPainter painter);
  int LineTop(std::size_t line) const;
  int LineHeight() const { return line_height_; }

  TextPos cursor() const { return cursor_; }
  // Moves the cursor (and the selection's anchor unless `extend`) and
  // scrolls it into view.
  void SetCursor(TextPos pos, bool extend = false);
  bool HasSelection() const { return cursor_ != anchor_; }
  QString SelectedText() const;
  // The text from `from` to `to`, line breaks as "\n".
  QString TextBetween(TextPos from, TextPos to) const;
  // The whole text, lines joined by "\n"; meant for small outputs.
  QString PlainText() const;

  // The editing commands of the keys and the context menu.
  void SelectAll();
  void Copy();
  void Cut();
  void Paste();
  void DeleteSelection();
  void Undo();
  void Redo();
  // Replaces the selection by `text` ("\n", "\r\n" and "\r" start lines).
  void InsertText(const QString& text);
  QMenu* CreateContextMenu();

 signals:
  // After each change of the text: the first line changed, the number of
  // lines that were there and the number there now. SetSource signals it
  // for all lines.
  void changed(qsizetype first, qsizetype removed, qsizetype inserted);
  // When IsEditedSinceSave() turns true or false.
  void editedChanged(bool edited);

 protected:
  bool event(QEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  static constexpr int kMargin = 4;       // the document margin of a plain-text pane
  static constexpr double kTabStop = 80;  // pixels, as a plain-text pane's default

  enum class Motion {
    kLeft,
    kRight,
    kUp,
    kDown,
    kWordLeft,
    kWordRight,
    kLineStart,
    kLineEnd,
    kPageUp,
    kPageDown,
    kTextStart,
    kTextEnd
  };

  bool HandleMotion(QKeyEvent* event);
  bool HandleEditKey(QKeyEvent* event);
  TextPos Moved(TextPos pos, Motion motion);
  void Edit(TextPos from, TextPos to, std::u16string_view text, bool typing = false);
  void AfterChange(std::size_t first, std::size_t removed, std::size_t inserted);
  void ShowCursorAt(TextPos pos);

  // Geometry: x is measured from the text's left edge, before scrolling.
  double Advance(char16_t c) const;
  double XOf(const std::u16string& text, std::size_t column) const;
  std::size_t ColumnAt(const std::u16string& text, double x) const;
  TextPos PosAt(QPoint point) const;
  int FullRows() const;
  void UpdateFontMetrics();
  void UpdateScrollBars();
  void WidenFor(std::size_t first, std::size_t count);
  void EnsureVisible(TextPos pos);
  void RestartBlink();
  void PaintLine(QPainter& painter, const std::u16string& text, int top, const QColor& color) const;
  // The characters of `line`, read into `scratch`, or for a long line kept
  // and measured until the text changes.
  const std::u16string& TextOf(std::size_t line, std::u16string& scratch) const;
  void ForgetMeasuredLine();
  void WalkStart(const std::u16string& text, std::size_t column, double target, bool by_x,
                 std::size_t& i, double& x) const;
  QRect CursorRect() const;

  std::unique_ptr<EditableLines> lines_;
  TextPos cursor_, anchor_;
  double wanted_x_ = -1;  // kept while moving up and down
  bool was_edited_ = false;
  bool dragging_ = false;
  bool cursor_shown_ = true;
  QBasicTimer blink_;
  DecorationPainter decorations_;
  QFont text_font_;
  int line_height_ = 1;
  int ascent_ = 1;
  double content_width_ = 0;
  std::size_t longest_line_ = 0;         // of the converted lines, by bytes
  mutable std::vector<float> advances_;  // per UTF-16 unit, measured on first use
  mutable std::size_t measured_line_ = SIZE_MAX;
  mutable std::u16string measured_text_;
  mutable std::vector<double> measured_x_;  // x at columns 0, kStride, 2 kStride, ...
  mutable double measured_width_ = 0;
};

}  // namespace quorlix
