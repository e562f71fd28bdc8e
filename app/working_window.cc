#include "app/working_window.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QScreen>

namespace quorlix {
namespace {

// The clock is read only every so many captions: a caption comes after
// every line, and reading the clock costs more than the rest of the call.
constexpr uint32_t kCaptionsPerClockRead = 64;

// Lets the window system draw what changed (the new caption, the window
// just shown) without taking mouse or key input, which could start
// another command in the middle of this one.
void LetWindowSystemDraw() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

// Wide enough for the longest caption a log can give, in a bold title font
// with room for the window manager's icon and margins; never narrower
// than the classic 251 pixels.
int WorkingWindowQt::CaptionWidth() {
  QFont title = QApplication::font();
  title.setBold(true);
  const QString longest = tr("Working") + QStringLiteral("   9999999999 / 9999999999");
  return std::max(251, QFontMetrics(title).horizontalAdvance(longest) + 96);
}

WorkingWindowQt::WorkingWindowQt(QWidget* owner, int min_interval_ms)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      owner_(owner),
      min_interval_ms_(min_interval_ms) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(tr("Working"));
  setFixedSize(CaptionWidth(), 5);
  pending_.reserve(64);
}

void WorkingWindowQt::Show() {
  if (owner_ != nullptr) {
    const QPoint centre = owner_->frameGeometry().center();
    move(centre.x() - width() / 2, centre.y() - height() / 2);
  }
  show();
  activateWindow();
  shown_ = true;
  LetWindowSystemDraw();
}

// Activation is reported by the window system later, or never on
// offscreen platforms; a window that has been shown counts as active.
bool WorkingWindowQt::IsActive() const { return shown_ && isVisible(); }

void WorkingWindowQt::SetCaption(std::string_view caption) {
  pending_.assign(caption);
  dirty_ = true;
  if (min_interval_ms_ > 0 && since_flush_.isValid() && ++calls_ % kCaptionsPerClockRead != 0) {
    return;
  }
  if (!since_flush_.isValid() || since_flush_.elapsed() >= min_interval_ms_) FlushCaption();
}

void WorkingWindowQt::FlushCaption() {
  if (!dirty_) return;
  dirty_ = false;
  setWindowTitle(QString::fromLatin1(pending_.data(), static_cast<qsizetype>(pending_.size())));
  since_flush_.start();
  if (isVisible()) LetWindowSystemDraw();
}

void WorkingWindowQt::Close() {
  shown_ = false;
  hide();
}

// Refused while the caller works (Alt+F4, a window manager's menu); once
// the caller has closed it, closing the application may close it too.
void WorkingWindowQt::closeEvent(QCloseEvent* event) {
  if (shown_) {
    event->ignore();
  } else {
    event->accept();
  }
}

WorkingWindowQtFactory::WorkingWindowQtFactory(QWidget* owner) : owner_(owner) {}

int WorkingWindowQtFactory::DefaultIntervalMs() const {
  const QScreen* screen = owner_ != nullptr ? owner_->screen() : nullptr;
  const double hz = screen != nullptr ? screen->refreshRate() : 60.0;
  if (!(hz > 0)) return 16;
  return std::clamp(static_cast<int>(std::lround(1000.0 / hz)), 4, 100);
}

std::unique_ptr<WorkingWindow> WorkingWindowQtFactory::Create() {
  const int interval = min_interval_ms_ >= 0 ? min_interval_ms_ : DefaultIntervalMs();
  auto window = std::make_unique<WorkingWindowQt>(owner_, interval);
  if (observer_) observer_(*window);
  return window;
}

}  // namespace quorlix
