// The main window: the three commands Load, Convert and Save, the output
// options, the person, channel and time filters, the input and output
// panes, and the state that loading and conversion share. The work itself
// is the engine's (core/); the window shows its values, keeps the option
// controls consistent and enables the commands in step with the work.
//
// Re-entrancy: Load and Convert run the engine on this window's thread, and
// the Working window lets the window system draw in the middle of a pass
// (core/progress.h). So while a command runs no other command starts, and
// no view reads the lines being built: the input view lets go of them
// until the load pass has returned, and the panes are filled only after.
#pragma once

#include <string>

#include <QMainWindow>

#include "app/working_window.h"
#include "core/chat_state.h"

class QAction;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QWidget;

namespace quorlix {

class ColorPicker;
class FileDialogs;
class LineView;
class MessageSink;
class OutputPosts;
class OutputView;

// What the window asks of the outside world; tests replace each part.
struct MainWindowServices {
  FileDialogs* file_dialogs = nullptr;  // nullptr: the Qt file dialogs
  ColorPicker* color_picker = nullptr;  // nullptr: QColorDialog
  MessageSink* messages = nullptr;      // nullptr: QMessageBox
  std::string config_path;              // empty: config.cfg beside the program
  std::string temp_dir;                 // empty: the user's cache directory
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(MainWindowServices services = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  ChatState& state() { return state_; }
  WorkingWindowQtFactory& working_windows() { return working_windows_; }
  const std::string& config_path() const { return config_path_; }

  // The background of a list whose filter is off.
  static QColor ScrollBarColor();

  // The handlers, named after the control and the event.
  void tb_loadClick();
  void bt_convertClick();
  void bt_saveClick();
  void cb_filter_personClick();
  void cb_filter_channelClick();
  void cb_filter_timeClick();
  void check_channelClick();
  void combo_codeChange(int index);
  void Options1Click();
  void About1Click();
  void Exit1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenu();
  QWidget* BuildBanner();
  QWidget* BuildLeftPanel();
  QWidget* BuildPages();
  void Connect();

  // Runs one command: none starts while another runs (the Working window
  // lets the window system draw), and an error ends it with the error box.
  template <typename Body>
  void RunCommand(Body&& body);

  void Load();
  void ConvertLog();
  void SaveOutput();
  void ShowLoadedState();
  void ReadControlsIntoState();
  void SetLoadedCommands();
  void SetConvertedCommands();

  ChatState state_;
  FileDialogs& file_dialogs_;
  ColorPicker& color_picker_;
  MessageSink& messages_;
  std::string config_path_;
  std::string temp_dir_;
  WorkingWindowQtFactory working_windows_;
  bool busy_ = false;
  bool close_requested_ = false;

  QAction* Load1_;
  QAction* Convert1_;
  QAction* Save1_;
  QAction* Options1_;
  QAction* Exit1_;
  QAction* About1_;
  QPushButton* tb_load_;
  QPushButton* bt_convert_;
  QPushButton* bt_save_;
  QCheckBox* cb_filter_person_;
  QListWidget* lb_person_;
  QCheckBox* cb_filter_channel_;
  QListWidget* lb_channel_;
  QComboBox* combo_code_;
  QCheckBox* check_channel_;
  QCheckBox* check_channel_color_;
  QCheckBox* check_showtime_;
  QCheckBox* check_marklink_;
  QCheckBox* CheckBox_delete_tags_;
  QCheckBox* cb_filter_time_;
  QTreeWidget* TreeView_time_;
  QTabWidget* PageControl1_;
  QWidget* TabSheet1_;
  QWidget* TabSheet2_;
  QWidget* TabSheet3_;  // "Preview"
  LineView* memo_input_;
  OutputView* memo_output_;
  OutputPosts* posts_;  // the post strip and the Preview page
};

}  // namespace quorlix
