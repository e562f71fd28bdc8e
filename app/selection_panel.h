// What of a loaded log the user picks for conversion: the persons and
// channels lists, each with its filter box and filter field, and the time
// tree with its filter box. Fill shows a loaded log's values (nothing
// selected); ReadInto writes the filter boxes and the selection back into
// the state the engine converts from. A filtered list or tree follows its
// box: window colour and enabled when ticked, scroll-bar colour and
// disabled when not; its selection stays either way. The panel only shows
// values: which lines pass is the engine's choice.
#pragma once

#include <QObject>

class QAbstractItemView;
class QCheckBox;
class QColor;
class QLayout;
class QListWidget;
class QTreeWidget;
class QWidget;

namespace quorlix {

class ChatState;

class SelectionPanel : public QObject {
  Q_OBJECT

 public:
  explicit SelectionPanel(QObject* parent = nullptr);

  // The parts for the left panel's grid, which takes them in and owns
  // them. The columns are layouts, so that they space their parts as the
  // grid does.
  QLayout* persons_column() const { return persons_column_; }
  QLayout* channels_column() const { return channels_column_; }
  QWidget* time_page() const { return time_page_; }

  QCheckBox* person_filter() const { return cb_filter_person_; }
  QCheckBox* channel_filter() const { return cb_filter_channel_; }
  QCheckBox* time_filter() const { return cb_filter_time_; }

  // The background of a list whose filter is off.
  static QColor ScrollBarColor();

  // The list or tree follows its filter box, as a click on the box asks.
  void CouplePersons();
  void CoupleChannels();
  void CoupleTime();

  // Shows the persons, channels and time tree of `state`, each tree node
  // with the lines it would convert; nothing selected.
  void Fill(const ChatState& state);
  // As Fill, keeping selected the names (letter case ignored) and the time
  // tree's nodes (by their path of labels) that `state` still has: more
  // lines of the same logs were taken in, or one more log merged.
  void FillKeeping(const ChatState& state);
  // Writes the persons and channels filter boxes and selections into `state`.
  void ReadNamesInto(ChatState& state) const;
  // As ReadNamesInto, and the time filter box and the tree's selection.
  void ReadInto(ChatState& state) const;

 signals:
  // A persons or channels filter box was clicked or a selection changed.
  void namesChanged();

 private:
  QLayout* BuildColumn(QCheckBox* filter, QListWidget* list, const char* name);
  QWidget* BuildTimePage();

  QCheckBox* cb_filter_person_;
  QListWidget* lb_person_;
  QCheckBox* cb_filter_channel_;
  QListWidget* lb_channel_;
  QCheckBox* cb_filter_time_;
  QTreeWidget* TreeView_time_;
  QLayout* persons_column_;
  QLayout* channels_column_;
  QWidget* time_page_;
};

}  // namespace quorlix
