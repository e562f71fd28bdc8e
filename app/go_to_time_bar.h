// The Go to time bar under the Input page: a UTC date and time, as the
// times are shown ("YYYY-MM-DD HH:MM"; a date alone means its midnight),
// jumps to the first input line, in file order, at or after it.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace quorlix {

class LineView;

class GoToTimeBar : public QWidget {
  Q_OBJECT

 public:
  explicit GoToTimeBar(LineView* view, QWidget* parent = nullptr);

  void Open();
  void Close();
  // Goes to the time typed; false (with the reason in the status) when the
  // text is no time or no line lies at or after it.
  bool Go();

  QString status() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  LineView* view_;
  QLineEdit* text_;
  QLabel* status_;
};

}  // namespace quorlix
