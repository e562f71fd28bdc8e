#include "app/tab_access_keys.h"

#include <QStringList>
#include <QTabWidget>

namespace quorlix {
namespace {

// The text without its access key: "Ou&put" reads "Ouput"; "&&" stays a
// literal "&".
QString WithoutAccessKey(const QString& text) {
  QString plain;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

}  // namespace

void GiveAccessKeysToTabsBehind(QTabWidget* tabs) {
  QStringList marked;
  for (int i = 0; i < tabs->count(); ++i) marked << tabs->tabText(i);
  const auto follow = [tabs, marked](int current) {
    for (int i = 0; i < marked.size(); ++i) {
      tabs->setTabText(i, i == current ? WithoutAccessKey(marked[i]) : marked[i]);
    }
  };
  QObject::connect(tabs, &QTabWidget::currentChanged, tabs, follow);
  follow(tabs->currentIndex());
}

}  // namespace quorlix
