// Progress of a load or a conversion, shown in the caption of a small
// "Working" window. The engine forms the caption texts; the window (or the
// command-line progress bar, or a test recorder) only shows them.
//
// Re-entrancy: the passes run on the caller's thread, and a window's
// SetCaption lets the window system draw (and so run the caller's paint
// and event handlers) in the middle of a pass. Nothing those handlers run
// may read or change the state a pass is building (the input lines, the
// lists, the time tree, the output lines) until the pass has returned, nor
// start another pass.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quorlix {

class WorkingWindow {
 public:
  virtual ~WorkingWindow() = default;
  virtual void Show() = 0;
  virtual bool IsActive() const = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  // False when captions go nowhere: the passes then skip making them.
  virtual bool ShowsCaption() const { return true; }
  virtual void Close() = 0;
};

// Creates a new Working window for each load and each converted range; it
// replaces any earlier one as the window that progress goes to.
class WorkingWindowFactory {
 public:
  virtual ~WorkingWindowFactory() = default;
  virtual std::unique_ptr<WorkingWindow> Create() = 0;
};

// Shows nothing and is always active: for headless runs without a display.
class SilentWorkingWindowFactory : public WorkingWindowFactory {
 public:
  std::unique_ptr<WorkingWindow> Create() override;
};

// Closes a Working window when the scope ends, also when a line fails,
// unless Close() has closed it before.
class WorkingWindowCloser {
 public:
  explicit WorkingWindowCloser(WorkingWindow& window) : window_(window) {}
  ~WorkingWindowCloser() { Close(); }
  WorkingWindowCloser(const WorkingWindowCloser&) = delete;
  WorkingWindowCloser& operator=(const WorkingWindowCloser&) = delete;

  bool open() const { return open_; }
  void Close() {
    if (open_) window_.Close();
    open_ = false;
  }

 private:
  WorkingWindow& window_;
  bool open_ = true;
};

// Writes "Working   <count> / <total>" into `caption`, reusing its buffer;
// "Working" in the user's language.
void FormatProgressCaption(int64_t count, int64_t total, std::string& caption);

}  // namespace quorlix
