#include "app/selection_panel.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPalette>
#include <QSet>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/list_filter_bar.h"
#include "app/pane_text.h"
#include "app/translations.h"
#include "app/widget_names.h"
#include "core/log/chat_state.h"
#include "core/log/log_summary.h"

namespace quorlix {
namespace {

// The colour is set first; the selection is left alone.
void CoupleToFilter(const QCheckBox* filter, QAbstractItemView* view) {
  QPalette palette = view->palette();
  palette.setColor(QPalette::Base, filter->isChecked()
                                       ? QApplication::palette().color(QPalette::Base)
                                       : SelectionPanel::ScrollBarColor());
  view->setPalette(palette);
  view->setEnabled(filter->isChecked());
}

// Entries of a greyed list stay readable, as grey text on grey.
void SetGreyedTextColor(QAbstractItemView* view) {
  QPalette palette = view->palette();
  palette.setColor(QPalette::Disabled, QPalette::Text,
                   QApplication::palette().color(QPalette::Dark).darker(150));
  view->setPalette(palette);
}

void FillList(QListWidget* list, const std::vector<ListEntry>& entries) {
  list->clear();
  for (const ListEntry& entry : entries) list->addItem(BytesToText(entry.name));
}

void ReadSelection(const QListWidget* list, std::vector<ListEntry>& entries) {
  const int count = std::min(list->count(), static_cast<int>(entries.size()));
  for (int i = 0; i < count; ++i)
    entries[static_cast<size_t>(i)].selected = list->item(i)->isSelected();
}

// Each node shows, in its second column, the lines it would convert.
void AddTreeItems(const TimeTree& tree, const std::vector<int64_t>& counts, int id,
                  QTreeWidgetItem* item) {
  item->setText(0, BytesToText(tree.node(id).text));
  item->setData(0, Qt::UserRole, id);
  const int64_t count = counts[static_cast<size_t>(id)];
  if (count >= 0) item->setText(1, GroupedNumber(count));
  item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  for (int child : tree.node(id).children) {
    AddTreeItems(tree, counts, child, new QTreeWidgetItem(item));
  }
}

QSet<QString> SelectedNames(const QListWidget* list) {
  QSet<QString> names;
  for (const QListWidgetItem* item : list->selectedItems()) names.insert(item->text().toLower());
  return names;
}

void SelectNames(QListWidget* list, const QSet<QString>& names) {
  for (int i = 0; i < list->count(); ++i) {
    if (names.contains(list->item(i)->text().toLower())) list->item(i)->setSelected(true);
  }
}

// A node's labels from the root down, joined by line feeds.
QString TreePath(const QTreeWidgetItem* item) {
  QString path = item->text(0);
  for (const QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent()) {
    path.prepend(up->text(0) + QLatin1Char('\n'));
  }
  return path;
}

void SelectTreePaths(QTreeWidgetItem* item, const QSet<QString>& paths) {
  if (paths.contains(TreePath(item))) item->setSelected(true);
  for (int i = 0; i < item->childCount(); ++i) SelectTreePaths(item->child(i), paths);
}

void ReadTreeSelection(QTreeWidgetItem* item, TimeTree& tree) {
  const int id = item->data(0, Qt::UserRole).toInt();
  if (id >= 0 && id < tree.size()) tree.node(id).selected = item->isSelected();
  for (int i = 0; i < item->childCount(); ++i) ReadTreeSelection(item->child(i), tree);
}

}  // namespace

SelectionPanel::SelectionPanel(QObject* parent)
    : QObject(parent),
      cb_filter_person_(Named(new QCheckBox(tr("Filter Pers&ons")), "cb_filter_person")),
      lb_person_(Named(new QListWidget, "lb_person")),
      cb_filter_channel_(Named(new QCheckBox(tr("Filter C&hannel")), "cb_filter_channel")),
      lb_channel_(Named(new QListWidget, "lb_channel")),
      cb_filter_time_(Named(new QCheckBox(tr("Filte&r Time")), "cb_filter_time")),
      TreeView_time_(Named(new QTreeWidget, "TreeView_time")),
      persons_column_(BuildColumn(cb_filter_person_, lb_person_, "lb_person")),
      channels_column_(BuildColumn(cb_filter_channel_, lb_channel_, "lb_channel")),
      time_page_(BuildTimePage()) {
  for (auto [filter, view] :
       {std::pair<QCheckBox*, QAbstractItemView*>{cb_filter_person_, lb_person_},
        {cb_filter_channel_, lb_channel_},
        {cb_filter_time_, TreeView_time_}}) {
    SetGreyedTextColor(view);
    CoupleToFilter(filter, view);
  }
  cb_filter_person_->setToolTip(tr("Convert only the lines of the persons selected below"));
  cb_filter_channel_->setToolTip(tr("Convert only the lines of the channels selected below"));
  cb_filter_time_->setToolTip(tr("Convert only the years, months and days selected below"));
  for (QCheckBox* filter : {cb_filter_person_, cb_filter_channel_}) {
    connect(filter, &QCheckBox::clicked, this, &SelectionPanel::namesChanged);
  }
  for (QListWidget* list : {lb_person_, lb_channel_}) {
    connect(list, &QListWidget::itemSelectionChanged, this, &SelectionPanel::namesChanged);
  }
}

QLayout* SelectionPanel::BuildColumn(QCheckBox* filter, QListWidget* list, const char* name) {
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto* layout = new QVBoxLayout;
  layout->addWidget(filter);
  layout->addWidget(new ListFilterBar(list, QString::fromLatin1(name)));
  layout->addWidget(list, 1);
  return layout;
}

QWidget* SelectionPanel::BuildTimePage() {
  TreeView_time_->setHeaderHidden(true);
  TreeView_time_->setColumnCount(2);  // the node, and the lines it holds
  // The node's text is never cut: where it and the count do not fit, the
  // tree scrolls sideways.
  TreeView_time_->header()->setStretchLastSection(true);
  TreeView_time_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  TreeView_time_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  TreeView_time_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  TreeView_time_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  auto* page = Named(new QWidget, "time_page");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 4, 0, 0);
  layout->addWidget(cb_filter_time_);
  layout->addWidget(TreeView_time_, 1);
  return page;
}

