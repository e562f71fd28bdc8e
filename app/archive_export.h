// File > Export archive: the archive of the loaded lines (core/archive_writer.h)
// written on a worker thread while a progress dialog with Cancel shows how
// far it is; the window stays drawn meanwhile and takes no other command.
// The questions it asks sit behind a small interface, so that tests answer
// them without a modal window.
#pragma once

#include <QString>

#include "core/archive/archive_writer.h"

class QWidget;

namespace quorlix {

class ArchiveQuestions {
 public:
  virtual ~ArchiveQuestions() = default;
  // The folder to write into, starting in `folder`; empty when cancelled.
  virtual QString ChooseFolder(QWidget* parent, const QString& folder) = 0;
  // The folder holds files of others (`message` says which): true writes
  // the archive there all the same.
  virtual bool WriteAmongForeignFiles(QWidget* parent, const QString& message) = 0;
  // The archive is written (`summary` says what was done): true opens the
  // index in the browser.
  virtual bool OpenIndexNow(QWidget* parent, const QString& summary) = 0;
  // Shows the page `path` in the user's browser.
  virtual void OpenPage(const QString& path) = 0;
};

class QtArchiveQuestions : public ArchiveQuestions {
 public:
  QString ChooseFolder(QWidget* parent, const QString& folder) override;
  bool WriteAmongForeignFiles(QWidget* parent, const QString& message) override;
  bool OpenIndexNow(QWidget* parent, const QString& summary) override;
  void OpenPage(const QString& path) override;
};

ArchiveQuestions& DefaultArchiveQuestions();

// Runs WriteArchive on a worker thread, showing a progress dialog over
// `parent` whose Cancel stops the run after the file being written (the
// result says so). Rethrows what WriteArchive throws.
ArchiveResult WriteArchiveWithProgress(QWidget* parent, const ChatState& state,
                                       const SceneList& scenes, const ArchiveRequest& request);

}  // namespace quorlix
