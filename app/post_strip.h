// The strip above the Output page's text that turns the output into forum
// posts: the post limit, the part shown ("Part k of K (n characters)")
// with previous and next, Copy part (copies the part, then moves on to the
// next, so the user pastes post after post) and Copy all. Every control
// has an access key; a part over the limit shows in a warning colour.
//
// The strip reads the text through PostLines, so it follows whatever the
// view shows, edits included; call LinesChanged() when the text changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include <QString>
#include <QWidget>

#include "core/dialects/post_parts.h"

class QHBoxLayout;
class QLabel;
class QToolButton;
class QSpinBox;

namespace quorlix {

// The text the parts are cut from.
struct PostLines {
  std::function<std::size_t()> count;
  std::function<std::size_t(std::size_t)> size_of;  // characters of a line
  // Lines [first, end), each followed by "\n".
  std::function<QString(std::size_t first, std::size_t end)> text;
  // The size of lines [first, end) as the limit counts it (each line's
  // characters plus 2), found without visiting every line.
  std::function<std::uint64_t(std::size_t first, std::size_t end)> range_size;
};

class PostStrip : public QWidget {
  Q_OBJECT

 public:
  explicit PostStrip(PostLines lines, QWidget* parent = nullptr);

  // Shows `limit` without raising limitEdited (as read from config.cfg).
  void SetLimit(std::uint64_t limit);
  std::uint64_t limit() const { return limit_; }
  // Whether a line alone is over the limit (a part of its own).
  bool HasLineOverLimit() const;

  // Cuts the text again, keeping the part number where it still exists.
  void Recut();
  // The text changed: `removed` lines at `first` became `inserted` lines.
  // Cuts again only as far as the edit moved the parts.
  void LinesChanged(std::size_t first, std::size_t removed, std::size_t inserted);
  const std::vector<PostPart>& parts() const { return parts_; }
  std::size_t current() const { return current_; }
  void SetCurrent(std::size_t part);
  // The label shown for part `part`, e.g. "part 2 of 5".
  QString PartName(std::size_t part) const;

  void Previous();
  void Next();
  // Copies the current part, then shows the next one (the last stays).
  void CopyPart();
  void CopyAll();

  // The colour of a part over the limit.
  static QColor WarningColor();

 signals:
  // The user changed the limit in the spin box.
  void limitEdited(quint64 limit);
  // The parts or the current part changed.
  void partsChanged();
  // The user went to another part (Previous, Next, Copy part).
  void partChosen(std::size_t first_line);
  // What the status bar says: a part copied, a limit that wants a new
  // conversion.
  void told(const QString& message);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowCurrent();
  // Puts the part and its buttons on the first row or, where the strip is
  // narrower than one row, the second.
  void PlaceNavigation(int width);
  // Widens the part's label (and the strip's least width) for `widest`.
  void FitLabel(const QString& widest);
  // Without a limit the one part is the whole text: no line is visited.
  bool CutWithoutLimit();

  PostLines lines_;
  std::uint64_t limit_ = 0;
  std::vector<PostPart> parts_;
  std::size_t current_ = 0;

  QSpinBox* limit_box_;
  QLabel* part_label_;
  QToolButton* previous_;
  QToolButton* next_;
  QToolButton* copy_part_;
  QToolButton* copy_all_;
  QWidget* part_navigation_;  // Previous, the part, Next: moved as one
  QHBoxLayout* first_row_;
  QHBoxLayout* second_row_;  // holds the navigation where one row is too narrow
  int one_row_width_;
  int first_row_width_ = 0;  // the limit and the copy buttons
};

}  // namespace quorlix
