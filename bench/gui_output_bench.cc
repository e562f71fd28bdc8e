// Times the Output page on a large log in the main window, step by step as
// a user drives it: Load, Convert (a key press on the button until the
// window is idle), Save, two more conversions, jumping, scrolling and
// typing in the output, undo, a second Save and Ctrl+A Ctrl+C. Prints the
// seconds of each step (wall clock and processor) and the process's peak
// memory (VmHWM) at the points that matter.
//
//   gui_output_bench LOG CONFIG SAVED_FILE UNDONE_FILE
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/dialogs.h"
#include "app/error_box.h"
#include "app/main_window.h"
#include "app/output_view.h"

namespace {

class Dialogs : public quorlix::FileDialogs {
 public:
  QString GetOpenFileName(QWidget*, const QString&) override { return open; }
  QString GetSaveFileName(QWidget*, const QString&,
                          const std::vector<quorlix::SaveFileType>&) override {
    return save;
  }
  QString open, save;
};

class FailOnError : public quorlix::MessageSink {
 public:
  void ShowError(QWidget*, const QString& text) override {
    std::fprintf(stderr, "error: %s\n", qPrintable(text));
    std::exit(1);
  }
};

// A field of /proc/self/status in megabytes.
double StatusMb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0)
      return std::atof(line.c_str() + std::string(field).size() + 1) / 1024;
  }
  return 0;
}

// The process's processor time so far: on a busy machine it shows the
// work a step did when the wall clock also counts the other programs.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

struct Took {
  double wall, cpu;
};

// Runs `step`, then lets the window handle what it queued and paint.
template <typename Step>
Took Timed(quorlix::OutputView* view, Step step) {
  QElapsedTimer timer;
  timer.start();
  const double cpu = CpuSeconds();
  step();
  QCoreApplication::processEvents();
  view->viewport()->repaint();
  return {timer.nsecsElapsed() / 1e9, CpuSeconds() - cpu};
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorlix"));
  if (argc < 5) {
    std::fprintf(stderr, "usage: gui_output_bench LOG CONFIG SAVED_FILE UNDONE_FILE\n");
    return 2;
  }
  Dialogs dialogs;
  dialogs.open = QFile::decodeName(argv[1]);
  FailOnError errors;
  quorlix::MainWindowServices services;
  services.file_dialogs = &dialogs;
  services.messages = &errors;
  services.config_path = argv[2];
  // The recent logs of a benchmark run stay out of the user's settings.
  QTemporaryDir settings_dir;
  services.settings_file = settings_dir.filePath(QStringLiteral("quorlix.ini"));
  quorlix::MainWindow window(services);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  auto* view = window.findChild<quorlix::OutputView*>(QStringLiteral("memo_output"));
  auto* convert = window.findChild<QPushButton*>(QStringLiteral("bt_convert"));
  const auto report = [](const char* what, Took took) {
    std::printf("%-34s %8.3f s (cpu %.3f s)\n", what, took.wall, took.cpu);
    std::fflush(stdout);
  };

  report("load", Timed(view, [&] { window.tb_loadClick(); }));
  const auto convert_by_key = [&] { QTest::keyClick(convert, Qt::Key_Space); };
  report("convert (key press to idle)", Timed(view, convert_by_key));
  std::printf("output lines: %zu\n", view->LineCount());
  dialogs.save = QFile::decodeName(argv[3]);
  report("save", Timed(view, [&] { window.bt_saveClick(); }));
  std::printf("peak memory over load, convert, save: %.1f MB\n", StatusMb("VmHWM:"));

  const double one = StatusMb("VmHWM:");
  report("second convert", Timed(view, convert_by_key));
  report("third convert", Timed(view, convert_by_key));
  std::printf("peak memory before / after two more conversions: %.1f / %.1f MB (now %.1f MB)\n",
              one, StatusMb("VmHWM:"), StatusMb("VmRSS:"));

  view->setFocus();
  report("jump to the end (Ctrl+End)",
         Timed(view, [&] { QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier); }));
  report("type 3 characters at the end", Timed(view, [&] { QTest::keyClicks(view, "abc"); }));
  report("Enter at the end", Timed(view, [&] { QTest::keyClick(view, Qt::Key_Return); }));
  report("jump to the start (Ctrl+Home)",
         Timed(view, [&] { QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier); }));
  Took slowest{0, 0};
  for (int i = 0; i < 20; ++i) {
    const Took took = Timed(view, [&] { QTest::keyClick(view, Qt::Key_PageDown); });
    if (took.wall > slowest.wall) slowest = took;
  }
  report("slowest of 20 PageDown", slowest);
  report("scroll bar to the middle", Timed(view, [&] {
           view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
         }));
  report("type 3 characters in the middle", Timed(view, [&] {
           QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(40, 40));
           QTest::keyClicks(view, "xyz");
         }));
  report("undo all edits (3 steps)", Timed(view, [&] {
           for (int i = 0; i < 3; ++i) QTest::keySequence(view, QKeySequence::Undo);
         }));
  std::printf("edited since save after undo: %s\n", view->IsEditedSinceSave() ? "yes" : "no");
  dialogs.save = QFile::decodeName(argv[4]);
  report("save after undone edits", Timed(view, [&] { window.bt_saveClick(); }));

  const double before_copy = StatusMb("VmRSS:");
  report("Ctrl+A then Ctrl+C", Timed(view, [&] {
           QTest::keySequence(view, QKeySequence::SelectAll);
           QTest::keySequence(view, QKeySequence::Copy);
         }));
  std::printf("clipboard: %lld characters, memory added by the copy: %.1f MB\n",
              static_cast<long long>(QApplication::clipboard()->text().size()),
              StatusMb("VmRSS:") - before_copy);
  std::fflush(stdout);
  QApplication::clipboard()->clear();

  settings_dir.remove();
  std::_Exit(0);  // leaving frees hundreds of megabytes; that is not measured
}
