// The main window: the commands Load, Convert and Save, and the state that
// loading and conversion share. Its parts show the rest: the menu bar
// (app/main_menu.h), the left panel (app/left_panel.h) with the selection
// (app/selection_panel.h) and the output options
// (app/conversion_options_panel.h), and the pages (app/main_pages.h). The
// handlers of the filter and option controls forward to those parts. The
// work itself is the engine's (core/); the window shows its values and
// enables the commands in step with the work.
//
// Re-entrancy: Load and Convert run the engine on this window's thread, and
// the Working window lets the window system draw in the middle of a pass
// (core/work/progress.h). So while a command runs no other command starts, and
// no view reads the lines being built: the input view lets go of them
// until the load pass has returned, and the panes are filled only after.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "app/dialogs.h"
#include "app/log_opening.h"
#include "app/working_window.h"
#include "config/config_file.h"
#include "core/dialects/convert_options.h"
#include "core/log/chat_state.h"
#include "core/log/log_tail.h"

class QLabel;
class QWidget;

namespace quorlix {

class ArchiveQuestions;
class ColorPicker;
struct ConvertSettings;
class FileDialogs;
class LeftPanel;
class LogWatch;
class MainMenu;
class MainPages;
class MessageSink;
class OutputSink;
class ScenesPanel;

// What the window asks of the outside world; tests replace each part.
struct MainWindowServices {
  FileDialogs* file_dialogs = nullptr;            // nullptr: the Qt file dialogs
  ColorPicker* color_picker = nullptr;            // nullptr: QColorDialog
  MessageSink* messages = nullptr;                // nullptr: QMessageBox
  UnsavedEditsQuestion* unsaved_edits = nullptr;  // nullptr: QMessageBox
  ArchiveQuestions* archive_questions = nullptr;  // nullptr: Qt's dialogs
  std::string config_path;                        // empty: the settings file in use (LocateConfig)
  std::string temp_dir;                           // empty: the user's cache directory
  QString settings_file;  // recent logs and folder; empty: the user's QSettings
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(MainWindowServices services = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  WorkingWindowQtFactory& working_windows() { return working_windows_; }

  // The background of a list whose filter is off.
  static QColor ScrollBarColor();

  // Loads the logs at `paths`, merged, as Load does after its dialog;
  // errors go to the error box. For files named on the command line.
  void LoadFiles(const QStringList& paths);
  void LoadFile(const QString& path) { LoadFiles({path}); }
  // The text of the status bar.
  QString StatusText() const;

  // The handlers, named after the control and the event; the panels do
  // the work.
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
  void ConvertScene1Click();
  void ExportArchive1Click();
  void AddLog1Click();
  // The loaded logs are looked at again (LogWatch reports a change).
  void CheckLogs();
  // Takes in the lines the loaded logs gained, as the Take in button does.
  void TakeInClick();
  void ReloadClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Loads a file that the window did not ask for through its dialog (a
  // drop, a recent entry): a file that cannot be loaded changes nothing.
  void LoadCheckedFiles(const QStringList& paths);
  // Whether the output may go (the window closes, a load or conversion
  // replaces it): false when the user keeps it, asked to or by cancelling
  // the save; a save that fails throws.
  bool MayReplaceOutput(
      UnsavedEditsQuestion::Moment moment = UnsavedEditsQuestion::Moment::kReplacing);
  QWidget* BuildBanner();
  static QPixmap BannerPicture();
  void Connect();

  // Runs one command: none starts while another runs (the Working window
  // lets the window system draw), and an error ends it with the error box.
  template <typename Body>
  void RunCommand(Body&& body);
  void RunReplacingCommand(void (MainWindow::*command)());

  void Load();
  void AddLog();
  // Loads `paths` merged, replacing what is loaded; with `keep`, the
  // selections that still apply and the Output page stay.
  void LoadPaths(const QStringList& paths, bool keep = false);
  void TakeInLines();
  // The loaded logs' names, counts and duplicates in the status bar and
  // the Input page's heading.
  void ShowLogCounts();
  void ConvertLog();
  void ConvertSceneLog();
  // Converts with `convert` into a new output store and shows it; the
  // status bar gets the number of lines converted.
  void ConvertIntoOutputPage(
      const std::function<int64_t(const ConvertSettings&, OutputSink&)>& convert);
  void UpdateSceneCommand();
  // The Scenes page follows the person and channel filters.
  void RefreshScenes();
  ConfigFile ReadConfig();
  void SaveOutput();
  // Writes the archive of the loaded lines into a folder the user chooses.
  void ExportArchive();
  void ShowLoadedState();
  void SetLoadedCommands();
  void SetConvertedCommands();

  ChatState state_;
  ConvertOptions options_;  // as the Options pane gave them to the last conversion
  FileDialogs& file_dialogs_;
  ColorPicker& color_picker_;
  MessageSink& messages_;
  UnsavedEditsQuestion& unsaved_edits_;
  ArchiveQuestions& archive_questions_;
  ConfigLocation config_;
  std::string temp_dir_;
  WorkingWindowQtFactory working_windows_;
  bool busy_ = false;
  bool close_requested_ = false;
  RecentLogs recent_;
  QStringList log_paths_;       // the logs loaded last, merged
  std::vector<LogMark> marks_;  // what was read of each
  std::size_t duplicates_ = 0;  // lines dropped as duplicates by the merge
  QStringList named_twice_;     // logs left out as named before
  ScenesPanel* scenes_;         // the Scenes page, beside the time tree
  LogWatch* watch_;             // notices the logs growing
  bool config_warned_ = false;  // the unreadable config.cfg was reported

  MainMenu* menu_;
  LeftPanel* left_;
  MainPages* pages_;
  QLabel* status_text_;
};

}  // namespace quorlix
