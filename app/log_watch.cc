#include "app/log_watch.h"

#include <QFileInfo>

namespace quorlix {
namespace {

constexpr int kPollMilliseconds = 2000;

qint64 SizeOf(const QString& path) {
  const QFileInfo info(path);
  return info.exists() ? info.size() : -1;
}

}  // namespace

LogWatch::LogWatch(QObject* parent) : QObject(parent) {
  timer_.setInterval(kPollMilliseconds);
  connect(&timer_, &QTimer::timeout, this, &LogWatch::Poll);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
    // A file replaced under its name leaves the watch: watch the new one.
    if (!watcher_.files().contains(path) && QFileInfo::exists(path)) watcher_.addPath(path);
    for (int i = 0; i < paths_.size(); ++i) sizes_[static_cast<std::size_t>(i)] = SizeOf(paths_[i]);
    emit changed();
  });
}

void LogWatch::Watch(const QStringList& paths) {
  if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
  paths_ = paths;
  sizes_.clear();
  for (const QString& path : paths_) sizes_.push_back(SizeOf(path));
  if (paths_.isEmpty()) {
    timer_.stop();
    return;
  }
  watcher_.addPaths(paths_);
  timer_.start();
}

void LogWatch::Poll() {
  bool any = false;
  for (int i = 0; i < paths_.size(); ++i) {
    const qint64 size = SizeOf(paths_[i]);
    if (size != sizes_[static_cast<std::size_t>(i)]) any = true;
    sizes_[static_cast<std::size_t>(i)] = size;
  }
  if (any) emit changed();
}

}  // namespace quorlix
