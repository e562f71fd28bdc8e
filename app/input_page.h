// The Input page: the input lines (read-only), with the find bar and the
// Go to time bar under them, and the Edit menu's entries that open them:
// Find, Find next, Find previous and Go to time. Each entry, and a scene
// chosen on the Scenes page, first asks for the page to be brought to the
// front (shownWanted); the window owns the pages and does that.
//
// Above the lines a heading names the logs loaded (how many were merged
// and how many duplicate lines were dropped); below them, when a loaded
// log has grown, a bar offers its new lines ("Take in"), and when one was
// replaced or shortened, a full reload.
#pragma once

#include <cstdint>

#include <QWidget>

class QLabel;
class QMenu;
class QPushButton;

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

  void SetHeading(const QString& text);
  QString heading() const;
  // "N new lines" with Take in; or, with `changed` set, that text with
  // Reload; both empty: the bar goes.
  void ShowGrowth(int64_t new_lines, const QString& changed);
  QString growth_text() const;

 signals:
  void shownWanted();
  void takeInWanted();
  void reloadWanted();

 private:
  void Find();
  void GoToTime();

  QLabel* heading_;
  QWidget* growth_bar_;
  QLabel* growth_text_;
  QPushButton* take_in_;
  QPushButton* reload_;
  LineView* memo_input_;
  FindBar* find_bar_;
  GoToTimeBar* go_to_time_bar_;
};

}  // namespace quorlix
