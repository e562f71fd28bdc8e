// The Input page: the input lines (read-only), with the find bar and the
// Go to time bar under them, and the Edit menu's entries that open them:
// Find, Find next, Find previous and Go to time. Each entry, and a scene
// chosen on the Scenes page, first asks for the page to be brought to the
// front (shownWanted); the window owns the pages and does that.
#pragma once

#include <cstdint>

#include <QWidget>

class QMenu;

namespace quorlix {

class FindBar;
class GoToTimeBar;
class LineView;

class InputPage : public QWidget {
  Q_OBJECT

 public:
  explicit InputPage(QWidget* parent = nullptr);

  LineView* view() const { return memo_input_; }

  // Adds Find, Find next, Find previous and Go to time to `edit`.
  void AddActionsTo(QMenu* edit);
  // Selects the input lines first to last, the last in view and the first
  // at the top.
  void ShowScene(int64_t first, int64_t last);

 signals:
  void shownWanted();

 private:
  void Find();
  void GoToTime();

  LineView* memo_input_;
  FindBar* find_bar_;
  GoToTimeBar* go_to_time_bar_;
};

}  // namespace quorlix
