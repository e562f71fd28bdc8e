#include "app/main_menu.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "app/log_opening.h"
#include "app/widget_names.h"

namespace quorlix {

MainMenu::MainMenu(QMenuBar* bar, const RecentLogs& recent, QObject* parent)
    : QObject(parent), recent_(recent) {
  QMenu* file = bar->addMenu(tr("&File"));
  file->setObjectName(QStringLiteral("File1"));
  file->menuAction()->setObjectName(QStringLiteral("File1Action"));
  Load1_ = NamedAction(parent, "Load1", tr("&Load"), QKeySequence(Qt::CTRL | Qt::Key_O));
  AddLog1_ = NamedAction(parent, "AddLog1", tr("A&dd log…"),
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
  AddLog1_->setEnabled(false);
  Convert1_ = NamedAction(parent, "Convert1", tr("&Convert"), QKeySequence(Qt::Key_F5));
  ConvertScene1_ = NamedAction(parent, "ConvertScene1", tr("Convert sce&ne"),
                               QKeySequence(Qt::CTRL | Qt::Key_F5));
  ExportArchive1_ = NamedAction(parent, "ExportArchive1", tr("Export &archive…"));
  Save1_ = NamedAction(parent, "Save1", tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
  Options1_ = NamedAction(parent, "Options1", tr("&Options"));
  Exit1_ = NamedAction(parent, "Exit1", tr("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
  RecentLogs1_ = new QMenu(tr("&Recent logs"), file);
  RecentLogs1_->setObjectName(QStringLiteral("RecentLogs1"));
  connect(RecentLogs1_, &QMenu::aboutToShow, this, &MainMenu::FillRecentMenu);
  file->addAction(Load1_);
  file->addAction(AddLog1_);
  file->addMenu(RecentLogs1_);
  file->addAction(Convert1_);
  file->addAction(ConvertScene1_);
  file->addAction(ExportArchive1_);
  file->addAction(Save1_);
  file->addAction(Options1_);
  file->addAction(Exit1_);
  About1_ = NamedAction(parent, "About1", tr("&About"));
  bar->addAction(About1_);
  bar->setObjectName(QStringLiteral("MainMenu1"));
  edit_ = new QMenu(tr("&Edit"), bar);
  edit_->setObjectName(QStringLiteral("Edit1"));
  bar->insertMenu(About1_, edit_);
}

void MainMenu::FillRecentMenu() {
  RecentLogs1_->clear();
  const QStringList logs = recent_.Logs();
  for (int i = 0; i < logs.size(); ++i) {
    const QString& entry = logs[i];
    QStringList shown;
    bool all_there = true;
    for (const QString& path : RecentLogs::PathsOf(entry)) {
      shown << QDir::toNativeSeparators(path);
      all_there = all_there && QFileInfo(path).isFile();
    }
    QAction* action = RecentLogs1_->addAction(
        QStringLiteral("&%1 %2").arg(i + 1).arg(shown.join(QStringLiteral(" + "))));
    action->setEnabled(all_there);
    connect(action, &QAction::triggered, this,
            [this, entry] { emit recentChosen(RecentLogs::PathsOf(entry)); });
  }
  if (logs.isEmpty()) RecentLogs1_->addAction(tr("(none)"))->setEnabled(false);
}

}  // namespace quorlix
