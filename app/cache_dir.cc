#include "app/cache_dir.h"

#include <QByteArray>
#include <QStandardPaths>

namespace quorlix {

std::string DefaultTempLogDir() {
  return QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
      .toLocal8Bit()
      .toStdString();
}

}  // namespace quorlix
