// The main window driven through its real widgets: captions and initial
// states, the coupling of the option controls, the command states, the
// menus and the language of its windows.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTranslator>
#include <QTreeWidget>

#include "app/dialogs.h"
#include "app/find_bar.h"
#include "app/go_to_time_bar.h"
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

class MainWindowTest : public MainWindowTestBase {
  Q_OBJECT

 private slots:
  // The archive of the loaded lines in the folder chosen; a folder with
  // files of others only when the user agrees, theirs kept.
  void ExportArchiveWritesTheFolderAndOffersTheIndex() {
    const struct {
      const char* foreign;  // a file of others in the folder, or nullptr
      bool agree;
      bool written;
    } cases[] = {{nullptr, false, true}, {"notes.txt", false, false}, {"notes.txt", true, true}};
    for (const auto& c : cases) {
      WindowFixture f;
      QVERIFY(!Action(f, "ExportArchive1")->isEnabled());
      LoadLog(f, kThreeLineLog);
      QDir(f.dir.path()).mkdir("archive");
      if (c.foreign) WriteBytes(f.Path("archive/") + c.foreign, "mine");
      f.archive.folder = f.Path("archive");
      f.archive.write_among_foreign = c.agree;
      Action(f, "ExportArchive1")->trigger();
      QCOMPARE(f.archive.asked.size(), (c.foreign ? 1 : 0) + (c.written ? 1 : 0));
      QStringList files = QDir(f.Path("archive")).entryList(QDir::Files);
      if (c.foreign) QVERIFY(files.removeOne(c.foreign));
      QCOMPARE(files, c.written
                          ? QStringList({"2005-01-02_03-04-05.html", "2005-01-03_03-04-05.html",
                                         "index.html", "persons.html"})
                          : QStringList());
      QCOMPARE(f.archive.opened,
               c.written ? QStringList({f.Path("archive/index.html")}) : QStringList());
      if (c.written) {
        QCOMPARE(f.window->StatusText(),
                 QString("Archive of 2 scenes \u00b7 4 files written \u00b7 0 pages removed"));
      }
      QVERIFY(f.messages.shown.isEmpty());
    }
  }

