// Getting a log in without the Load dialog (drop, command line, recent
// logs), the folder the dialogs start in, and what the window shows of a
// loaded log: the status bar, the time tree's counts, the list filters.
#include "app/log_opening.h"

#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "tests/app/test_support.h"

namespace quorlix::testing {
namespace {

constexpr std::string_view kLog =
    "[\"1\",\"Clan\",\"Bob\",1104635045]one\n"
    "[\"2\",\"OOC\",\"Ann\",1104721445]two\n"
    "[\"2\",\"OOC\",\"Annika\",1104721446]three\n";

}  // namespace

class LogOpeningTest : public QObject {
  Q_OBJECT

 private:
  void Drop(WindowFixture& f, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at(300, 300);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(f.window.get(), &enter);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(f.window.get(), &drop);
    QCoreApplication::sendPostedEvents();  // the load follows the drop
  }
  int InputRows(WindowFixture& f) {
    return Find<QAbstractItemView>(f, "memo_input")->model()->rowCount();
  }

 private slots:
  // Each drop on a window holding the three-line log: what it says, and
  // whether the new log came in.
  void DropsLoadReadableFiles() {
    WindowFixture f;
    WriteBytes(f.Path("chat.log"), kLog);
    WriteBytes(f.Path("one.log"), "[\"1\",\"Clan\",\"Bob\",1104635045]x\n");
    WriteBytes(f.Path("locked.log"), "x\n");
    ::chmod(QFile::encodeName(f.Path("locked.log")).constData(), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(f.Path("fifo")).constData(), 0600), 0);
    const bool root = ::geteuid() == 0;  // root reads any file
    f.window->LoadFile(f.Path("chat.log"));
    QCOMPARE(InputRows(f), 3);
    const auto local = [&](const char* name) { return QUrl::fromLocalFile(f.Path(name)); };
    const struct {
      QList<QUrl> urls;
      const char* message;  // part of the error box's text; "" for a load
      int rows;             // input lines afterwards
    } cases[] = {
        {{QUrl("https://example.org/chat.log")}, "keine Datei auf diesem Rechner", 3},
        {{QUrl::fromLocalFile(f.dir.path())}, "ist ein Ordner", 3},
        // Refused before it is opened: opening would wait for a writer.
        {{local("fifo")}, "keine regul\xc3\xa4re Datei", 3},
        {{QUrl::fromLocalFile("/dev/null")}, "keine regul\xc3\xa4re Datei", 3},
        {{local("missing.log")},
         "kann nicht ge\xc3\xb6"
         "ffnet werden",
         3},
        {{local("locked.log")},
         root ? ""
              : "kann nicht ge\xc3\xb6"
                "ffnet werden",
         root ? 0 : 3},
        {{local("one.log")}, "", 1},
        // Several files load merged; one that cannot be loaded loads none.
        {{local("chat.log"), local("fifo")}, "keine regul\xc3\xa4re Datei", 1},
        {{local("chat.log"), local("one.log")}, "", 4},
    };
    for (const auto& c : cases) {
      f.messages.shown.clear();
      Drop(f, c.urls);
      QCOMPARE(InputRows(f), c.rows);
      if (*c.message == '\0') {
        QCOMPARE(f.messages.shown, QStringList());
      } else {
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY2(f.messages.shown[0].contains(QString::fromUtf8(c.message)),
                 qPrintable(f.messages.shown[0]));
      }
    }
  }

  void AMissingLogLoadsNothing() {
    // As Load would: a missing file ends in the error box, nothing loaded.
    WindowFixture f;
    f.window->LoadFile(f.Path("missing.log"));
    QCOMPARE(f.messages.shown.size(), 1);
    QVERIFY(f.messages.shown[0].contains("missing.log"));
    QVERIFY(!Find<QAction>(f, "Convert1")->isEnabled());
  }

