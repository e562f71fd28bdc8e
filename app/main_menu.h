// The main window's menu bar: File (Load, Add log, Recent logs, Convert,
// Convert scene, Export archive, Save, Options, Exit), an empty Edit menu for the window's pages
// to fill, and About, each entry named and with its keys. Recent logs is
// filled each time it opens, an entry whose file has gone disabled. The
// window connects the entries and sets their states.
#pragma once

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;

namespace quorlix {

class RecentLogs;

class MainMenu : public QObject {
  Q_OBJECT

 public:
  MainMenu(QMenuBar* bar, const RecentLogs& recent, QObject* parent);

  QAction* load() const { return Load1_; }
  // Merges one more log into those loaded; enabled once a log is loaded.
  QAction* add_log() const { return AddLog1_; }
  QAction* convert() const { return Convert1_; }
  QAction* convert_scene() const { return ConvertScene1_; }
  QAction* export_archive() const { return ExportArchive1_; }
  QAction* save() const { return Save1_; }
  QAction* options() const { return Options1_; }
  QAction* exit() const { return Exit1_; }
  QAction* about() const { return About1_; }
  QMenu* edit() const { return edit_; }

 signals:
  // A Recent logs entry was chosen.
  void recentChosen(const QStringList& paths);

 private:
  void FillRecentMenu();

  const RecentLogs& recent_;
  QAction* Load1_;
  QAction* AddLog1_;
  QAction* Convert1_;
  QAction* ConvertScene1_;
  QAction* ExportArchive1_;
  QAction* Save1_;
  QAction* Options1_;
  QAction* Exit1_;
  QAction* About1_;
  QMenu* RecentLogs1_;
  QMenu* edit_;
};

}  // namespace quorlix
