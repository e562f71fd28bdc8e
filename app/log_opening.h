// Ways a log gets in besides the Load dialog: a file named on the command
// line, a file dropped on the window, and File > Recent logs. Also the
// folder the file dialogs start in. Both lists live in QSettings (per user,
// the Qt way), never in config.cfg.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace quorlix {

// Why the dropped `urls` cannot be loaded (one local, readable, regular
// file is wanted), or empty with that file's path in `path`. The message is
// for the error box.
QString DroppedLogProblem(const QList<QUrl>& urls, QString& path);

// Why the file at `path` cannot be loaded (a folder, a FIFO or other file
// that is not regular, missing, unreadable), or empty. Never waits on the
// file: its type is known before it is opened, and the open does not block.
QString LogFileProblem(const QString& path);

// The log named by the program's arguments (without the program's own
// name): empty when none is given. More than one sets `error`.
QString LogFileArgument(const QStringList& arguments, QString& error);

// The last logs loaded (newest first, at most kMaxRecentLogs) and the
// folder of the file last opened or saved.
class RecentLogs {
 public:
  static constexpr int kMaxRecentLogs = 8;

  // `settings_file` empty: the user's QSettings of Quorlix; otherwise an
  // INI file there (tests).
  explicit RecentLogs(QString settings_file = {});

  QStringList Logs() const;
  void Add(const QString& path);
  QString LastFolder() const;
  // Remembers the folder that holds `file`.
  void SetLastFolderOf(const QString& file);
  // Where the window's splitter stood (QSplitter::saveState); empty when
  // it was never moved.
  QByteArray SplitterState() const;
  void SetSplitterState(const QByteArray& state);

 private:
  QString settings_file_;
};

}  // namespace quorlix