  // The last eight logs, newest first; a file gone is shown disabled. The
  // dialogs start in the folder last used, Save with the log's name.
  void RecentLogsAndFolders() {
    WindowFixture f;
    QDir(f.dir.path()).mkdir("logs");
    QStringList paths;
    for (int i = 0; i < 10; ++i) {
      paths << f.Path(QStringLiteral("logs/log%1.log").arg(i));
      WriteBytes(paths.last(), kLog);
      f.dialogs.open_name = paths.last();
      Find<QAction>(f, "Load1")->trigger();
    }
    QCOMPARE(f.dialogs.open_folder, f.Path("logs"));
    QFile::remove(paths[8]);
    auto* menu = Find<QMenu>(f, "RecentLogs1");
    emit menu->aboutToShow();
    const QList<QAction*> entries = menu->actions();
    QCOMPARE(entries.size(), 8);
    QCOMPARE(entries[0]->text(), "&1 " + paths[9]);
    QVERIFY(entries[0]->isEnabled());
    QCOMPARE(entries[1]->text(), "&2 " + paths[8]);
    QVERIFY(!entries[1]->isEnabled());
    QCOMPARE(entries[7]->text(), "&8 " + paths[2]);

    entries[7]->trigger();  // loads log2 again
    QCOMPARE(f.messages.shown, QStringList());
    Find<QAction>(f, "Convert1")->trigger();
    f.dialogs.save_name = f.Path("out.txt");
    Find<QAction>(f, "Save1")->trigger();
    QCOMPARE(f.dialogs.save_suggestion, f.Path("logs/log2.txt"));
    f.dialogs.open_name.clear();
    Find<QAction>(f, "Load1")->trigger();
    QCOMPARE(f.dialogs.open_folder, f.dir.path());  // where Save went

    // The next run reads the same settings.
    RecentLogs recent(f.Path("quorlix.ini"));
    QCOMPARE(recent.Logs().first(), paths[2]);
    QCOMPARE(recent.LastFolder(), f.dir.path());
  }

  void StatusBarAndTreeCounts() {
    WindowFixture f;
    WriteBytes(f.Path("chat.log"), kLog);
    f.window->LoadFile(f.Path("chat.log"));
    QCOMPARE(f.window->StatusText(),
             QString::fromUtf8("3 lines \xc2\xb7 3 persons \xc2\xb7 2 channels \xc2\xb7 "
                               "2005-01-02 \xe2\x80\x93 2005-01-03"));
    auto* root = Find<QTreeWidget>(f, "TreeView_time")->topLevelItem(0);
    QCOMPARE(root->text(1), QString("3"));
    QTreeWidgetItem* january = root->child(0)->child(0);
    QCOMPARE(january->text(1), QString("3"));
    QCOMPARE(january->child(0)->text(0) + "=" + january->child(0)->text(1), QString("2=1"));
    QCOMPARE(january->child(1)->text(0) + "=" + january->child(1)->text(1), QString("3=2"));
    Find<QAction>(f, "Convert1")->trigger();
    QCOMPARE(f.window->StatusText(), QString("3 lines converted"));
  }

  // Narrowing hides entries without changing the selection; All and None
  // act on the entries shown; the bar follows the list's enabled state.
  void ListFilterKeepsTheSelection() {
    WindowFixture f;
    WriteBytes(f.Path("chat.log"), kLog);
    f.window->LoadFile(f.Path("chat.log"));
    auto* list = Find<QListWidget>(f, "lb_person");  // Ann, Annika, Bob
    auto* text = Find<QLineEdit>(f, "lb_person_filter");
    QVERIFY(!text->isEnabled());
    Find<QCheckBox>(f, "cb_filter_person")->click();
    QVERIFY(text->isEnabled());
    list->item(2)->setSelected(true);
    const auto state = [list] {
      QString s;
      for (int i = 0; i < list->count(); ++i) {
        s += list->item(i)->isHidden() ? '-' : list->item(i)->isSelected() ? 'S' : 'o';
      }
      return s;
    };
    text->setText("ANN");
    QCOMPARE(state(), QString("oo-"));
    Find<QToolButton>(f, "lb_person_all")->click();
    QCOMPARE(state(), QString("SS-"));
    text->clear();
    QCOMPARE(state(), QString("SSS"));
    text->setText("bob");
    Find<QToolButton>(f, "lb_person_none")->click();
    text->clear();
    QCOMPARE(state(), QString("SSo"));
  }

