#include "app/output_view.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include "core/text/error.h"

namespace quorlix {
namespace {

constexpr int kMargin = 4;             // the document margin of a plain-text pane
constexpr double kTabStop = 80;        // pixels, as a plain-text pane's default
constexpr std::size_t kRunChars = 64;  // drawn at a time, each at its measured place
// A line this long is read and measured once per change of the text, with
// its x kept at every kStride-th column, instead of at every key, click,
// paint and blink.
constexpr std::size_t kLongLine = 4096;
constexpr std::size_t kStride = 1024;

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

OutputView::OutputView(QWidget* parent)
    : QAbstractScrollArea(parent), lines_(std::make_unique<EditableLines>()) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  viewport()->setCursor(Qt::IBeamCursor);
  setAttribute(Qt::WA_InputMethodEnabled);
  setFocusPolicy(Qt::ClickFocus);
  UpdateFontMetrics();
  SetSource(nullptr);
}

OutputView::~OutputView() = default;

void OutputView::SetSource(std::shared_ptr<const LineSource> source) {
  const std::size_t old_count = lines_->size();
  ForgetMeasuredLine();
  lines_.reset();  // the old output goes before the new one is shown
  lines_ = std::make_unique<EditableLines>(source);
  lines_->on_change = [this](std::size_t first, std::size_t removed, std::size_t inserted) {
    AfterChange(first, removed, inserted);
  };
  cursor_ = anchor_ = {};
  // Converted lines are taken to be no wider than the one of most bytes,
  // give or take the mix of narrow and wide letters.
  content_width_ = 0;
  longest_line_ = source == nullptr ? 0 : source->LongestLine();
  WidenFor(longest_line_, 1);
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
  emit changed(0, static_cast<qsizetype>(old_count), static_cast<qsizetype>(lines_->size()));
  if (was_edited_) {
    was_edited_ = false;
    emit editedChanged(false);
  }
}

void OutputView::MarkSaved() {
  lines_->MarkSaved();
  if (was_edited_) {
    was_edited_ = false;
    emit editedChanged(false);
  }
}

void OutputView::SetDecorationPainter(DecorationPainter painter) {
  decorations_ = std::move(painter);
  viewport()->update();
}

int OutputView::LineTop(std::size_t line) const {
  const auto first = static_cast<long long>(verticalScrollBar()->value());
  return kMargin + static_cast<int>((static_cast<long long>(line) - first) * line_height_);
}

// --- Geometry -------------------------------------------------------------

void OutputView::UpdateFontMetrics() {
  text_font_ = font();
  // Each run is drawn where the sum of its characters' advances puts it,
  // so the shaper must not move characters closer.
  text_font_.setKerning(false);
  const QFontMetricsF metrics(text_font_);
  line_height_ = std::max(1, static_cast<int>(std::ceil(metrics.lineSpacing())));
  ascent_ = static_cast<int>(std::ceil(metrics.ascent()));
  advances_.assign(0x10000, -1.0f);
}

double OutputView::Advance(char16_t c) const {
  float& advance = advances_[c];
  if (advance < 0)
    advance = static_cast<float>(QFontMetricsF(text_font_).horizontalAdvance(QChar(c)));
  return advance;
}

const std::u16string& OutputView::TextOf(std::size_t line, std::u16string& scratch) const {
  if (lines_->LineLength(line) < kLongLine) {
    lines_->Line(line, scratch);
    return scratch;
  }
  if (measured_line_ != line) {
    measured_line_ = line;
    lines_->Line(line, measured_text_);
    measured_x_.clear();
    double x = 0;
    for (std::size_t i = 0; i < measured_text_.size(); ++i) {
      if (i % kStride == 0) measured_x_.push_back(x);
      x = measured_text_[i] == u'\t' ? (std::floor(x / kTabStop) + 1) * kTabStop
                                     : x + Advance(measured_text_[i]);
    }
    measured_width_ = x;
  }
  return measured_text_;
}

void OutputView::ForgetMeasuredLine() {
  measured_line_ = SIZE_MAX;
  measured_text_ = std::u16string();  // a line of megabytes is not kept
  measured_x_ = std::vector<double>();
}

// Where a walk along `text` may start to reach `column` (or, with
// `by_x`, the x `target`): the line's start, or for the measured line the
// last kept column before it.
void OutputView::WalkStart(const std::u16string& text, std::size_t column, double target, bool by_x,
                           std::size_t& i, double& x) const {
  i = 0;
  x = 0;
  if (&text != &measured_text_ || measured_x_.empty()) return;
  std::size_t k = 0;
  if (by_x) {
    const auto after = std::upper_bound(measured_x_.begin(), measured_x_.end(), target);
    k = after == measured_x_.begin() ? 0
                                     : static_cast<std::size_t>(after - measured_x_.begin() - 1);

  } else {
    k = std::min(column, text.size()) / kStride;
    if (k >= measured_x_.size()) k = measured_x_.size() - 1;
  }
  i = k * kStride;
  x = measured_x_[k];
}

double OutputView::XOf(const std::u16string& text, std::size_t column) const {
  const std::size_t end = std::min(column, text.size());
  if (&text == &measured_text_ && end == text.size()) return measured_width_;
  std::size_t i;
  double x;
  WalkStart(text, column, 0, false, i, x);
  for (; i < end; ++i) {
    x = text[i] == u'\t' ? (std::floor(x / kTabStop) + 1) * kTabStop : x + Advance(text[i]);
  }
  return x;
}

std::size_t OutputView::ColumnAt(const std::u16string& text, double x) const {
  std::size_t start;
  double left;
  WalkStart(text, 0, x, true, start, left);
  for (std::size_t i = start; i < text.size(); ++i) {
    const double right =
        text[i] == u'\t' ? (std::floor(left / kTabStop) + 1) * kTabStop : left + Advance(text[i]);
    if (x < (left + right) / 2) return i;
    left = right;
  }
  return text.size();
}

TextPos OutputView::PosAt(QPoint point) const {
  const long long row =
      static_cast<long long>(std::floor(static_cast<double>(point.y() - kMargin) / line_height_));
  const long long line = std::clamp<long long>(verticalScrollBar()->value() + row, 0,
                                               static_cast<long long>(lines_->size()) - 1);
  std::u16string scratch;
  const std::u16string& text = TextOf(static_cast<std::size_t>(line), scratch);
  const double x = point.x() - kMargin + horizontalScrollBar()->value();
  return {static_cast<std::size_t>(line), ColumnAt(text, x)};
}

int OutputView::FullRows() const {
  return std::max(1, (viewport()->height() - kMargin) / line_height_);
}

void OutputView::UpdateScrollBars() {
  const int rows = FullRows();
  const auto count = static_cast<long long>(lines_->size());
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(0, static_cast<int>(std::clamp<long long>(count - rows, 0, INT32_MAX)));
  vertical->setPageStep(rows);
  vertical->setSingleStep(1);
  QScrollBar* horizontal = horizontalScrollBar();
  const int width = viewport()->width();
  const double overflow = content_width_ + 2 * kMargin + 2 * Advance(u' ') - width;
  horizontal->setRange(0, static_cast<int>(std::clamp(overflow, 0.0, 2.0e9)));
  horizontal->setPageStep(width);
  horizontal->setSingleStep(std::max(1, static_cast<int>(Advance(u'x') * 2)));
}

// Widens the scrollable area for the lines [first, first + count). It
// never narrows: that would need a pass over every line.
void OutputView::WidenFor(std::size_t first, std::size_t count) {
  std::u16string scratch;
  for (std::size_t line = first; line < first + count && line < lines_->size(); ++line) {
    const std::u16string& text = TextOf(line, scratch);
    content_width_ = std::max(content_width_, XOf(text, text.size()));
  }
}

void OutputView::EnsureVisible(TextPos pos) {
  QScrollBar* vertical = verticalScrollBar();
  const auto line = static_cast<long long>(pos.line);
  if (line < vertical->value()) {
    vertical->setValue(static_cast<int>(line));
  } else if (line >= vertical->value() + FullRows()) {
    vertical->setValue(static_cast<int>(line - FullRows() + 1));
  }
  std::u16string scratch;
  const double x = XOf(TextOf(pos.line, scratch), pos.column);
  content_width_ = std::max(content_width_, x);
  UpdateScrollBars();
  QScrollBar* horizontal = horizontalScrollBar();
  const int width = viewport()->width() - 2 * kMargin;
  if (x < horizontal->value()) {
    horizontal->setValue(static_cast<int>(std::max(0.0, x - width / 3.0)));
  } else if (x > horizontal->value() + width) {
    horizontal->setValue(static_cast<int>(x - width * 2 / 3.0));
  }
}

// --- Painting -------------------------------------------------------------

void OutputView::PaintLine(QPainter& painter, const std::u16string& text, int top,
                           const QColor& color) const {
  const double left = horizontalScrollBar()->value();
  const double right = left + viewport()->width();
  const double baseline = top + ascent_;
  painter.setPen(color);
  double x;
  std::size_t i;
  WalkStart(text, 0, left, true, i, x);
  while (i < text.size()) {
    // One run: up to kRunChars characters without a Tab.
    const double run_x = x;
    const std::size_t run_start = i;
    while (i < text.size() && text[i] != u'\t' && i - run_start < kRunChars)
      x += Advance(text[i++]);
    if (i > run_start && x >= left) {
      painter.drawText(QPointF(kMargin + run_x - left, baseline),
                       QString::fromRawData(reinterpret_cast<const QChar*>(text.data() + run_start),
                                            static_cast<qsizetype>(i - run_start)));
    }
    if (x > right) break;
    if (i < text.size() && text[i] == u'\t') {
      x = (std::floor(x / kTabStop) + 1) * kTabStop;
      ++i;
    }
  }
}

void OutputView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(text_font_);
  const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
  const QColor text_color = palette().color(group, QPalette::Text);
  const QColor highlight = palette().color(group, QPalette::Highlight);
  const QColor highlighted_text = palette().color(group, QPalette::HighlightedText);
  const double left = horizontalScrollBar()->value();
  const TextPos from = std::min(cursor_, anchor_);
  const TextPos to = std::max(cursor_, anchor_);

