#include "app/cache_dir.h"

#include <QByteArray>
#include <QStandardPaths>

#include "app/pane_text.h"

namespace quorlix {

std::string DefaultTempLogDir() {
#ifdef Q_OS_WIN
  // Qt's cache location there would be %LOCALAPPDATA%\<organisation>\<name>\cache.
  return LocalPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   QStringLiteral("/Quorlix"));
#else
  return QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
      .toLocal8Bit()
      .toStdString();
#endif
}

}  // namespace quorlix