  void CaptionsAndInitialStates() {
    WindowFixture f;
    QCOMPARE(GetExeVersion(), std::string(QUORLIX_VERSION_TEXT));
    QCOMPARE(f.window->windowTitle(), QString("Quorlix Version " QUORLIX_VERSION_TEXT));

    // The "&" marks each button's access key (Alt+L, Alt+C, Alt+S).
    const std::pair<const char*, const char*> buttons[] = {
        {"tb_load", "&Load"}, {"bt_convert", "&Convert"}, {"bt_save", "&Save"}};
    for (auto [name, text] : buttons) QCOMPARE(Find<QPushButton>(f, name)->text(), QString(text));
    QVERIFY(Enabled(f, "tb_load"));

    const std::pair<const char*, const char*> boxes[] = {
        {"cb_filter_person", "Filter Pers&ons"},
        {"cb_filter_channel", "Filter C&hannel"},
        {"cb_filter_time", "Filte&r Time"},
        {"check_channel", "Sho&w Channelname"},
        {"check_channel_color", "&Use Colors for Channels"},
        {"check_showtime", "Show Ti&me"},
        {"check_marklink", "Mar&k Removed Links"},
        {"CheckBox_delete_tags", "&Delete all Tags in Chatlines"}};
    for (auto [name, text] : boxes) {
      auto* box = Find<QCheckBox>(f, name);
      QCOMPARE(box->text(), QString(text));
      QVERIFY2(!box->isChecked() && box->isEnabled(), name);
    }
    QCOMPARE(Find<QLabel>(f, "Label5")->text(), QString("Convert &to:"));
    QCOMPARE(Find<QLabel>(f, "Label5")->buddy(), Find<QComboBox>(f, "combo_code"));
    auto* combo = Find<QComboBox>(f, "combo_code");
    QCOMPARE(combo->count(), 4);
    QCOMPARE(combo->itemText(0), QString("UBB"));
    QCOMPARE(combo->itemText(1), QString("Html"));
    QCOMPARE(combo->itemText(2), QString("Markdown (Discord)"));
    QCOMPARE(combo->itemText(3), QString("Web page"));
    QCOMPARE(combo->currentIndex(), 0);
    QVERIFY(!combo->isEditable());

    for (const char* name : {"lb_person", "lb_channel", "TreeView_time"}) {
      auto* view = Find<QAbstractItemView>(f, name);
      QVERIFY2(!view->isEnabled(), name);
      QCOMPARE(view->palette().color(QPalette::Base), MainWindow::ScrollBarColor());
    }
    auto* pages = Find<QTabWidget>(f, "PageControl1");
    QCOMPARE(pages->tabText(0), QString("Input"));
    QCOMPARE(pages->tabText(1), QString("Ou&put"));  // behind, so with its access key
    QCOMPARE(pages->currentWidget(), Find<QWidget>(f, "TabSheet1"));
    QVERIFY(Find<OutputView>(f, "memo_output")->PlainText().isEmpty());
    QCOMPARE(Find<LineView>(f, "memo_input")->model()->rowCount(), 0);
    QCOMPARE(Find<QLabel>(f, "Image1")->pixmap().size(), QSize(497, 69));

    const std::tuple<const char*, const char*, const char*> actions[] = {
        {"Load1", "&Load", "Ctrl+O"},
        {"Convert1", "&Convert", "F5"},
        {"Save1", "&Save", "Ctrl+S"},
        {"Options1", "&Options", ""},
        {"Exit1", "E&xit", "Ctrl+Q"},
        {"About1", "&About", ""},
        {"ConvertScene1", "Convert sce&ne", "Ctrl+F5"},
        {"ExportArchive1", "Export &archive\u2026", ""},
        {"Find1", "&Find...", "Ctrl+F"},
        {"FindNext1", "Find &next", "F3"},
        {"FindPrevious1", "Find pre&vious", "Shift+F3"},
        {"GoToTime1", "&Go to time...", "Ctrl+G"}};
    for (auto [name, text, keys] : actions) {
      QCOMPARE(Action(f, name)->text(), QString(text));
      QCOMPARE(Action(f, name)->shortcut().toString(), QString(keys));
    }
    QCOMPARE(Find<QMenu>(f, "File1")->title(), QString("&File"));
    QCOMPARE(CommandStates(f), QString("0000"));
    for (const char* name : {"Load1", "Options1", "Exit1", "About1"})
      QVERIFY(Action(f, name)->isEnabled());
  }

