// A read-only view of many byte lines (one character per byte, as
// Windows-1252 shows it: app/pane_text.h)
// that draws only the rows on screen, so a big log is never copied into a
// text widget. Rows are selected as one contiguous run (mouse, Shift+click,
// Shift+arrows, or "Scene starts here" / "Scene ends here" in the context
// menu), which is the scene that Convert scene converts; Ctrl+C copies the
// selected lines. Occurrences of a found text can be highlighted.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

#include "core/log/line_search.h"

class QMenu;

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
  // The lines shown; nullptr when none.
  const std::vector<std::string_view>* lines() const { return lines_; }
  // The row of most bytes; -1 when empty.
  int LongestRow() const;

 private:
  const std::vector<std::string_view>* lines_ = nullptr;
};

class LineView : public QListView {
  Q_OBJECT

 public:
  explicit LineView(QWidget* parent = nullptr);
  ~LineView() override;

  LineListModel* line_model() const { return model_; }
  // Shows `lines` (nullptr: none) from the top, nothing selected.
  void SetLines(const std::vector<std::string_view>* lines);
  // The selected lines in order, joined by "\n".
  QString SelectedText() const;

  // The first and last selected row; false when nothing is selected.
  bool SceneRange(int& first, int& last) const;
  // Moves the scene's start (or end) to `row`, keeping its other end when
  // that still lies beyond; otherwise the scene is that row alone.
  void SetSceneStart(int row);
  void SetSceneEnd(int row);
  // Makes `row` the current and only selected row, scrolled into view.
  void GoToRow(int row);

  // Occurrences of `needle` (Latin-1 bytes, letter case ignored) are marked
  // in the rows drawn; an empty needle marks nothing.
  void SetHighlight(const QByteArray& needle);
  // Further entries of the context menu, after the scene's own.
  void AddContextActions(const QList<QAction*>& actions) { context_actions_ += actions; }

 signals:
  void sceneChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // All rows share one size: the font's line height and the width of the
  // longest line, so the horizontal scroll bar reaches every line's end.
  class RowDelegate : public QStyledItemDelegate {
   public:
    explicit RowDelegate(LineView* view) : QStyledItemDelegate(view) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize row_size;
    std::unique_ptr<CaseFoldedNeedle> needle;  // nullptr: nothing marked
  };

  void UpdateRowSize();
  void SelectRows(int first, int last);

  LineListModel* model_;
  RowDelegate* delegate_;
  QList<QAction*> context_actions_;
};

}  // namespace quorlix
