#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/translation.h"

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

QString GroupedNumber(qlonglong n) {
  // Each catalogue names the locale its numbers follow.
  return QLocale(QCoreApplication::translate("Numbers", "en_US", "locale of the digit grouping"))
      .toString(n);
}

QString FormatMessage(const char* pattern, std::initializer_list<QString> texts) {
  std::vector<std::string> utf8;
  utf8.reserve(texts.size());
  for (const QString& text : texts) utf8.push_back(text.toStdString());
  return QString::fromStdString(
      FormatText(pattern, std::vector<std::string_view>(utf8.begin(), utf8.end())));
}

}  // namespace quorlix
