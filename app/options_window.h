// The Options window: the channel colours in a grid of names and colours,
// the time display pattern, and two settings carried through unchanged.
// It reads config.cfg when it opens and writes it only on "Close"; any
// other way of closing it writes nothing. Its logic is OptionsModel's
// (config/options_model.h): the window shows the model's values and
// passes the user's edits in.
#pragma once

#include <string>

#include <QDialog>
#include <QTableWidget>

#include "config/config_file.h"
#include "config/options_model.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace quorlix {

class ColorPicker;
class MessageSink;

// The key/value grid: Insert adds an empty row at the cursor, Down on the
// last row adds one below it; rows cannot be deleted.
class ColorGrid : public QTableWidget {
  Q_OBJECT

 public:
  explicit ColorGrid(QWidget* parent = nullptr);

 signals:
  void insertRowRequested(int at);
  void doubleClicked();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void CommitOpenEditor();
};

class OptionsWindow : public QDialog {
  Q_OBJECT

 public:
  OptionsWindow(ConfigLocation config, ColorPicker& picker, MessageSink& messages, QWidget* owner);
  ~OptionsWindow() override;

  const OptionsModel& model() const { return model_; }

  // The handlers, named after the control and the event.
  void ValueListEditor_colorDblClick();
  void Button_restoreClick();
  void Button1Click();

 private:
  void ShowRows();
  void InsertRow(int at);
  void CellEdited(QTableWidgetItem* item);

  ConfigFile config_;
  ColorPicker& picker_;
  MessageSink& messages_;
  OptionsModel model_;
  bool showing_rows_ = false;  // edits made by ShowRows are not the user's

  ColorGrid* ValueListEditor_color_;
  QLineEdit* Edit_time_;
  QComboBox* ComboBox_timedisplay_depth_;
  QCheckBox* CheckBox_disable_polbot_;
  QPushButton* Button_restore_;
  QPushButton* Button1_;
};

}  // namespace quorlix
