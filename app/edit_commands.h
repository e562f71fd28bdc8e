// The clipboard and undo entries of the Edit menu: Undo, Redo, Cut, Copy,
// Paste, Select all and Copy part, each acting on the page in front (the
// Input page is read-only: only Copy and Select all act there). The menu
// shows the usual keys, but the keys themselves stay with the widget that
// has the focus, so that a key in the find bar or the post limit still
// edits that field. Copy part is the one entry whose key works from
// anywhere in the window; it is enabled only while there is output.
#pragma once

#include <functional>

#include <QObject>

class QAction;
class QMenu;
class QTextBrowser;
class QWidget;

namespace quorlix {

class LineView;
class OutputView;
class PostStrip;

class EditCommands : public QObject {
  Q_OBJECT

 public:
  struct Pages {
    QWidget* input_page;
    LineView* input;
    QWidget* output_page;
    OutputView* output;
    QWidget* preview_page;
    QTextBrowser* preview;
    PostStrip* strip;
    std::function<QWidget*()> current;  // the page in front
  };

  EditCommands(Pages pages, QWidget* window);

  // Adds the entries to `menu`; their states are set whenever it opens.
  void AddTo(QMenu* menu);
  // Whether there is output to cut into parts.
  void SetHasOutput(bool has_output);
  QAction* copy_part() const { return copy_part_; }

 private:
  void UpdateStates();

  Pages pages_;
  bool has_output_ = false;
  QAction* undo_;
  QAction* redo_;
  QAction* cut_;
  QAction* copy_;
  QAction* paste_;
  QAction* select_all_;
  QAction* copy_part_;
};

}  // namespace quorlix
