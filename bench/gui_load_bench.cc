// Times a load in the main window, from the Load command to the Input page
// painted with the log's first lines, through the dialog seam.
//
//   gui_load_bench LOG [CONFIG [convert]]
//
// Prints the seconds taken; run it under /usr/bin/time for the peak memory.
// With "convert" it then also times Convert until the output page shows.
#include <cstdio>
#include <cstdlib>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "app/dialogs.h"
#include "app/error_box.h"
#include "app/find_bar.h"
#include "app/main_window.h"

namespace {

class ChosenLog : public quorlix::FileDialogs {
 public:
  explicit ChosenLog(QString log) : log_(std::move(log)) {}
  QString GetOpenFileName(QWidget*, const QString&) override { return log_; }
  QString GetSaveFileName(QWidget*, const QString&,
                          const std::vector<quorlix::SaveFileType>&) override {
    return {};
  }

 private:
  QString log_;
};

class FailOnError : public quorlix::MessageSink {
 public:
  void ShowError(QWidget*, const QString& text) override {
    std::fprintf(stderr, "error: %s\n", qPrintable(text));
    std::exit(1);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorlix"));
  if (argc < 2) {
    std::fprintf(stderr, "usage: gui_load_bench LOG [CONFIG [convert | find TEXT]]\n");
    return 2;
  }
  ChosenLog dialogs(QFile::decodeName(argv[1]));
  FailOnError errors;
  quorlix::MainWindowServices services;
  services.file_dialogs = &dialogs;
  services.messages = &errors;
  if (argc > 2) services.config_path = argv[2];
  // The recent logs of a benchmark run stay out of the user's settings.
  QTemporaryDir settings_dir;
  services.settings_file = settings_dir.filePath(QStringLiteral("quorlix.ini"));
  quorlix::MainWindow window(services);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;

  QElapsedTimer timer;
  timer.start();
  window.tb_loadClick();
  auto* input = window.findChild<QAbstractItemView*>(QStringLiteral("memo_input"));
  input->viewport()->repaint();  // lays out and paints the visible rows
  const double seconds = timer.nsecsElapsed() / 1e9;
  std::printf("load until Input shown: %.2f s, %lld input lines\n", seconds,
              static_cast<long long>(input->model()->rowCount()));
  std::fflush(stdout);
  if (argc > 3 && QByteArray(argv[3]) == "convert") {
    timer.restart();
    window.bt_convertClick();
    auto* output = window.findChild<QWidget*>(QStringLiteral("memo_output"));
    output->repaint();
    std::printf("convert until Ouput shown: %.2f s\n", timer.nsecsElapsed() / 1e9);
    std::fflush(stdout);
  }
  // "find TEXT": from the text being typed until the find bar has counted
  // the matching lines; the search runs beside the window's event loop.
  if (argc > 4 && QByteArray(argv[3]) == "find") {
    auto* bar = window.findChild<quorlix::FindBar*>(QStringLiteral("find_bar"));
    auto* text = window.findChild<QLineEdit*>(QStringLiteral("find_text"));
    bar->Open();
    timer.restart();
    text->setText(QString::fromLocal8Bit(argv[4]));
    const double typed = timer.nsecsElapsed() / 1e9;
    while (bar->searching()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    std::printf("find '%s': text set in %.3f s, '%s' after %.2f s\n", argv[4], typed,
                qPrintable(bar->status()), timer.nsecsElapsed() / 1e9);
    std::fflush(stdout);
  }
  // Leaving frees hundreds of megabytes; that is not part of the load.
  settings_dir.remove();
  std::_Exit(0);
}
