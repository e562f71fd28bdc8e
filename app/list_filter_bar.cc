#include "app/list_filter_bar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

namespace quorlix {

ListFilterBar::ListFilterBar(QListWidget* list, const QString& name, QWidget* parent)
    : QWidget(parent), list_(list), text_(new QLineEdit) {
  setObjectName(name + QStringLiteral("_bar"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  text_->setObjectName(name + QStringLiteral("_filter"));
  text_->setPlaceholderText(tr("Type to narrow"));
  text_->setClearButtonEnabled(true);
  auto* all = new QToolButton;
  all->setObjectName(name + QStringLiteral("_all"));
  all->setText(tr("All"));
  all->setToolTip(tr("Select all entries shown"));
  auto* none = new QToolButton;
  none->setObjectName(name + QStringLiteral("_none"));
  none->setText(tr("None"));
  none->setToolTip(tr("Select none of the entries shown"));
  layout->addWidget(text_, 1);
  layout->addWidget(all);
  layout->addWidget(none);
  connect(text_, &QLineEdit::textChanged, this, &ListFilterBar::ApplyFilter);
  connect(all, &QToolButton::clicked, this, [this] { SelectShown(true); });
  connect(none, &QToolButton::clicked, this, [this] { SelectShown(false); });
  // A load refills the list: the new entries meet the same filter.
  connect(list_->model(), &QAbstractItemModel::rowsInserted, this, &ListFilterBar::ApplyFilter);
  list_->installEventFilter(this);
  setEnabled(list_->isEnabled());
}

void ListFilterBar::ApplyFilter() {
  const QString text = text_->text();
  for (int i = 0; i < list_->count(); ++i) {
    QListWidgetItem* item = list_->item(i);
    item->setHidden(!text.isEmpty() && !item->text().contains(text, Qt::CaseInsensitive));
  }
}

void ListFilterBar::SelectShown(bool selected) {
  for (int i = 0; i < list_->count(); ++i) {
    QListWidgetItem* item = list_->item(i);
    if (!item->isHidden()) item->setSelected(selected);
  }
}

bool ListFilterBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::EnabledChange) setEnabled(list_->isEnabled());
  return QWidget::eventFilter(watched, event);
}

}  // namespace quorlix