  // Two chat windows' logs load merged and convert as quorlix-cli converts
  // both; a line the game appends is offered, taken in with the person
  // selection kept, and converted; a log shortened is offered for a reload.
  void SeveralLogsLoadMergedAndTakeInWhatTheyGain() {
    WindowFixture f;
    const QString a = f.Path("team.log"), b = f.Path("clan.log");
    WriteBytes(a,
               "[\"1\",\"OOC\",\"Ann\",1104635040]hi\r\n[\"1\",\"OOC\",\"Bob\",1104635050]yo\r\n");
    WriteBytes(b, "[\"2\",\"Clan\",\"Bob\",1104635045]mid\n[\"1\",\"OOC\",\"Bob\",1104635050]yo\n");
    f.window->LoadFiles({a, b});
    QCOMPARE(InputRows(f), 3);
    QVERIFY2(f.window->StatusText().endsWith("2 logs merged, 1 duplicate line dropped"),
             qPrintable(f.window->StatusText()));
    QVERIFY(Find<QLabel>(f, "input_heading")->text().contains("team.log, clan.log"));
    QCOMPARE(RecentLogs(f.Path("quorlix.ini")).Logs().first(), a + "\n" + b);
    const auto convert_and_save = [&] {
      Find<QAction>(f, "Convert1")->trigger();
      f.dialogs.save_name = f.Path("out.txt");
      Find<QAction>(f, "Save1")->trigger();
      return ReadBytes(f.Path("out.txt"));
    };
    const auto cli = [&](const QStringList& logs) {
      QProcess process;
      process.start(QUORLIX_CLI_PATH,
                    QStringList{"--config", f.Path("config.cfg"), "-p", "bob"} + logs);
      process.waitForFinished();
      return process.readAllStandardOutput().toStdString();
    };
    Find<QCheckBox>(f, "cb_filter_person")->click();
    Find<QListWidget>(f, "lb_person")->item(1)->setSelected(true);  // Bob
    QCOMPARE(convert_and_save(), cli({a, b}));

    std::string grown =
        ReadBytes(b) + "[\"2\",\"Clan\",\"Bob\",1104635060]new\n[\"2\",\"Clan\",\"Bob\",11046";
    WriteBytes(b, grown);
    f.window->CheckLogs();
    auto* growth = Find<QLabel>(f, "growth_text");
    QCOMPARE(growth->text(), QString("1 new line"));  // the unfinished line waits
    Find<QPushButton>(f, "take_in")->click();
    QCOMPARE(InputRows(f), 4);
    QVERIFY(Find<QPushButton>(f, "take_in")->isHidden());
    QVERIFY(Find<QListWidget>(f, "lb_person")->item(1)->isSelected());
    QVERIFY(convert_and_save().find("Bob: new") != std::string::npos);
    WriteBytes(b, grown + "35070]last\n");
    f.window->CheckLogs();
    QCOMPARE(growth->text(), QString("1 new line"));
    Find<QPushButton>(f, "take_in")->click();
    QCOMPARE(InputRows(f), 5);

    WriteBytes(a, "[\"1\",\"OOC\",\"Ann\",1104635040]hi\r\n");
    f.window->CheckLogs();
    QVERIFY(growth->text().contains("replaced or shortened"));
    QVERIFY(Find<QPushButton>(f, "take_in")->isHidden());
    Find<QPushButton>(f, "reload_logs")->click();
    QCOMPARE(InputRows(f), 5);  // "yo" now in clan.log alone
    QVERIFY(f.window->StatusText().endsWith("0 duplicate lines dropped"));
    QCOMPARE(f.messages.shown, QStringList());
  }

  // Add log merges one more log into those loaded, a file named again once.
  void AddLogMergesOneMore() {
    WindowFixture f;
    WriteBytes(f.Path("chat.log"), kLog);
    WriteBytes(f.Path("one.log"),
               "[\"1\",\"Clan\",\"Bob\",1104635045]one\n[\"1\",\"Clan\",\"Al\",1104635046]x\n");
    QVERIFY(!Find<QAction>(f, "AddLog1")->isEnabled());
    f.window->LoadFile(f.Path("chat.log"));
    f.dialogs.open_name = f.Path("one.log");
    Find<QAction>(f, "AddLog1")->trigger();
    QCOMPARE(InputRows(f), 4);
    f.dialogs.open_name = f.Path("chat.log");
    Find<QAction>(f, "AddLog1")->trigger();
    QCOMPARE(InputRows(f), 4);
    QVERIFY(Find<QLabel>(f, "input_heading")->text().contains("chat.log was named twice"));
  }

  void LayoutStartsAtTheOldWidthWithinTheScreen() {
    WindowFixture f;
    QCOMPARE(Find<QSplitter>(f, "Splitter1")->sizes().first(), 413);
    const QSize available = f.window->screen()->availableGeometry().size();
    QVERIFY(f.window->width() <= available.width() && f.window->height() <= available.height());
  }
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::LogOpeningTest)
#include "log_opening_test.moc"