  const auto first = static_cast<std::size_t>(verticalScrollBar()->value());
  if (first >= lines_->size()) return;
  std::size_t last = first;
  std::u16string scratch;
  for (std::size_t line = first; line < lines_->size(); ++line) {
    const int top = LineTop(line);
    if (top >= viewport()->height()) break;
    last = line;
    const QRect row(0, top, viewport()->width(), line_height_);
    if (!event->rect().intersects(row)) continue;
    const std::u16string* read = &scratch;
    try {
      read = &TextOf(line, scratch);
    } catch (const Error&) {
      scratch.clear();  // a line the disk no longer gives shows blank; painting must not throw
    }
    const std::u16string& text = *read;
    PaintLine(painter, text, top, text_color);
    if (line >= from.line && line <= to.line && from != to) {
      const double x1 = line == from.line ? XOf(text, from.column) : 0;
      double x2 = line == to.line ? XOf(text, to.column) : XOf(text, text.size()) + Advance(u' ');
      const QRectF selected(kMargin + x1 - left, top, x2 - x1, line_height_);
      painter.fillRect(selected, highlight);
      painter.save();
      painter.setClipRect(selected);
      PaintLine(painter, text, top, highlighted_text);
      painter.restore();
    }
    if (line == cursor_.line && cursor_shown_ && hasFocus()) {
      const double x = kMargin + XOf(text, cursor_.column) - left;
      painter.fillRect(QRectF(x, top, 1, line_height_), text_color);
    }
  }
  if (decorations_) decorations_(painter, first, last);
}

