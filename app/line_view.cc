#include "app/line_view.h"

#include <algorithm>
#include <climits>

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include "app/pane_text.h"

namespace quorlix {
namespace {

// Measuring a huge line costs more than it gains: beyond this many bytes
// the width is extrapolated from the measured part.
constexpr int kMeasuredBytes = 8192;

}  // namespace

LineListModel::LineListModel(QObject* parent) : QAbstractListModel(parent) {}

void LineListModel::SetLines(const std::vector<std::string_view>* lines) {
  beginResetModel();
  lines_ = lines;
  endResetModel();
}

void LineListModel::Reset() {
  beginResetModel();
  endResetModel();
}

int LineListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || lines_ == nullptr) return 0;
  return static_cast<int>(std::min<size_t>(lines_->size(), INT_MAX));
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  return BytesToText(line(index.row()));
}

int LineListModel::LongestRow() const {
  int longest = -1;
  size_t longest_size = 0;
  const int rows = rowCount();
  for (int row = 0; row < rows; ++row) {
    const size_t size = (*lines_)[static_cast<size_t>(row)].size();
    if (longest < 0 || size > longest_size) {
      longest = row;
      longest_size = size;
    }
  }
  return longest;
}

QSize LineView::RowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  return row_size;
}

LineView::LineView(QWidget* parent)
    : QListView(parent), model_(new LineListModel(this)), delegate_(new RowDelegate(this)) {
  setModel(model_);
  setItemDelegate(delegate_);
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideNone);
  setWordWrap(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setFocusPolicy(Qt::ClickFocus);  // not in the tab order
  UpdateRowSize();
}

void LineView::SetLines(const std::vector<std::string_view>* lines) {
  model_->SetLines(lines);
  UpdateRowSize();
  scrollToTop();
}

void LineView::UpdateRowSize() {
  const QFontMetrics metrics(font());
  int width = 0;
  const int longest = model_->LongestRow();
  if (longest >= 0) {
    const std::string_view line = model_->line(longest);
    const std::string_view measured = line.substr(0, kMeasuredBytes);
    width = metrics.horizontalAdvance(BytesToText(measured));
    if (line.size() > measured.size()) {
      width = static_cast<int>(std::min<double>(
          static_cast<double>(width) * line.size() / measured.size(), 16'000'000.0));
    }
  }
  // Room for the delegate's margins on both sides.
  delegate_->row_size = QSize(width + 2 * metrics.averageCharWidth(), metrics.height() + 2);
  doItemsLayout();
}

QString LineView::SelectedText() const {
  // Walk the selection's ranges, not its indexes: Ctrl+A over millions of
  // lines must not build one index object per line.
  std::vector<std::pair<int, int>> ranges;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    ranges.emplace_back(range.top(), range.bottom());
  }
  std::sort(ranges.begin(), ranges.end());
  QString text;
  int next = 0;  // rows below `next` are already copied
  bool first = true;
  for (const auto& [top, bottom] : ranges) {
    for (int row = std::max(top, next); row <= bottom; ++row) {
      if (!first) text += QLatin1Char('\n');
      first = false;
      text += BytesToText(model_->line(row));
    }
    next = std::max(next, bottom + 1);
  }
  return text;
}

void LineView::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::Copy) {
    QApplication::clipboard()->setText(SelectedText());
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
}

}  // namespace quorlix
