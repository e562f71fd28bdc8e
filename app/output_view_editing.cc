// OutputView's editing: the changes of the text, the clipboard, undo, the
// context menu, and the keys and the mouse that drive them.
#include "app/output_view.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>

namespace quorlix {
namespace {

std::u16string_view Chars(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

void Append(QString& text, std::u16string_view chars) {
  text.append(reinterpret_cast<const QChar*>(chars.data()), static_cast<qsizetype>(chars.size()));
}

bool IsWordChar(char16_t c) { return QChar(c).isLetterOrNumber() || c == u'_'; }

// Text that typing inserts: printable characters and Tab, nothing else.
bool IsTypedText(const QString& text) {
  if (text.isEmpty()) return false;
  for (const QChar c : text) {
    if (c != QLatin1Char('\t') && (c.unicode() < 0x20 || c.unicode() == 0x7F)) return false;
  }
  return true;
}

}  // namespace

// --- Editing --------------------------------------------------------------

void OutputView::Edit(TextPos from, TextPos to, std::u16string_view text, bool typing) {
  const TextPos end = lines_->Replace(std::min(from, to), std::max(from, to), text, typing);
  ShowCursorAt(end);
}

void OutputView::AfterChange(std::size_t first, std::size_t removed, std::size_t inserted) {
  ForgetMeasuredLine();
  WidenFor(first, std::min<std::size_t>(inserted, 1000));
  UpdateScrollBars();
  viewport()->update();
  emit changed(static_cast<qsizetype>(first), static_cast<qsizetype>(removed),
               static_cast<qsizetype>(inserted));
  if (lines_->modified() != was_edited_) {
    was_edited_ = lines_->modified();
    emit editedChanged(was_edited_);
  }
}

void OutputView::InsertText(const QString& text) {
  QString normal = text;
  normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  Edit(anchor_, cursor_, Chars(normal));
}

void OutputView::DeleteSelection() {
  if (HasSelection()) Edit(anchor_, cursor_, {});
}

QString OutputView::SelectedText() const {
  return TextBetween(std::min(cursor_, anchor_), std::max(cursor_, anchor_));
}

QString OutputView::TextBetween(TextPos from, TextPos to) const {
  from = lines_->Clamp(from);
  to = lines_->Clamp(to);
  QString text;
  text.reserve(static_cast<qsizetype>(lines_->CharCount(from, to)));
  lines_->ForEachChars(from, to, [&text](std::u16string_view chars) { Append(text, chars); });
  return text;
}

QString OutputView::PlainText() const { return TextBetween({}, lines_->End()); }

void OutputView::SelectAll() {
  anchor_ = {};
  cursor_ = lines_->End();
  EnsureVisible(cursor_);
  RestartBlink();
}

void OutputView::Copy() {
  if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

void OutputView::Cut() {
  if (!HasSelection()) return;
  Copy();
  DeleteSelection();
}

void OutputView::Paste() {
  const QString text = QApplication::clipboard()->text();
  if (!text.isEmpty()) InsertText(text);
}

void OutputView::Undo() {
  if (const auto pos = lines_->Undo()) ShowCursorAt(*pos);
}

void OutputView::Redo() {
  if (const auto pos = lines_->Redo()) ShowCursorAt(*pos);
}

QMenu* OutputView::CreateContextMenu() {
  auto* menu = new QMenu(this);
  const auto add = [&](const QString& text, QKeySequence::StandardKey key, bool enabled,
                       void (OutputView::*command)()) {
    QAction* action = menu->addAction(text, this, command);
    action->setShortcut(key);
    action->setEnabled(enabled);
  };
  add(tr("&Undo"), QKeySequence::Undo, lines_->CanUndo(), &OutputView::Undo);
  add(tr("&Redo"), QKeySequence::Redo, lines_->CanRedo(), &OutputView::Redo);
  menu->addSeparator();
  add(tr("Cu&t"), QKeySequence::Cut, HasSelection(), &OutputView::Cut);
  add(tr("&Copy"), QKeySequence::Copy, HasSelection(), &OutputView::Copy);
  add(tr("&Paste"), QKeySequence::Paste, !QApplication::clipboard()->text().isEmpty(),
      &OutputView::Paste);
  add(tr("&Delete"), QKeySequence::Delete, HasSelection(), &OutputView::DeleteSelection);
  menu->addSeparator();
  add(tr("&Select all"), QKeySequence::SelectAll, true, &OutputView::SelectAll);
  return menu;
}

void OutputView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = CreateContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

// --- Keys and mouse -------------------------------------------------------

bool OutputView::focusNextPrevChild(bool) { return false; }  // Tab is typed

bool OutputView::event(QEvent* event) {
  // The pane's own keys win over any shortcut of the window.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    for (QKeySequence::StandardKey own :
         {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo,
          QKeySequence::Redo, QKeySequence::SelectAll, QKeySequence::Delete}) {
      if (key->matches(own)) {
        event->accept();
        return true;
      }
    }
    if (IsTypedText(key->text()) && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      event->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

TextPos OutputView::Moved(TextPos pos, Motion motion) {
  std::u16string scratch, other;
  const std::u16string& text = TextOf(pos.line, scratch);
  const std::size_t last = lines_->size() - 1;
  const auto vertical = [&](long long rows) {
    if (wanted_x_ < 0) wanted_x_ = XOf(text, pos.column);
    const long long line = std::clamp<long long>(static_cast<long long>(pos.line) + rows, 0,
                                                 static_cast<long long>(last));
    return TextPos{static_cast<std::size_t>(line),
                   ColumnAt(TextOf(static_cast<std::size_t>(line), other), wanted_x_)};
  };
  switch (motion) {
    case Motion::kLeft:
      if (pos.column > 0) return {pos.line, pos.column - 1};
      return pos.line > 0 ? TextPos{pos.line - 1, lines_->LineLength(pos.line - 1)} : pos;
    case Motion::kRight:
      if (pos.column < text.size()) return {pos.line, pos.column + 1};
      return pos.line < last ? TextPos{pos.line + 1, 0} : pos;
    case Motion::kWordLeft: {
      if (pos.column == 0) return Moved(pos, Motion::kLeft);
      std::size_t c = pos.column;
      while (c > 0 && !IsWordChar(text[c - 1])) --c;
      while (c > 0 && IsWordChar(text[c - 1])) --c;
      return {pos.line, c};
    }
    case Motion::kWordRight: {
      if (pos.column == text.size()) return Moved(pos, Motion::kRight);
      std::size_t c = pos.column;
      while (c < text.size() && IsWordChar(text[c])) ++c;
      while (c < text.size() && !IsWordChar(text[c])) ++c;
      return {pos.line, c};
    }
    case Motion::kUp: return vertical(-1);
    case Motion::kDown: return vertical(1);
    case Motion::kPageUp: return vertical(-FullRows());
    case Motion::kPageDown: return vertical(FullRows());
    case Motion::kLineStart: return {pos.line, 0};
    case Motion::kLineEnd: return {pos.line, text.size()};
    case Motion::kTextStart: return {};
    case Motion::kTextEnd: return lines_->End();
  }
  return pos;
}

bool OutputView::HandleMotion(QKeyEvent* event) {
  struct Binding {
    QKeySequence::StandardKey move, select;
    Motion motion;
  };
  static const Binding kBindings[] = {
      {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Motion::kLeft},
      {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Motion::kRight},
      {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Motion::kUp},
      {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Motion::kDown},
      {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Motion::kWordLeft},
      {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Motion::kWordRight},
      {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Motion::kLineStart},
      {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Motion::kLineEnd},
      {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Motion::kPageUp},
      {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Motion::kPageDown},
      {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument,
       Motion::kTextStart},
      {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Motion::kTextEnd},
  };
  for (const Binding& binding : kBindings) {
    const bool select = event->matches(binding.select);
    if (!select && !event->matches(binding.move)) continue;
    const bool vertical = binding.motion == Motion::kUp || binding.motion == Motion::kDown ||
                          binding.motion == Motion::kPageUp || binding.motion == Motion::kPageDown;
    if (!vertical) wanted_x_ = -1;
    TextPos pos;
    if (!select && HasSelection() &&
        (binding.motion == Motion::kLeft || binding.motion == Motion::kRight)) {
      // An arrow ends a selection at its own side.
      pos =
          binding.motion == Motion::kLeft ? std::min(cursor_, anchor_) : std::max(cursor_, anchor_);
    } else {
      pos = Moved(cursor_, binding.motion);
    }
    const double wanted = wanted_x_;
    SetCursor(pos, select);
    if (vertical) wanted_x_ = wanted;
    if (binding.motion == Motion::kPageUp || binding.motion == Motion::kPageDown) {
      const int rows = binding.motion == Motion::kPageUp ? -FullRows() : FullRows();
      verticalScrollBar()->setValue(verticalScrollBar()->value() + rows);
      EnsureVisible(cursor_);
    }
    return true;
  }
  return false;
}

bool OutputView::HandleEditKey(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    Copy();
  } else if (event->matches(QKeySequence::Cut)) {
    Cut();
  } else if (event->matches(QKeySequence::Paste)) {
    Paste();
  } else if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
  } else if (event->matches(QKeySequence::Undo)) {
    Undo();
  } else if (event->matches(QKeySequence::Redo)) {
    Redo();
  } else if (event->key() == Qt::Key_Backspace || event->matches(QKeySequence::Delete)) {
    if (HasSelection()) {
      DeleteSelection();
    } else {
      const bool back = event->key() == Qt::Key_Backspace;
      const TextPos other = Moved(cursor_, back ? Motion::kLeft : Motion::kRight);
      if (other != cursor_) Edit(other, cursor_, {});
    }
  } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    Edit(anchor_, cursor_, u"\n");
  } else if (IsTypedText(event->text()) &&
             !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    // A typed character joins the undo step of the ones typed before it.
    Edit(anchor_, cursor_, Chars(event->text()), !HasSelection() && event->text().size() == 1);
  } else {
    return false;
  }
  wanted_x_ = -1;
  return true;
}

void OutputView::keyPressEvent(QKeyEvent* event) {
  if (HandleMotion(event) || HandleEditKey(event)) {
    event->accept();
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void OutputView::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty()) InsertText(event->commitString());
  event->accept();
}

void OutputView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  wanted_x_ = -1;
  SetCursor(PosAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
  dragging_ = true;
}

void OutputView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  SetCursor(PosAt(event->position().toPoint()), true);
}

void OutputView::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

void OutputView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const TextPos pos = PosAt(event->position().toPoint());
  std::u16string scratch;
  const std::u16string& text = TextOf(pos.line, scratch);
  std::size_t begin = pos.column, end = pos.column;
  while (begin > 0 && IsWordChar(text[begin - 1])) --begin;
  while (end < text.size() && IsWordChar(text[end])) ++end;
  SetCursor({pos.line, begin});
  SetCursor({pos.line, end}, true);
}

}  // namespace quorlix
