#include "app/screenshot_hook.h"

#include <cstdio>

#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include "app/main_window.h"

namespace quorlix {

ScreenshotHook::ScreenshotHook()
    : log_(qEnvironmentVariable("QUORLIX_SCREENSHOT_LOG")),
      png_(qEnvironmentVariable("QUORLIX_SCREENSHOT_PNG")) {
  dialogs_.log = log_;
}

int ScreenshotHook::Run(MainWindow& window) {
  // Give the window system time to map and lay out the window first.
  QTimer::singleShot(700, &window, [this, &window] {
    window.tb_loadClick();
    window.bt_convertClick();
    QTimer::singleShot(500, &window, [this, &window] {
      const bool saved = window.grab().save(png_, "PNG");
      if (!saved) std::fprintf(stderr, "cannot write %s\n", qPrintable(png_));
      QApplication::exit(saved ? 0 : 1);
    });
  });
  return QApplication::exec();
}

}  // namespace quorlix
