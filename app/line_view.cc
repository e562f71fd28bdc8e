#include "app/line_view.h"

#include <algorithm>
#include <climits>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "core/log/line_search.h"

#include "app/pane_text.h"

namespace quorlix {
namespace {

// A row shows at most this many bytes of its line and then an ellipsis:
// laying out a line of megabytes would hold the window for seconds at
// every paint. Copying and finding take the whole line.
constexpr std::size_t kShownBytes = 16384;

std::string_view ShownPart(std::string_view line) { return line.substr(0, kShownBytes); }

QString ShownText(std::string_view line) {
  const std::string_view shown = ShownPart(line);
  QString text = BytesToText(shown);
  if (shown.size() < line.size()) text += QChar(0x2026);
  return text;
}

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
  return ShownText(line(index.row()));
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

// Marks each occurrence of the needle with a translucent band over the text
// the base class drew, at the place where it draws the text.
void LineView::RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  if (!needle || needle->empty()) return;
  const auto* view = static_cast<const LineView*>(parent());
  const std::string_view line = ShownPart(view->model_->line(index.row()));
  std::size_t pos = needle->FindIn(line);
  if (pos == std::string_view::npos) return;
  const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
  const QFontMetrics metrics(option.font);
  painter->save();
  const QColor band(255, 200, 0, 110);
  for (; pos != std::string_view::npos; pos = needle->FindIn(line, pos + needle->size())) {
    const int x =
        option.rect.left() + margin + metrics.horizontalAdvance(BytesToText(line.substr(0, pos)));
    const int width = metrics.horizontalAdvance(BytesToText(line.substr(pos, needle->size())));
    painter->fillRect(QRect(x, option.rect.top(), width, option.rect.height()), band);
    if (x > option.rect.right()) break;
  }
  painter->restore();
}

LineView::LineView(QWidget* parent)
    : QListView(parent), model_(new LineListModel(this)), delegate_(new RowDelegate(this)) {
  setModel(model_);
  setItemDelegate(delegate_);
  setUniformItemSizes(true);
  // One run of rows: the selection is the scene that Convert scene takes.
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideNone);
  setWordWrap(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setFocusPolicy(Qt::StrongFocus);  // Shift+arrows pick a scene from the keyboard
  UpdateRowSize();
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &LineView::sceneChanged);
  connect(model_, &QAbstractItemModel::modelReset, this, &LineView::sceneChanged);
}

LineView::~LineView() = default;

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
    width = metrics.horizontalAdvance(ShownText(model_->line(longest)));
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

bool LineView::SceneRange(int& first, int& last) const {
  const QItemSelection selection = selectionModel()->selection();
  if (selection.isEmpty()) return false;
  first = INT_MAX;
  last = -1;
  for (const QItemSelectionRange& range : selection) {
    first = std::min(first, range.top());
    last = std::max(last, range.bottom());
  }
  return true;
}

void LineView::SelectRows(int first, int last) {
  const QItemSelection rows(model_->index(first), model_->index(last));
  selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
}

void LineView::SetSceneStart(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  int first = 0, last = -1;
  SceneRange(first, last);
  SelectRows(row, std::max(row, last));
  selectionModel()->setCurrentIndex(model_->index(row), QItemSelectionModel::NoUpdate);
}

void LineView::SetSceneEnd(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  int first = INT_MAX, last = -1;
  SceneRange(first, last);
  SelectRows(std::min(row, first), row);
  selectionModel()->setCurrentIndex(model_->index(row), QItemSelectionModel::NoUpdate);
}

void LineView::GoToRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  const QModelIndex index = model_->index(row);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void LineView::SetHighlight(const QByteArray& needle) {
  if (needle.isEmpty()) {
    delegate_->needle.reset();
  } else {
    delegate_->needle = std::make_unique<CaseFoldedNeedle>(
        std::string_view(needle.constData(), static_cast<size_t>(needle.size())));
  }
  viewport()->update();
}

// The right button opens the context menu without touching the scene, so
// "Scene ends here" can extend the selection made before.
void LineView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    event->accept();
    return;
  }
  QListView::mousePressEvent(event);
}

void LineView::contextMenuEvent(QContextMenuEvent* event) {
  const int row = indexAt(viewport()->mapFromGlobal(event->globalPos())).row();
  QMenu menu(this);
  QAction* start = menu.addAction(tr("Scene &starts here"));
  QAction* end = menu.addAction(tr("Scene &ends here"));
  start->setEnabled(row >= 0);
  end->setEnabled(row >= 0);
  connect(start, &QAction::triggered, this, [this, row] { SetSceneStart(row); });
  connect(end, &QAction::triggered, this, [this, row] { SetSceneEnd(row); });
  if (!context_actions_.isEmpty()) {
    menu.addSeparator();
    menu.addActions(context_actions_);
  }
  menu.addSeparator();
  QAction* copy = menu.addAction(tr("&Copy"));
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(selectionModel()->hasSelection());
  connect(copy, &QAction::triggered, this,
          [this] { QApplication::clipboard()->setText(SelectedText()); });
  menu.exec(event->globalPos());
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
