// The main window's loads that fail or go wrong, the private copies of the
// log, the Working captions, the modal windows and the questions before
// edits are let go.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/dialogs.h"
#include "app/line_view.h"
#include "app/main_window.h"
#include "app/output_view.h"
#include "app/translations.h"
#include "config/config_file.h"
#include "config/engine_settings.h"
#include "core/convert/converter.h"
#include "core/log/loader.h"
#include "core/text/version.h"
#include "tests/app/main_window_test_support.h"
#include "tests/app/test_support.h"
#include "tests/support/output_lines.h"
#include "version_info.h"

namespace quorlix::testing {

class MainWindowLoadTest : public MainWindowTestBase {
  Q_OBJECT

 private slots:
  // A config.cfg that exists but cannot be read: one warning, through the
  // error box, and the defaults, as with no file at all.
  void UnreadableConfigWarnsOnceAndGivesTheDefaults() {
    const std::pair<const char*, std::function<void(const QString&)>> rows[] = {
        {"directory", [](const QString& path) { QVERIFY(QDir().mkdir(path)); }},
        {"FIFO", [](const QString& path) { QVERIFY(::mkfifo(qPrintable(path), 0600) == 0); }},
    };
    for (const auto& [kind, make] : rows) {
      WindowFixture f;
      make(f.Path("config.cfg"));
      LoadLog(f, kOneLineLog);
      Click(Find<QCheckBox>(f, "check_channel"));
      Find<QPushButton>(f, "bt_convert")->click();
      QVERIFY2(f.messages.shown.size() == 1, kind);
      QVERIFY2(f.messages.shown[0].startsWith("Warnung: ") &&
                   f.messages.shown[0].contains(f.Path("config.cfg")) &&
                   f.messages.shown[0].endsWith("; es gelten die Voreinstellungen."),
               qPrintable(f.messages.shown[0]));
      f.dialogs.save_name = f.Path("out.txt");
      Find<QPushButton>(f, "bt_save")->click();
      QCOMPARE(f.messages.shown.size(), 1);
      QCOMPARE(ReadBytes(f.Path("out.txt")), std::string(kOneLineSaved));
    }
  }

  void UnreadableLogStopsTheLoad() {
    WindowFixture f;
    LoadLog(f, kThreeLineLog);
    Find<QPushButton>(f, "bt_convert")->click();
    f.dialogs.open_name = f.Path("no-such.log");
    Find<QPushButton>(f, "tb_load")->click();
    QCOMPARE(f.messages.shown,
             QStringList("Datei " + f.Path("no-such.log") + " kann nicht geöffnet werden. " +
                         QString::fromUtf8(std::strerror(ENOENT)) + "."));
    // Refused before anything is cleared: everything as it was.
    QCOMPARE(Find<LineView>(f, "memo_input")->model()->rowCount(), 2);
    QCOMPARE(ShownPage(f), QString("Ouput"));
    QCOMPARE(CommandStates(f), QString("1111"));
    QCOMPARE(Find<QListWidget>(f, "lb_person")->count(), 2);
    QVERIFY(!Find<OutputView>(f, "memo_output")->PlainText().isEmpty());
  }

