// A read-only view of many byte lines (one character per byte, as
// Windows-1252 shows it: app/pane_text.h)
// that draws only the rows on screen, so a big log is never copied into a
// text widget. Rows are selectable (extended selection) and Ctrl+C copies
// the selected lines.
#pragma once

#include <string_view>
#include <vector>

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

namespace quorlix {

// The lines are owned elsewhere; call Reset() whenever they change.
class LineListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit LineListModel(QObject* parent = nullptr);

  // `lines` must outlive the model or be replaced before it goes away;
  // nullptr shows nothing.
  void SetLines(const std::vector<std::string_view>* lines);
  void Reset();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  std::string_view line(int row) const { return (*lines_)[static_cast<size_t>(row)]; }
  // The row of most bytes; -1 when empty.
  int LongestRow() const;

 private:
  const std::vector<std::string_view>* lines_ = nullptr;
};

class LineView : public QListView {
  Q_OBJECT

 public:
  explicit LineView(QWidget* parent = nullptr);

  LineListModel* line_model() const { return model_; }
  // Shows `lines` (nullptr: none) from the top, nothing selected.
  void SetLines(const std::vector<std::string_view>* lines);
  // The selected lines in order, joined by "\n".
  QString SelectedText() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // All rows share one size: the font's line height and the width of the
  // longest line, so the horizontal scroll bar reaches every line's end.
  class RowDelegate : public QStyledItemDelegate {
   public:
    explicit RowDelegate(LineView* view) : QStyledItemDelegate(view) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize row_size;
  };

  void UpdateRowSize();

  LineListModel* model_;
  RowDelegate* delegate_;
};

}  // namespace quorlix