  void FilterFollowsItsCheckBox_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("view");
    QTest::newRow("persons") << "cb_filter_person"
                             << "lb_person";
    QTest::newRow("channels") << "cb_filter_channel"
                              << "lb_channel";
    QTest::newRow("time") << "cb_filter_time"
                          << "TreeView_time";
  }
  void FilterFollowsItsCheckBox() {
    QFETCH(QString, box);
    QFETCH(QString, view);
    WindowFixture f;
    LoadLog(f, kThreeLineLog);
    auto* check = f.window->findChild<QCheckBox*>(box);
    auto* items = f.window->findChild<QAbstractItemView*>(view);
    items->selectionModel()->select(items->model()->index(0, 0), QItemSelectionModel::Select);

    Click(check);
    QVERIFY(check->isChecked());
    QVERIFY(items->isEnabled());
    QCOMPARE(items->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));

    Click(check);
    QVERIFY(!items->isEnabled());
    QCOMPARE(items->palette().color(QPalette::Base), MainWindow::ScrollBarColor());
    QCOMPARE(items->selectionModel()->selectedIndexes().size(), 1);

    Click(check);
    QVERIFY(items->isEnabled());
    QCOMPARE(items->selectionModel()->selectedIndexes().size(), 1);
  }

  // Access keys that clash among controls shown together (buttons, labels,
  // tab and menu bar titles), or within one menu, in English and in German;
  // the output's context menu says what the Edit menu says.
  // Controls on different pages of one tab widget are never shown together.
  // Every control shown has an access key of its own, in every combination
  // of the tabs in front, but for the pairs below: the letters of their
  // texts leave no other choice, and Alt+key then moves between the two.
  void AccessKeysAreUnique() {
    const QList<QStringList> shared_keys[] = {
        {{"&Input", "Prev&ious"},
         {"Post li&mit:", "Show Ti&me"},
         {"Go to ti&me (UTC):", "Show Ti&me"},
         {"&Time", "Convert &to:"}},
        {{"&Grenze:", "Zeit zei&gen"}, {"E&ingabe", "M&in. Zeilen:"}}};
    for (bool german : {false, true}) {
      if (german) InstallTranslators(*QCoreApplication::instance());
      const auto english = qScopeGuard([] {
        for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
          QCoreApplication::removeTranslator(translator);
          delete translator;
        }
      });
      WindowFixture f;
      f.window->findChild<FindBar*>()->show();
      f.window->findChild<GoToTimeBar*>()->show();
      const QList<QTabWidget*> tab_widgets = f.window->findChildren<QTabWidget*>();
      QCOMPARE(tab_widgets.size(), 2);
      for (int front = 0; front < tab_widgets[0]->count() * tab_widgets[1]->count(); ++front) {
        tab_widgets[0]->setCurrentIndex(front % tab_widgets[0]->count());
        tab_widgets[1]->setCurrentIndex(front / tab_widgets[0]->count());
        QStringList shown;
        for (QAbstractButton* button : f.window->findChildren<QAbstractButton*>()) {
          if (!button->isVisibleTo(f.window.get())) continue;
          // Tool buttons (All, None, the bars' arrows) go without.
          QVERIFY2(qobject_cast<QToolButton*>(button) != nullptr ||
                       !QKeySequence::mnemonic(button->text()).isEmpty(),
                   qPrintable(button->text()));
          shown << button->text();
        }
        for (QLabel* label : f.window->findChildren<QLabel*>()) {
          if (label->buddy() == nullptr || !label->isVisibleTo(f.window.get())) continue;
          QVERIFY2(!QKeySequence::mnemonic(label->text()).isEmpty(), qPrintable(label->text()));
          shown << label->text();
        }
        for (const QTabWidget* tabs : tab_widgets) {
          for (int i = 0; i < tabs->count(); ++i) {
            QCOMPARE(QKeySequence::mnemonic(tabs->tabText(i)).isEmpty(), i == tabs->currentIndex());
            if (i != tabs->currentIndex()) shown << tabs->tabText(i);
          }
        }
        for (QAction* menu : f.window->menuBar()->actions()) shown << menu->text();
        for (qsizetype i = 0; i < shown.size(); ++i) {
          const QKeySequence key = QKeySequence::mnemonic(shown[i]);
          for (qsizetype j = i + 1; j < shown.size() && !key.isEmpty(); ++j) {
            QStringList pair{shown[i], shown[j]};
            pair.sort();
            QVERIFY2(QKeySequence::mnemonic(shown[j]) != key || shared_keys[german].contains(pair),
                     qPrintable(pair.join(" / ")));
          }
        }
      }
      for (QMenu* menu : f.window->menuBar()->findChildren<QMenu*>()) {
        QList<QKeySequence> keys;
        for (QAction* action : menu->actions()) {
          const QKeySequence key = QKeySequence::mnemonic(action->text());
          QVERIFY2(key.isEmpty() || !keys.contains(key), qPrintable(action->text()));
          keys << key;
        }
      }
      // The output's context menu names its commands as the Edit menu does.
      QMap<QString, QString> edit;
      for (QAction* action : Find<QMenu>(f, "Edit1")->actions()) {
        if (!action->shortcut().isEmpty()) edit[action->shortcut().toString()] = action->text();
      }
      const std::unique_ptr<QMenu> context(Find<OutputView>(f, "memo_output")->CreateContextMenu());
      for (QAction* action : context->actions()) {
        const QString key = action->shortcut().toString();
        if (edit.contains(key)) QCOMPARE(action->text(), edit[key]);
      }
    }
  }

  // The clipboard entries act on the page in front; the Input page is
  // read-only.
  void EditMenuActsOnThePageInFront() {
    WindowFixture f;
    LoadLog(f, kThreeLineLog);
    auto* menu = Find<QMenu>(f, "Edit1");
    auto* pages = Find<QTabWidget>(f, "PageControl1");
    QClipboard* clipboard = QApplication::clipboard();
    const auto states = [&] {
      emit menu->aboutToShow();
      QString s;
      for (const char* name :
           {"Undo1", "Redo1", "Cut1", "Copy1", "Paste1", "SelectAll1", "CopyPart1"}) {
        s += Action(f, name)->isEnabled() ? '1' : '0';
      }
      return s;
    };
    // As the user does: the menu opens (its states set), then an entry.
    const auto run = [&](const char* name) {
      emit menu->aboutToShow();
      Action(f, name)->trigger();
    };
    clipboard->setText("pasted ");
    QCOMPARE(states(), QString("0000010"));
    run("SelectAll1");
    QCOMPARE(states(), QString("0001010"));
    run("Copy1");
    QVERIFY2(clipboard->text().contains("no header here") == false &&
                 clipboard->text().split('\n').size() == 2,
             qPrintable(clipboard->text()));

    Action(f, "Convert1")->trigger();
    auto* pane = Find<OutputView>(f, "memo_output");
    const QString converted = pane->PlainText();
    QCOMPARE(states(), QString("0000111"));
    run("SelectAll1");
    run("Copy1");
    QCOMPARE(clipboard->text(), converted);
    run("Cut1");
    QCOMPARE(pane->PlainText(), QString());
    QCOMPARE(states(), QString("1000111"));
    run("Undo1");
    QCOMPARE(pane->PlainText(), converted);
    run("Redo1");
    run("Paste1");
    QCOMPARE(pane->PlainText(), converted);

    pages->setCurrentWidget(Find<QWidget>(f, "TabSheet3"));
    QCOMPARE(states(), QString("0000011"));
    clipboard->clear();
    run("SelectAll1");
    run("Copy1");
    QVERIFY(clipboard->text().contains("Ann: three"));
  }

  void ShowChannelnameCouplesColors() {
    WindowFixture f;
    auto* channel = Find<QCheckBox>(f, "check_channel");
    auto* colors = Find<QCheckBox>(f, "check_channel_color");
    // At start the colours can be ticked without the channel name.
    Click(colors);
    QVERIFY(colors->isChecked());

    Click(channel);  // ticked
    QVERIFY(colors->isEnabled() && colors->isChecked());
    Click(channel);  // unticked
    QVERIFY(!colors->isChecked());
    QVERIFY(!colors->isEnabled());
    Click(channel);  // ticked again
    QVERIFY(colors->isEnabled());
    QVERIFY(!colors->isChecked());
  }

  void DialectChoiceKeepsMarkLinkEnabled() {
    WindowFixture f;
    auto* combo = Find<QComboBox>(f, "combo_code");
    auto* marklink = Find<QCheckBox>(f, "check_marklink");
    for (int index : {1, 2, 3, 0}) {
      marklink->setEnabled(false);
      combo->setCurrentIndex(index);  // not the user's choice: no change event
      QVERIFY(!marklink->isEnabled());
      emit combo->activated(index);
      QVERIFY(marklink->isEnabled());
    }
  }

  void CommandStatesFollowTheWork() {
    WindowFixture f;
    LoadLog(f, kThreeLineLog);
    QCOMPARE(CommandStates(f), QString("1100"));
    QCOMPARE(ShownPage(f), QString("Input"));
    QCOMPARE(Find<LineView>(f, "memo_input")->model()->rowCount(), 2);

    Find<QPushButton>(f, "bt_convert")->click();
    QCOMPARE(CommandStates(f), QString("1111"));
    QCOMPARE(ShownPage(f), QString("Ouput"));
    const QString output = Find<OutputView>(f, "memo_output")->PlainText();
    QVERIFY(!output.isEmpty());

    // Cancelled dialogs change nothing, the page shown included.
    f.dialogs.open_name.clear();
    Action(f, "Load1")->trigger();
    f.dialogs.save_name.clear();
    Action(f, "Save1")->trigger();
    QCOMPARE(CommandStates(f), QString("1111"));
    QCOMPARE(ShownPage(f), QString("Ouput"));
    QCOMPARE(Find<OutputView>(f, "memo_output")->PlainText(), output);

    // A new load after a conversion disables Save again.
    LoadLog(f, kThreeLineLog);
    QCOMPARE(CommandStates(f), QString("1100"));
    QCOMPARE(ShownPage(f), QString("Input"));
    QVERIFY(Find<OutputView>(f, "memo_output")->PlainText().isEmpty());
    QVERIFY(f.messages.shown.isEmpty());
  }

  // With the translators of the messages' language (German here) the
  // windows speak it too; names from the log stay as they are.
  void WindowsSpeakTheLanguageOfTheMessages() {
    InstallTranslators(*QCoreApplication::instance());
    // The other tests see the English windows, even after a failure here.
    const auto english = qScopeGuard([] {
      for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
      }
    });
    WindowFixture f;
    LoadLog(f, kThreeLineLog);
    QCOMPARE(Find<QPushButton>(f, "tb_load")->text(), QString("&Laden"));
    QCOMPARE(Action(f, "Options1")->text(), QString("&Optionen"));
    QCOMPARE(ShownPage(f), QString("Eingabe"));
    QCOMPARE(Find<QLineEdit>(f, "go_to_time_text")->placeholderText(), QString("JJJJ-MM-TT HH:MM"));
    QCOMPARE(Find<QListWidget>(f, "lb_channel")->item(0)->text(), QString("Clan"));
    QCOMPARE(f.window->windowTitle(), QString("Quorlix Version 0.9.8.1010"));
    QCOMPARE(f.window->StatusText(),
             QString("2 Zeilen · 2 Personen · 2 Kanäle · 2005-01-02 – 2005-01-03"));
    QCOMPARE(GroupedNumber(2400477), QString("2.400.477"));
  }

  void LoadShowsListsAndTree() {
    WindowFixture f;
    LoadLog(f, kThreeLineLog);
    auto* persons = Find<QListWidget>(f, "lb_person");
    QCOMPARE(persons->count(), 2);
    QCOMPARE(persons->item(0)->text(), QString("Ann"));
    QCOMPARE(persons->item(1)->text(), QString("Bob"));
    QCOMPARE(Find<QListWidget>(f, "lb_channel")->count(), 2);
    auto* tree = Find<QTreeWidget>(f, "TreeView_time");
    QCOMPARE(tree->topLevelItemCount(), 1);
    QCOMPARE(tree->topLevelItem(0)->text(0), QString("Rubi-Ka Standart Time"));
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QString("2005"));
    // The root's text is never cut, however narrow the tree.
    tree->resize(60, tree->height());
    QVERIFY(tree->header()->sectionSize(0) >
            tree->fontMetrics().horizontalAdvance(tree->topLevelItem(0)->text(0)));
  }
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::MainWindowTest)
#include "main_window_test.moc"
