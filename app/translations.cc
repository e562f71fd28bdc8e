#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

#include "core/translation.h"

namespace quorlix {

void InstallTranslators(QCoreApplication& app) {
  const QString language = QString::fromStdString(CurrentLanguage());
  if (language.isEmpty()) return;
  auto* own = new QTranslator(&app);
  if (own->load(QStringLiteral(":/i18n/quorlix_") + language)) app.installTranslator(own);
  auto* qt = new QTranslator(&app);
  if (qt->load(QStringLiteral("qtbase_") + language,
               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(qt);
  }
}

}  // namespace quorlix
