// quorlix_screenshot LOG PNG: starts Quorlix's main window as the program
// does, loads LOG as if it were chosen in the file dialog, converts it,
// saves a picture of the window to PNG and quits with 0 (1 when the
// picture cannot be written). tools/screenshot.sh runs it under Xvfb.
// With QUORLIX_SCREENSHOT_SCENE=K set, the picture shows the Scenes page
// instead, scene K clicked (its lines selected on the Input page).
#include <cstdio>
#include <utility>

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/translations.h"
#include "core/files/translation_setup.h"
#include "core/text/translation.h"

namespace {

// Answers the open dialog with the log; no save is asked for.
class LogDialogs : public quorlix::FileDialogs {
 public:
  explicit LogDialogs(QString log) : log_(std::move(log)) {}
  QString GetOpenFileName(QWidget*, const QString&) override { return log_; }
  QString GetSaveFileName(QWidget*, const QString&,
                          const std::vector<quorlix::SaveFileType>&) override {
    return {};
  }

 private:
  QString log_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: quorlix_screenshot LOG PNG\n");
    return 2;
  }
  QApplication app(argc, argv);
  // In the language the environment asks for, as the program is.
  quorlix::InitTranslations();
  quorlix::InstallTranslators(app);
  QApplication::setApplicationName(QStringLiteral("Quorlix"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorlix/icon.png")));
  const QString png = QString::fromLocal8Bit(argv[2]);

  LogDialogs dialogs(QString::fromLocal8Bit(argv[1]));
  quorlix::MainWindowServices services;
  services.file_dialogs = &dialogs;
  quorlix::MainWindow window(services);
  window.show();
  // Give the window system time to map and lay out the window first.
  QTimer::singleShot(700, &window, [&window, png] {
    window.tb_loadClick();
    const int scene = qEnvironmentVariableIntValue("QUORLIX_SCREENSHOT_SCENE");
    if (scene > 0) {
      window.findChild<QTabWidget*>(QStringLiteral("time_tabs"))->setCurrentIndex(1);
      auto* scenes = window.findChild<QTreeView*>(QStringLiteral("scene_list"));
      const QModelIndex row = scenes->model()->index(scene - 1, 0);
      scenes->setCurrentIndex(row);
      emit scenes->clicked(row);
    } else {
      window.bt_convertClick();
    }
    QTimer::singleShot(500, &window, [&window, png] {
      const bool saved = window.grab().save(png, "PNG");
      if (!saved) std::fprintf(stderr, "cannot write %s\n", qPrintable(png));
      QApplication::exit(saved ? 0 : 1);
    });
  });
  return QApplication::exec();
}
