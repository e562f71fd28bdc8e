#include "app/left_panel.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/conversion_options_panel.h"
#include "app/scenes_panel.h"
#include "app/selection_panel.h"
#include "app/tab_access_keys.h"
#include "app/widget_names.h"

namespace quorlix {

LeftPanel::LeftPanel(ScenesPanel* scenes, QWidget* parent)
    : QWidget(parent),
      tb_load_(Named(new QPushButton(tr("&Load")), "tb_load")),
      bt_convert_(Named(new QPushButton(tr("&Convert")), "bt_convert")),
      bt_save_(Named(new QPushButton(tr("&Save")), "bt_save")),
      selection_(new SelectionPanel(this)),
      options_(new ConversionOptionsPanel(this)) {
  setObjectName(QStringLiteral("Panel1"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 6, 8, 8);
  auto* commands = new QHBoxLayout;
  for (QPushButton* button : {tb_load_, bt_convert_, bt_save_}) {
    button->setMinimumHeight(32);
    commands->addWidget(button);
  }
  tb_load_->setToolTip(tr("Open a chat log (Ctrl+O)"));
  bt_convert_->setToolTip(tr("Convert the log with the filters and options set (F5)"));
  bt_save_->setToolTip(tr("Save the output to a file (Ctrl+S)"));
  layout->addLayout(commands);

  auto* bar = Named(new QFrame, "Panel2");
  bar->setFrameShape(QFrame::Panel);
  bar->setFrameShadow(QFrame::Sunken);
  bar->setFixedHeight(9);
  bar->setMaximumWidth(389);
  layout->addWidget(bar, 0, Qt::AlignHCenter);

  auto* time_tabs = Named(new QTabWidget, "time_tabs");
  time_tabs->addTab(selection_->time_page(), tr("&Time"));
  time_tabs->addTab(scenes, tr("Sce&nes"));
  GiveAccessKeysToTabsBehind(time_tabs);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->addLayout(selection_->persons_column(), 0, 0);
  grid->addLayout(options_->column(), 0, 1);
  grid->addLayout(selection_->channels_column(), 1, 0);
  grid->addWidget(time_tabs, 1, 1);
  grid->setRowStretch(0, 1);
  grid->setRowStretch(1, 1);
  // The lists of names need less room than the scenes' two-line rows.
  grid->setColumnStretch(0, 2);
  grid->setColumnStretch(1, 3);
  layout->addLayout(grid, 1);
}

}  // namespace quorlix
