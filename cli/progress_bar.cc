#include "cli/progress_bar.h"

#include <unistd.h>

#include <charconv>

namespace quorlix::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kFirstDrawAfter = std::chrono::milliseconds(300);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
// Captions come once per line; the clock is asked only every so many.
constexpr unsigned kCaptionsPerClockCheck = 1024;
constexpr int kBarWidth = 40;

class ProgressBar : public WorkingWindow {
 public:
  ProgressBar(int fd, std::string label) : fd_(fd), label_(std::move(label)) {}
  ~ProgressBar() override { Close(); }

  void Show() override {
    shown_at_ = Clock::now();
    next_draw_ = shown_at_ + kFirstDrawAfter;
  }
  bool IsActive() const override { return true; }

  void SetCaption(std::string_view caption) override {
    if (++captions_ % kCaptionsPerClockCheck != 1) return;
    const Clock::time_point now = Clock::now();
    if (now < next_draw_) return;
    next_draw_ = now + kRedrawEvery;
    int64_t count = 0, total = 0;
    if (!ParseProgressCaption(caption, count, total)) return;
    std::string text = "\r";
    text += FormatProgressBar(label_, count, total, kBarWidth);
    Draw(text);
    drawn_ = true;
  }

  void Close() override {
    if (drawn_) Draw("\r\033[K");  // leave the line clean for what follows
    drawn_ = false;
  }

 private:
  void Draw(std::string_view text) {
    // Progress is a courtesy: a failed write to the terminal is ignored.
    [[maybe_unused]] const ssize_t n = ::write(fd_, text.data(), text.size());
  }

  int fd_;
  std::string label_;
  Clock::time_point shown_at_, next_draw_;
  unsigned captions_ = 0;
  bool drawn_ = false;
};

bool ReadInt(std::string_view text, int64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::unique_ptr<WorkingWindow> ProgressBarFactory::Create() {
  return std::make_unique<ProgressBar>(fd_, label_);
}

bool ParseProgressCaption(std::string_view caption, int64_t& count, int64_t& total) {
  // "<word>   <count> / <total>", the word in the user's language.
  constexpr std::string_view kSeparator = " / ";
  const std::size_t separator = caption.rfind(kSeparator);
  if (separator == std::string_view::npos || separator == 0) return false;
  const std::size_t count_begin = caption.rfind(' ', separator - 1) + 1;
  return count_begin > 0 && ReadInt(caption.substr(count_begin, separator - count_begin), count) &&
         ReadInt(caption.substr(separator + kSeparator.size()), total);
}

std::string FormatProgressBar(std::string_view label, int64_t count, int64_t total, int width) {
  double fraction = total > 0 ? static_cast<double>(count) / static_cast<double>(total) : 1.0;
  if (fraction < 0) fraction = 0;
  if (fraction > 1) fraction = 1;
  const int filled = static_cast<int>(fraction * width);
  std::string text(label);
  text += " [";
  text.append(static_cast<std::size_t>(filled), '#');
  text.append(static_cast<std::size_t>(width - filled), '-');
  text += "] ";
  const std::string percent = std::to_string(static_cast<int>(fraction * 100));
  text.append(4 - std::min<std::size_t>(percent.size(), 3), ' ');
  text += percent;
  text += '%';
  return text;
}

}  // namespace quorlix::cli
