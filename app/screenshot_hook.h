// A hidden hook for tools/screenshot.sh only: with QUORLIX_SCREENSHOT_LOG
// and QUORLIX_SCREENSHOT_PNG set, the program loads and converts that log
// as if chosen in the file dialog, saves a picture of its main window to
// that PNG file and quits. Nothing else reads these variables.
#pragma once

#include <QString>

#include "app/dialogs.h"

namespace quorlix {

class MainWindow;

class ScreenshotHook {
 public:
  ScreenshotHook();  // reads the two variables

  bool active() const { return !log_.isEmpty() && !png_.isEmpty(); }
  FileDialogs& dialogs() { return dialogs_; }
  // Loads, converts, saves the picture once the window is on screen;
  // returns the program's exit code.
  int Run(MainWindow& window);

 private:
  class LogDialogs : public FileDialogs {
   public:
    QString GetOpenFileName(QWidget*, const QString&) override { return log; }
    QString GetSaveFileName(QWidget*, const QString&) override { return {}; }
    QString log;
  };

  QString log_;
  QString png_;
  LogDialogs dialogs_;
};

}  // namespace quorlix
