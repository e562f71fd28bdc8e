#include "app/output_view.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "core/text/error.h"

namespace quorlix {
namespace {

constexpr std::size_t kRunChars = 64;  // drawn at a time, each at its measured place

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

}  // namespace quorlix
