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

QString DroppedLogProblem(const QList<QUrl>& urls, QString& path) {
  if (urls.size() != 1) {
    return FormatMessage(Tr("Only one log file can be loaded at a time; %s were dropped"),
                         {QString::number(urls.size())});
  }
  if (!urls.front().isLocalFile()) {
    return FormatMessage(Tr("%s is not a file on this computer"), {urls.front().toDisplayString()});
  }
  const QString local = urls.front().toLocalFile();
  const QString problem = LogFileProblem(local);
  if (problem.isEmpty()) path = local;
  return problem;
}

QString LogFileArgument(const QStringList& arguments, QString& error) {
  if (arguments.size() > 1) {
    error = QString::fromUtf8(Tr("Only one log file can be loaded: quorlix [LOGFILE]"));
    return {};
  }
  return arguments.isEmpty() ? QString() : arguments.front();
}

RecentLogs::RecentLogs(QString settings_file) : settings_file_(std::move(settings_file)) {}

QStringList RecentLogs::Logs() const {
  return OpenSettings(settings_file_)->value(QLatin1String(kLogsKey)).toStringList();
}

void RecentLogs::Add(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
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
