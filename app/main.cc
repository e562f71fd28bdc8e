// Quorlix's desktop program: the application and its main window.
#include <QApplication>
#include <QIcon>

#include "app/main_window.h"
#include "app/screenshot_hook.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The application title. No display name is set: Qt would append it to
  // every window caption ("Working   1 / 9 — Quorlix").
  QApplication::setApplicationName(QStringLiteral("Quorlix"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorlix/icon.png")));

  quorlix::ScreenshotHook screenshot;
  quorlix::MainWindowServices services;
  if (screenshot.active()) services.file_dialogs = &screenshot.dialogs();
  quorlix::MainWindow window(services);
  window.show();
  if (screenshot.active()) return screenshot.Run(window);
  return QApplication::exec();
}
