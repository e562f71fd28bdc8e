// A progress bar on standard error for the Working window's captions: the
// command-line stand-in for the window that loads and conversions report to.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "core/work/progress.h"

namespace quorlix::cli {

// Draws "<label> [#####-----]  45%" on one terminal line, redrawn at most
// ten times a second and only once the work has taken a moment, and
// erased when the window closes.
class ProgressBarFactory : public WorkingWindowFactory {
 public:
  explicit ProgressBarFactory(int fd) : fd_(fd) {}
  // The word in front of the bar for the windows created from now on.
  void set_label(std::string label) { label_ = std::move(label); }
  std::unique_ptr<WorkingWindow> Create() override;

 private:
  int fd_;
  std::string label_ = "Working";
};

// Reads "Working   <count> / <total>"; false for any other caption.
bool ParseProgressCaption(std::string_view caption, int64_t& count, int64_t& total);

// The bar's text for `count` of `total` (total 0: done), `width` cells wide.
std::string FormatProgressBar(std::string_view label, int64_t count, int64_t total, int width);

}  // namespace quorlix::cli
