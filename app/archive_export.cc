#include "app/archive_export.h"

#include <atomic>
#include <exception>
#include <thread>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>
#include <QUrl>

namespace quorlix {
namespace {

// The dialogs' texts, in the windows' catalogue under one name.
class ArchiveExport {
  Q_DECLARE_TR_FUNCTIONS(quorlix::ArchiveExport)
};

}  // namespace

QString QtArchiveQuestions::ChooseFolder(QWidget* parent, const QString& folder) {
  return QFileDialog::getExistingDirectory(parent, ArchiveExport::tr("Export archive"), folder);
}

bool QtArchiveQuestions::WriteAmongForeignFiles(QWidget* parent, const QString& message) {
  return QMessageBox::warning(
             parent, ArchiveExport::tr("Export archive"),
             message + QStringLiteral("\n\n") +
                 ArchiveExport::tr("Write the archive there all the same? No file of others is "
                                   "removed; one with the name of a page is replaced."),
             QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool QtArchiveQuestions::OpenIndexNow(QWidget* parent, const QString& summary) {
  return QMessageBox::question(
             parent, ArchiveExport::tr("Export archive"),
             summary + QStringLiteral("\n\n") + ArchiveExport::tr("Open the index in the browser?"),
             QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void QtArchiveQuestions::OpenPage(const QString& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

ArchiveQuestions& DefaultArchiveQuestions() {
  static QtArchiveQuestions questions;
  return questions;
}

ArchiveResult WriteArchiveWithProgress(QWidget* parent, const ChatState& state,
                                       const SceneList& scenes, const ArchiveRequest& request) {
  QProgressDialog dialog(ArchiveExport::tr("Writing the archive…"), ArchiveExport::tr("Cancel"), 0,
                         0, parent);
  dialog.setObjectName(QStringLiteral("ArchiveProgress"));
  dialog.setWindowTitle(ArchiveExport::tr("Export archive"));
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setMinimumDuration(300);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  std::atomic<int64_t> done{0}, total{0};
  std::atomic<bool> cancelled{false}, finished{false};
  ArchiveResult result;
  std::exception_ptr failure;
  QEventLoop loop;
  // The worker only reads `state` and `scenes`; the window takes no
  // command until it has ended.
  std::thread worker([&] {
    try {
      result = WriteArchive(state, scenes, request, [&](int64_t files, int64_t all) {
        done = files;
        total = all;
        return !cancelled;
      });
    } catch (...) {
      failure = std::current_exception();
    }
    finished = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, &dialog, [&] {
    if (total > 0) {
      dialog.setMaximum(static_cast<int>(total));
      dialog.setValue(static_cast<int>(done));
    }
  });
  QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] { cancelled = true; });
  timer.start(100);
  if (!finished) loop.exec();
  worker.join();
  timer.stop();
  dialog.close();
  if (failure) std::rethrow_exception(failure);
  return result;
}

}  // namespace quorlix
