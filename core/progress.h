// Progress of a load or a conversion, shown in the caption of a small
// "Working" window. The engine forms the caption texts; the window (or the
// command-line progress bar, or a test recorder) only shows them.
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

// Writes "Working   <count> / <total>" into `caption`, reusing its buffer;
// "Working" in the user's language.
void FormatProgressCaption(int64_t count, int64_t total, std::string& caption);

}  // namespace quorlix
