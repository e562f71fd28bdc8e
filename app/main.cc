// Quorlix's desktop program: the application and its main window.
//
//   quorlix [LOG...]   loads the LOGs at start, merged, as Load would
#include <QApplication>
#include <QIcon>
#include <QTimer>

#include "app/error_box.h"
#include "app/log_opening.h"

#include "app/main_window.h"
#include "app/translations.h"
#include "core/files/translation_setup.h"
#include "core/text/translation.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // After QApplication, which sets the locale from the environment.
  quorlix::InitTranslations();
  quorlix::InstallTranslators(app);
  // The application title. No display name is set: Qt would append it to
  // every window caption ("Working   1 / 9 — Quorlix").
  QApplication::setApplicationName(QStringLiteral("Quorlix"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorlix/icon.png")));
  // Ties the windows to the installed desktop entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.quorlix"));

  quorlix::MainWindow window;
  window.show();
  // Once the window is on screen, so that the error box has its parent.
  // The logs named on the command line, loaded merged.
  const QStringList logs = QApplication::arguments().mid(1);
  QTimer::singleShot(0, &window, [&window, logs] {
    if (!logs.isEmpty()) window.LoadFiles(logs);
  });
  return QApplication::exec();
}
