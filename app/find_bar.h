// The find bar under the Input page: finds text in the input lines,
// ignoring letter case. The search runs on a worker thread, so typing never
// waits for it; a newer text cancels an older search. Enter (or F3) goes to
// the next matching line, Shift+Enter (or Shift+F3) to the previous one,
// both wrapping round; the status says "3 of 41" or "Not found"; the view
// marks the occurrences; Esc closes the bar.
#pragma once

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

class QLabel;
class QLineEdit;

namespace quorlix {

class LineView;

class FindBar : public QWidget {
  Q_OBJECT

 public:
  explicit FindBar(LineView* view, QWidget* parent = nullptr);
  ~FindBar() override;

  // Shows the bar with its text selected, ready to type.
  void Open();
  void Close();
  // Goes to the next (or previous) matching line; when the search is still
  // running, goes there as soon as it has ended.
  void FindNext(bool backward = false);

  QString status() const;
  bool searching() const { return searching_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void StartSearch();
  void StopSearch();
  void TakeResults(uint64_t generation, std::vector<int32_t> rows);
  void Step(bool backward);
  void ShowStatus();

  LineView* view_;
  QLineEdit* text_;
  QLabel* status_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  uint64_t generation_ = 0;  // of the search whose results count
  bool searching_ = false;
  int pending_ = 0;  // a step asked for while searching: 1 next, -1 previous
  std::vector<int32_t> matches_;
};

}  // namespace quorlix
