#include "app/log_opening.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <cerrno>
#include <cstring>
#include <memory>

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
  const QFileInfo info(path);
  if (info.isDir()) {
    return QStringLiteral("%1 ist ein Ordner, keine Logdatei").arg(QDir::toNativeSeparators(path));
  }
  // Opening tells missing from unreadable, with the system's reason.
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    const int error = errno;
    return QStringLiteral("Datei %1 kann nicht geöffnet werden. %2")
        .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(error)));
  }
  return {};
}

QString DroppedLogProblem(const QList<QUrl>& urls, QString& path) {
  if (urls.size() != 1) {
    return QStringLiteral("Es kann nur eine Logdatei auf einmal geladen werden; abgelegt wurden %1")
        .arg(urls.size());
  }
  if (!urls.front().isLocalFile()) {
    return QStringLiteral("%1 ist keine Datei auf diesem Rechner")
        .arg(urls.front().toDisplayString());
  }
  const QString local = urls.front().toLocalFile();
  const QString problem = LogFileProblem(local);
  if (problem.isEmpty()) path = local;
  return problem;
}

QString LogFileArgument(const QStringList& arguments, QString& error) {
  if (arguments.size() > 1) {
    error = QStringLiteral("Es kann nur eine Logdatei geladen werden: quorlix [LOGDATEI]");
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

QString RecentLogs::LastFolder() const {
  return OpenSettings(settings_file_)->value(QLatin1String(kFolderKey)).toString();
}

void RecentLogs::SetLastFolderOf(const QString& file) {
  OpenSettings(settings_file_)->setValue(QLatin1String(kFolderKey), QFileInfo(file).absolutePath());
}

}  // namespace quorlix
