// OutputView's geometry: measuring characters and lines, the positions
// they take on screen, the scroll bars.
#include "app/output_view.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QScrollBar>

namespace quorlix {
namespace {

// A line this long is read and measured once per change of the text, with
// its x kept at every kStride-th column, instead of at every key, click,
// paint and blink.
constexpr std::size_t kLongLine = 4096;
constexpr std::size_t kStride = 1024;

}  // namespace

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

}  // namespace quorlix