// The light grey of a scroll bar's trough.
QColor SelectionPanel::ScrollBarColor() {
  return QApplication::palette().color(QPalette::Midlight);
}

void SelectionPanel::CouplePersons() { CoupleToFilter(cb_filter_person_, lb_person_); }
void SelectionPanel::CoupleChannels() { CoupleToFilter(cb_filter_channel_, lb_channel_); }
void SelectionPanel::CoupleTime() { CoupleToFilter(cb_filter_time_, TreeView_time_); }

void SelectionPanel::Fill(const ChatState& state) {
  FillList(lb_person_, state.persons);
  FillList(lb_channel_, state.channels);
  TreeView_time_->clear();
  auto* root = new QTreeWidgetItem(TreeView_time_);
  AddTreeItems(state.time_tree, NodeLineCounts(state), TimeTree::kRoot, root);
  root->setExpanded(true);
}

void SelectionPanel::FillKeeping(const ChatState& state) {
  const QSet<QString> persons = SelectedNames(lb_person_);
  const QSet<QString> channels = SelectedNames(lb_channel_);
  QSet<QString> paths;
  for (const QTreeWidgetItem* item : TreeView_time_->selectedItems()) paths.insert(TreePath(item));
  Fill(state);
  SelectNames(lb_person_, persons);
  SelectNames(lb_channel_, channels);
  for (int i = 0; i < TreeView_time_->topLevelItemCount(); ++i) {
    SelectTreePaths(TreeView_time_->topLevelItem(i), paths);
  }
}

void SelectionPanel::ReadNamesInto(ChatState& state) const {
  state.filters.persons = cb_filter_person_->isChecked();
  state.filters.channels = cb_filter_channel_->isChecked();
  ReadSelection(lb_person_, state.persons);
  ReadSelection(lb_channel_, state.channels);
}

void SelectionPanel::ReadInto(ChatState& state) const {
  ReadNamesInto(state);
  state.filters.time = cb_filter_time_->isChecked();
  for (int i = 0; i < TreeView_time_->topLevelItemCount(); ++i) {
    ReadTreeSelection(TreeView_time_->topLevelItem(i), state.time_tree);
  }
}

}  // namespace quorlix