void OutputView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void OutputView::scrollContentsBy(int, int) { viewport()->update(); }

void OutputView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    ForgetMeasuredLine();
    UpdateFontMetrics();
    content_width_ = 0;
    WidenFor(longest_line_, 1);
    UpdateScrollBars();
  }
}

// --- The cursor -----------------------------------------------------------

void OutputView::RestartBlink() {
  cursor_shown_ = true;
  const int flash = QApplication::cursorFlashTime();
  if (hasFocus() && flash > 0) {
    blink_.start(flash / 2, this);
  } else {
    blink_.stop();
  }
  viewport()->update();
}

void OutputView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != blink_.timerId()) {
    QAbstractScrollArea::timerEvent(event);
    return;
  }
  cursor_shown_ = !cursor_shown_;
  viewport()->update(CursorRect());
}

// The cursor's own rectangle: a blink repaints only that.
QRect OutputView::CursorRect() const {
  std::u16string scratch;
  const double x =
      kMargin + XOf(TextOf(cursor_.line, scratch), cursor_.column) - horizontalScrollBar()->value();
  return QRect(static_cast<int>(std::floor(x)) - 1, LineTop(cursor_.line), 3, line_height_);
}

void OutputView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
}

void OutputView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  blink_.stop();
  viewport()->update();
}

void OutputView::SetCursor(TextPos pos, bool extend) {
  cursor_ = lines_->Clamp(pos);
  if (!extend) anchor_ = cursor_;
  EnsureVisible(cursor_);
  RestartBlink();
}

void OutputView::ShowCursorAt(TextPos pos) {
  SetCursor(pos);
  wanted_x_ = -1;
}

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
