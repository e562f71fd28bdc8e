#include "app/log_opening.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <cerrno>
#include <memory>

#include "app/pane_text.h"
#include "app/translations.h"
#include "core/files/platform.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

constexpr char kLogsKey[] = "recent/logs";
constexpr char kFolderKey[] = "dialogs/folder";

std::unique_ptr<QSettings> OpenSettings(const QString& file) {
  if (file.isEmpty()) {
    return std::make_unique<QSettings>(QStringLiteral("Quorlix"), QStringLiteral("Quorlix"));
  }
  return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

}  // namespace

QString LogFileProblem(const QString& path) {
  const QString shown = QDir::toNativeSeparators(path);
  const std::string local = LocalPath(path);
  const auto cannot_open = [&shown](int error) {
    return FormatMessage(Tr("Cannot open file %s. %s"),
                         {shown, QString::fromLocal8Bit(platform::SystemErrorText(error))});
  };
  // The type is looked at before the file is opened, and the open does not
  // wait: opening a FIFO for reading would hold the window until some
  // other program writes to it.
  platform::FileInfo info;
  if (!platform::InspectPath(local, info)) return cannot_open(errno);
  if (info.kind == platform::FileKind::kDirectory) {
    return FormatMessage(Tr("%s is a folder, not a log file"), {shown});
  }
  if (info.kind != platform::FileKind::kRegular) {
    return FormatMessage(Tr("File %s is not a regular file and is not loaded"), {shown});
  }
  // Opening tells an unreadable file, with the system's reason.
  const int fd = platform::OpenForReading(local, /*nonblocking=*/true);
  if (fd < 0) return cannot_open(errno);
  platform::Close(fd);
  return {};
}

QString DroppedLogProblem(const QList<QUrl>& urls, QStringList& paths) {
  QStringList local;
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) {
      return FormatMessage(Tr("%s is not a file on this computer"), {url.toDisplayString()});
    }
    const QString path = url.toLocalFile();
    if (const QString problem = LogFileProblem(path); !problem.isEmpty()) return problem;
    local << path;
  }
  paths = local;
  return {};
}

RecentLogs::RecentLogs(QString settings_file) : settings_file_(std::move(settings_file)) {}

QStringList RecentLogs::Logs() const {
  return OpenSettings(settings_file_)->value(QLatin1String(kLogsKey)).toStringList();
}

QStringList RecentLogs::PathsOf(const QString& entry) {
  return entry.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void RecentLogs::Add(const QStringList& paths) {
  QStringList absolute_paths;
  for (const QString& path : paths) absolute_paths << QFileInfo(path).absoluteFilePath();
  const QString absolute = absolute_paths.join(QLatin1Char('\n'));
  QStringList logs = Logs();
  logs.removeAll(absolute);
  logs.prepend(absolute);
  while (logs.size() > kMaxRecentLogs) logs.removeLast();
  OpenSettings(settings_file_)->setValue(QLatin1String(kLogsKey), logs);
}

QByteArray RecentLogs::SplitterState() const {
  return OpenSettings(settings_file_)->value(QStringLiteral("window/splitter")).toByteArray();
}

void RecentLogs::SetSplitterState(const QByteArray& state) {
  OpenSettings(settings_file_)->setValue(QStringLiteral("window/splitter"), state);
}

QString RecentLogs::LastFolder() const {
  return OpenSettings(settings_file_)->value(QLatin1String(kFolderKey)).toString();
}

void RecentLogs::SetLastFolderOf(const QString& file) {
  OpenSettings(settings_file_)->setValue(QLatin1String(kFolderKey), QFileInfo(file).absolutePath());
}

}  // namespace quorlix
