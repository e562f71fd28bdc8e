// The Working window: a title bar without buttons whose caption carries
// the progress of a load or a conversion. The engine sets a caption after
// every line while it keeps the event loop busy; the window puts the
// latest caption on screen at most once per screen refresh, so that
// painting never slows a pass over millions of lines.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include "core/work/progress.h"

namespace quorlix {

class WorkingWindowQt : public QWidget, public WorkingWindow {
  Q_OBJECT

 public:
  // `min_interval_ms`: least time between two captions put on screen;
  // 0 shows every caption at once.
  WorkingWindowQt(QWidget* owner, int min_interval_ms);

  void Show() override;
  bool IsActive() const override;
  void SetCaption(std::string_view caption) override;
  void Close() override;

  // Puts the latest caption on screen now, if it is not there yet.
  void FlushCaption();
  // The window's width: the whole of any caption shows.
  static int CaptionWidth();
  // The latest caption given, whether on screen yet or not.
  QString latest_caption() const { return QString::fromLatin1(pending_); }

 protected:
  // The user cannot close it: only its caller does, through Close().
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* owner_;
  int min_interval_ms_;
  std::string pending_;  // reused for every caption
  bool dirty_ = false;   // pending_ differs from what is on screen
  bool shown_ = false;
  uint32_t calls_ = 0;
  QElapsedTimer since_flush_;
};

class WorkingWindowQtFactory : public WorkingWindowFactory {
 public:
  explicit WorkingWindowQtFactory(QWidget* owner);

  std::unique_ptr<WorkingWindow> Create() override;

  // 0 shows every caption at once (for tests); by default the interval is
  // one refresh period of the owner's screen.
  void set_min_interval_ms(int ms) { min_interval_ms_ = ms; }
  // Called with every window created, before the engine uses it.
  void set_observer(std::function<void(WorkingWindowQt&)> observer) {
    observer_ = std::move(observer);
  }

 private:
  int DefaultIntervalMs() const;

  QWidget* owner_;
  int min_interval_ms_ = -1;
  std::function<void(WorkingWindowQt&)> observer_;
};

}  // namespace quorlix
