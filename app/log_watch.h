// Watches the loaded logs for what the game writes into them meanwhile: a
// file-system watch on each, and a look at their sizes every two seconds
// besides (some file systems never report a change, and a log replaced
// under its name drops out of the watch). It only tells that something
// may have changed; what did is the engine's to read (core/log_tail.h).
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <vector>

namespace quorlix {

class LogWatch : public QObject {
  Q_OBJECT

 public:
  explicit LogWatch(QObject* parent = nullptr);

  // Watches `paths` from now on (none: stops).
  void Watch(const QStringList& paths);
  // Looks at the sizes now, as the timer does.
  void Poll();

 signals:
  void changed();

 private:
  QFileSystemWatcher watcher_;
  QTimer timer_;
  QStringList paths_;
  std::vector<qint64> sizes_;  // as last seen; -1: no file
};

}  // namespace quorlix
