// Quorlix's desktop program: the application and its main window.
#include <QApplication>
#include <QIcon>

#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The application title. No display name is set: Qt would append it to
  // every window caption ("Working   1 / 9 — Quorlix").
  QApplication::setApplicationName(QStringLiteral("Quorlix"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorlix/icon.png")));

  quorlix::MainWindow window;
  window.show();
  return QApplication::exec();
}
