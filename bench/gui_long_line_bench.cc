// Typing into one very long line of the Output page, and the cursor's
// blink on it: prints the slowest and the mean processor time from a key press until
// the view has painted, with the cursor at the line's start, middle and end,
// and the processor time the window takes while the cursor blinks.
//
//   gui_long_line_bench [MEGABYTES [idle]]    (default 10; run under Xvfb)
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include "app/output_view.h"
#include "core/files/output_store.h"

namespace {

// A line of `size` bytes of words between two short lines.
class LongLine : public quorlix::LineSource {
 public:
  explicit LongLine(std::size_t size) : size_(size) {}
  std::size_t size() const override { return 3; }
  std::size_t LineLength(std::size_t i) const override { return i == 1 ? size_ : 5; }
  void ReadLine(std::size_t i, std::string& out) const override {
    out.clear();
    if (i != 1) {
      out = "short";
      return;
    }
    out.reserve(size_);
    static constexpr std::string_view kWords = "Bob: [b]hello[/b] over there ";
    while (out.size() < size_) out += kWords.substr(0, std::min(kWords.size(), size_ - out.size()));
  }

 private:
  std::size_t size_;
};

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// Processor seconds from the key press until the view has painted (the
// wall clock counts the other programs of a busy machine too).
double TimedKey(quorlix::OutputView* view, Qt::Key key, char text) {
  const double start = CpuSeconds();
  if (text != 0) {
    QTest::keyClick(view, text);
  } else {
    QTest::keyClick(view, key);
  }
  QCoreApplication::processEvents();
  view->viewport()->repaint();
  return CpuSeconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10;
  quorlix::OutputView view;
  view.resize(900, 600);
  view.show();
  if (!QTest::qWaitForWindowExposed(&view)) return 1;
  view.activateWindow();
  if (!QTest::qWaitForWindowActive(&view)) std::fprintf(stderr, "the view is not active\n");
  view.setFocus();
  if (!view.hasFocus()) std::fprintf(stderr, "the view has no focus: the cursor does not blink\n");
  view.SetSource(std::make_shared<LongLine>(megabytes << 20));
  std::printf("line of %zu MB\n", megabytes);

  const struct {
    const char* where;
    std::size_t column;
  } places[] = {{"start", 0}, {"middle", megabytes << 19}, {"end", megabytes << 20}};
  const bool idle_only = argc > 2 && std::string(argv[2]) == "idle";
  for (const auto& place : places) {
    if (idle_only) break;
    view.SetCursor({1, place.column});
    QCoreApplication::processEvents();
    double slowest = 0, sum = 0;
    constexpr int kKeys = 30;
    for (int i = 0; i < kKeys; ++i) {
      const double took = i % 10 == 9 ? TimedKey(&view, Qt::Key_Backspace, 0)
                                      : TimedKey(&view, Qt::Key_unknown, 'a' + i % 26);
      slowest = std::max(slowest, took);
      sum += took;
    }
    std::printf(
        "typing at the %-6s  mean %7.2f ms, slowest %7.2f ms (processor time per key, until "
        "painted)\n",
        place.where, sum / kKeys * 1e3, slowest * 1e3);
  }

  // Idle with the cursor blinking in the middle of the line: the processor
  // time the window takes over three seconds.
  view.SetCursor({1, megabytes << 19});
  QCoreApplication::processEvents();
  const double cpu_before = CpuSeconds();
  QElapsedTimer idle;
  idle.start();
  QEventLoop loop;
  QTimer::singleShot(3000, &loop, &QEventLoop::quit);
  loop.exec();
  std::printf("idle, cursor blinking: %.1f %% of one core\n",
              (CpuSeconds() - cpu_before) / (idle.elapsed() / 1e3) * 100);
  return 0;
}
