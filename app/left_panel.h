// The main window's left panel: the Load, Convert and Save buttons in a
// row above a thin bar, and below it the persons filter (left) beside the
// output options (right), then the channels filter beside the tabs Time
// (the time filter) and Scenes. It only lays its parts out: the window
// connects the buttons and reads the parts.
#pragma once

#include <QWidget>

class QPushButton;

namespace quorlix {

class ConversionOptionsPanel;
class ScenesPanel;
class SelectionPanel;

class LeftPanel : public QWidget {
  Q_OBJECT

 public:
  // Takes `scenes` in as the Scenes tab.
  explicit LeftPanel(ScenesPanel* scenes, QWidget* parent = nullptr);

  QPushButton* load_button() const { return tb_load_; }
  QPushButton* convert_button() const { return bt_convert_; }
  QPushButton* save_button() const { return bt_save_; }
  SelectionPanel* selection() const { return selection_; }
  ConversionOptionsPanel* options() const { return options_; }

 private:
  QPushButton* tb_load_;
  QPushButton* bt_convert_;
  QPushButton* bt_save_;
  SelectionPanel* selection_;
  ConversionOptionsPanel* options_;
};

}  // namespace quorlix