  void LoadTakesRegularFilesOnly() {
    WindowFixture f;
    LoadLog(f, kThreeLineLog);
    const QString status = f.window->StatusText();
    const QString fifo = f.Path("fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A FIFO would freeze the window, a device fill the disk.
    for (const QString& name : {fifo, QString("/dev/zero")}) {
      f.messages.shown.clear();
      f.dialogs.open_name = name;
      Find<QPushButton>(f, "tb_load")->click();
      QCOMPARE(f.messages.shown,
               QStringList("Datei " + name + " ist keine reguläre Datei und wird nicht geladen."));
      // The loaded log stays whole: its lines, lists, tree and counts.
      QCOMPARE(Find<LineView>(f, "memo_input")->model()->rowCount(), 2);
      QCOMPARE(Find<QListWidget>(f, "lb_person")->count(), 2);
      QCOMPARE(Find<QTreeWidget>(f, "TreeView_time")->topLevelItem(0)->childCount(), 1);
      QCOMPARE(f.window->StatusText(), status);
      QCOMPARE(CommandStates(f), QString("1100"));
    }
    QCOMPARE(QDir(f.Path("cache")).entryList(QDir::Files), QStringList("log.txt"));
  }

  void OverlongBadTimeStampGivesAShortMessage() {
    WindowFixture f;
    LoadLog(f, "[\"1\",\"Clan\",\"Bob\",1\x1b" + std::string(1'000'000, '7') + "]x\n");
    QCOMPARE(f.messages.shown, QStringList("'1?" + QString(78, '7') + QChar(0x2026) +
                                           "' ist kein gültiger Integerwert."));
  }

  void BadTimeStampLeavesThePartialLoad() {
    WindowFixture f;
    LoadLog(f, kThreeLineLog);
    LoadLog(f, "[\"1\",\"Clan\",\"Bob\",1104635045]ok\n[\"1\",\"Clan\",\"Bob\",12x]bad\n");
    QCOMPARE(f.messages.shown, QStringList("'12x' ist kein gültiger Integerwert."));
    QCOMPARE(Find<LineView>(f, "memo_input")->model()->rowCount(), 1);
    QCOMPARE(Find<QListWidget>(f, "lb_person")->count(), 0);
    // The button stays disabled; the menu item keeps its state.
    QCOMPARE(CommandStates(f), QString("0100"));
  }

  void TemporaryCopyIsPrivate() {
    WindowFixture f;
    const QString cache = f.Path("cache");
    QDir().mkpath(cache);
    // A link planted at the copy's name is replaced, never written through.
    WriteBytes(f.Path("victim.txt"), "untouched");
    QVERIFY(::symlink(QFile::encodeName(f.Path("victim.txt")).constData(),
                      QFile::encodeName(cache + "/log.txt").constData()) == 0);
    LoadLog(f, kThreeLineLog);
    QCOMPARE(f.messages.shown, QStringList());
    QCOMPARE(ReadBytes(f.Path("victim.txt")), std::string("untouched"));
    struct stat info;
    QCOMPARE(::lstat(QFile::encodeName(cache + "/log.txt").constData(), &info), 0);
    QVERIFY(S_ISREG(info.st_mode));
    QCOMPARE(info.st_mode & 0777, 0600u);
    QCOMPARE(ReadBytes(cache + "/log.txt"), std::string(kThreeLineLog));
    QCOMPARE(::stat(QFile::encodeName(cache).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0700u);
  }

  void CopiesBelongToTheirLoad() {
    WindowFixture f;
    const QString cache = f.Path("cache");
    QDir().mkpath(cache);
    // A killed load's copy goes; a live load's copy (locked) stays; the
    // load does not read back through the fixed name, here taken.
    WriteBytes(cache + "/log.txt.Stale1", "stale");
    WriteBytes(cache + "/log.txt.Held12", "held");
    const int held = ::open(QFile::encodeName(cache + "/log.txt.Held12").constData(), O_RDONLY);
    QCOMPARE(::flock(held, LOCK_EX), 0);
    QVERIFY(QDir().mkpath(cache + "/log.txt/full"));
    LoadLog(f, kThreeLineLog);
    ::close(held);
    QCOMPARE(f.messages.shown, QStringList());
    QCOMPARE(Find<LineView>(f, "memo_input")->model()->rowCount(), 2);
    QCOMPARE(QDir(cache).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList({"log.txt", "log.txt.Held12"}));
  }

  void ForeignCacheFolderStopsTheLoad() {
    WindowFixture f;
    // A link to a shared folder: neither used nor made private.
    const QString shared = f.Path("shared");
    QDir().mkpath(shared);
    ::chmod(QFile::encodeName(shared).constData(), 0777);
    QCOMPARE(::symlink(QFile::encodeName(shared).constData(),
                       QFile::encodeName(f.Path("cache")).constData()),
             0);
    LoadLog(f, kThreeLineLog);
    QCOMPARE(f.messages.shown,
             QStringList("Der Zwischenspeicher " + f.Path("cache") +
                         " ist kein eigenes Verzeichnis des Benutzers; es wird nichts geladen."));
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(shared).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0777u);
    QCOMPARE(QDir(shared).entryList(QDir::Files), QStringList());
  }

  void WorkingCaptionsReachTheWindow() {
    WindowFixture f;
    QStringList titles;
    f.window->working_windows().set_observer([&titles](WorkingWindowQt& window) {
      titles << window.windowTitle();
      QObject::connect(&window, &QWidget::windowTitleChanged,
                       [&titles](const QString& title) { titles << title; });
    });
    LoadLog(f, kThreeLineLog);
    QCOMPARE(titles,
             QStringList({"Working", Caption("0 / 2"), Caption("1 / 2"), Caption("2 / 2")}));
  }

  void MenuOpensModalWindows() {
    WindowFixture f;
    const std::pair<const char*, const char*> items[] = {{"About1", "About"},
                                                         {"Options1", "Options"}};
    for (auto [name, title] : items) {
      QString seen;
      QTimer poll;
      QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
          seen = modal->windowTitle();
          modal->close();  // the close box: the Options window writes nothing
        }
      });
      poll.start(10);
      Action(f, name)->trigger();  // returns when the modal window has closed
      QCOMPARE(seen, QString(title));
    }
    QVERIFY(!QFile::exists(f.Path("config.cfg")));
  }

  void ExitClosesTheWindow() {
    WindowFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    Action(f, "Exit1")->trigger();
    QVERIFY(!f.window->isVisible());
  }

  // Closing asks only when the output was edited since the last save; the
  // answer decides, and a save that does not happen keeps the window open.
  void ClosingAsksBeforeDiscardingEdits() {
    using Answer = UnsavedEditsQuestion::Answer;
    const struct {
      const char* name;
      bool edit, save_first;
      Answer answer;
      const char* save_name;  // what the save dialog gives
      bool asked, closed;
    } cases[] = {
        {"not edited", false, false, Answer::kCancel, "", false, true},
        {"saved after editing", true, true, Answer::kCancel, "", false, true},
        {"cancel", true, false, Answer::kCancel, "", true, false},
        {"discard", true, false, Answer::kDiscard, "", true, true},
        {"save", true, false, Answer::kSave, "out.txt", true, true},
        {"save cancelled", true, false, Answer::kSave, "", true, false},
    };
    for (const auto& c : cases) {
      WindowFixture f;
      LoadLog(f, kOneLineLog);
      Action(f, "Convert1")->trigger();
      auto* pane = Find<OutputView>(f, "memo_output");
      if (c.edit) pane->InsertText("edited ");
      if (c.save_first) {
        f.dialogs.save_name = f.Path("first.txt");
        Action(f, "Save1")->trigger();
      }
      f.unsaved_edits.answer = c.answer;
      f.dialogs.save_name = *c.save_name ? f.Path(c.save_name) : QString();
      Action(f, "Exit1")->trigger();
      QVERIFY2(f.unsaved_edits.asked == (c.asked ? 1 : 0), c.name);
      QVERIFY2(f.window->isVisible() != c.closed, c.name);
      if (*c.save_name) QVERIFY(ReadBytes(f.Path(c.save_name)).starts_with("edited "));
    }
  }

  // Every command that replaces the output asks as closing does; Cancel
  // keeps the edits, Discard lets the command go on.
  void ReplacingTheOutputAsksBeforeDiscardingEdits() {
    using Answer = UnsavedEditsQuestion::Answer;
    const std::pair<const char*, std::function<void(WindowFixture&)>> commands[] = {
        {"Load", [this](WindowFixture& f) { Action(f, "Load1")->trigger(); }},
        {"Load button", [this](WindowFixture& f) { Find<QPushButton>(f, "tb_load")->click(); }},
        {"drop",
         [](WindowFixture& f) {
           QMimeData mime;
           mime.setUrls({QUrl::fromLocalFile(f.Path("other.log"))});
           QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, {});
           QApplication::sendEvent(f.window.get(), &enter);
           QDropEvent drop(QPoint(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, {});
           QApplication::sendEvent(f.window.get(), &drop);
           QCoreApplication::sendPostedEvents();
         }},
        {"recent log",
         [this](WindowFixture& f) {
           auto* menu = Find<QMenu>(f, "RecentLogs1");
           emit menu->aboutToShow();
           menu->actions().first()->trigger();
         }},
        {"Convert", [this](WindowFixture& f) { Action(f, "Convert1")->trigger(); }},
        {"Convert scene",
         [this](WindowFixture& f) {
           Find<LineView>(f, "memo_input")->SetSceneStart(0);
           Action(f, "ConvertScene1")->trigger();
         }},
    };
    for (const auto& [name, run] : commands) {
      for (Answer answer : {Answer::kCancel, Answer::kDiscard}) {
        WindowFixture f;
        WriteBytes(f.Path("other.log"), kThreeLineLog);
        LoadLog(f, kOneLineLog);
        Action(f, "Convert1")->trigger();
        Find<OutputView>(f, "memo_output")->InsertText("edited ");
        f.unsaved_edits.answer = answer;
        f.dialogs.open_name = f.Path("other.log");
        run(f);
        QVERIFY2(f.unsaved_edits.asked == 1, name);
        QVERIFY2(f.unsaved_edits.moments.back() == UnsavedEditsQuestion::Moment::kReplacing, name);
        const bool kept = Find<OutputView>(f, "memo_output")->PlainText().startsWith("edited ");
        QVERIFY2(kept == (answer == Answer::kCancel), name);
        QCOMPARE(f.messages.shown, QStringList());
      }
    }
  }
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::MainWindowLoadTest)
#include "main_window_load_test.moc"
