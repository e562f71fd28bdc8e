// The main window driven through its real widgets: captions and initial
// states, the coupling of the option controls, the command states, and
// Load -> Convert -> Save through the dialog seam.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <tuple>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>

#include "app/dialogs.h"
#include "app/line_view.h"
#include "app/main_window.h"
#include "app/output_saving.h"
#include "app/output_view.h"
#include "app/translations.h"
#include "config/config_file.h"
#include "config/engine_settings.h"
#include "core/convert/converter.h"
#include "core/log/loader.h"
#include "core/text/version.h"
#include "tests/app/test_support.h"
#include "tests/support/output_lines.h"
#include "version_info.h"

namespace quorlix::testing {
namespace {

// The road of one line: accepted, converted with the channel name, and
// saved with the footer, every line ending in CR LF. A Latin-1 byte
// (0xFC) must come back as the same single byte.
constexpr std::string_view kOneLineLog =
    "[\"1\",\"Clan\",\"Bob\",1104635045]Hi <font color=#ff0000>red</font> gr\xfc\xdf\n";
constexpr std::string_view kOneLineSaved =
    "[b][Clan][/b] Bob: Hi [color=#ff0000]red[/color] gr\xfc\xdf\r\n"
    "\r\n"
    "Created using [url=\"https://quorlix.example.org/\"]The Quorlix[/url]\r\n";

// Three lines, the second without a header.
constexpr std::string_view kThreeLineLog =
    "[\"1\",\"Clan\",\"Bob\",1104635045]one\n"
    "no header here\n"
    "[\"2\",\"OOC\",\"Ann\",1104721445]three\n";

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  // A click on the box itself: the widget may be wider than box and text.
  static void Click(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  }
  QAction* Action(WindowFixture& f, const char* name) { return Find<QAction>(f, name); }
  bool Enabled(WindowFixture& f, const char* name) { return Find<QWidget>(f, name)->isEnabled(); }
  QString ShownPage(WindowFixture& f) {
    auto* pages = Find<QTabWidget>(f, "PageControl1");
    return pages->tabText(pages->currentIndex());
  }
  // Loads `bytes` as the file `name` through the open dialog.
  void LoadLog(WindowFixture& f, std::string_view bytes, const QString& name = "chat.log") {
    WriteBytes(f.Path(name), bytes);
    f.dialogs.open_name = f.Path(name);
    Find<QPushButton>(f, "tb_load")->click();
  }
  // (bt_convert, Convert1, bt_save, Save1) enabled, as a string "1100".
  QString CommandStates(WindowFixture& f) {
    QString s;
    for (bool on : {Enabled(f, "bt_convert"), Action(f, "Convert1")->isEnabled(),
                    Enabled(f, "bt_save"), Action(f, "Save1")->isEnabled()}) {
      s += on ? '1' : '0';
    }
    return s;
  }

 private slots:
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
        {"cb_filter_time", "Filter &Time"},
        {"check_channel", "Sho&w Channelname"},
        {"check_channel_color", "&Use Colors for Channels"},
        {"check_showtime", "Show Time"},
        {"check_marklink", "Mar&k Removed Links"},
        {"CheckBox_delete_tags", "&Delete all Tags in Chatlines"}};
    for (auto [name, text] : boxes) {
      auto* box = Find<QCheckBox>(f, name);
      QCOMPARE(box->text(), QString(text));
      QVERIFY2(!box->isChecked() && box->isEnabled(), name);
    }
    QCOMPARE(Find<QLabel>(f, "Label5")->text(), QString("Co&nvert to:"));
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
    QCOMPARE(pages->tabText(1), QString("Ouput"));
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

  // Access keys that clash in the window (buttons, labels, the menu bar)
  // or within one menu, in English and in German.
  void AccessKeysAreUnique() {
    for (bool german : {false, true}) {
      if (german) InstallTranslators(*QCoreApplication::instance());
      const auto english = qScopeGuard([] {
        for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
          QCoreApplication::removeTranslator(translator);
          delete translator;
        }
      });
      WindowFixture f;
      const auto clashes = [](const QStringList& texts) {
        QMap<QString, QStringList> by_key;
        for (const QString& text : texts) {
          const QKeySequence key = QKeySequence::mnemonic(text);
          if (!key.isEmpty()) by_key[key.toString()] << text;
        }
        QStringList found;
        for (const QStringList& same : by_key) {
          if (same.size() > 1) found << same.join(" / ");
        }
        return found;
      };
      QStringList window;
      for (QAbstractButton* button : f.window->findChildren<QAbstractButton*>()) {
        window << button->text();
      }
      for (QLabel* label : f.window->findChildren<QLabel*>()) {
        if (label->buddy() != nullptr) window << label->text();
      }
      for (QAction* menu : f.window->menuBar()->actions()) window << menu->text();
      QCOMPARE(clashes(window), QStringList());
      for (QMenu* menu : f.window->menuBar()->findChildren<QMenu*>()) {
        QStringList entries;
        for (QAction* action : menu->actions()) entries << action->text();
        QCOMPARE(clashes(entries), QStringList());
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

  void LoadConvertSaveByteForByte() {
    WindowFixture f;
    LoadLog(f, kOneLineLog);
    Click(Find<QCheckBox>(f, "check_channel"));
    Find<QPushButton>(f, "bt_convert")->click();
    f.dialogs.save_name = f.Path("out.txt");
    Find<QPushButton>(f, "bt_save")->click();
    QCOMPARE(f.messages.shown, QStringList());
    QCOMPARE(ReadBytes(f.Path("out.txt")), std::string(kOneLineSaved));
    QCOMPARE(CommandStates(f), QString("1111"));
  }

  void SampleLogSavesTheEngineOutput() {
    const QString sample = QStringLiteral(QUORLIX_EXAMPLES_DIR "/sample.log");
    if (!QFile::exists(sample)) QSKIP("examples/sample.log is missing");
    WindowFixture f;
    // The same conversion without the window, as the reference.
    ChatState state;
    state.ReplaceRawLines(LineStore::ReadFile(QFile::encodeName(sample).toStdString()));
    SilentWorkingWindowFactory silent;
    const ConfigFile config(QFile::encodeName(f.Path("config.cfg")).toStdString());
    RunLoadPass(state, ReadLoadSettings(config), silent);
    const ConvertOptions options{.dialect = Dialect::kHtml, .show_time = true};
    std::vector<std::string> lines;
    test::OutputLines out(lines);
    ConvertIntoSink(state, options, ReadConvertSettings(config, options), out, silent);
    std::string expected;
    for (const std::string& line : lines) expected += line + "\r\n";

    f.dialogs.open_name = sample;
    Action(f, "Load1")->trigger();
    Find<QComboBox>(f, "combo_code")->setCurrentIndex(static_cast<int>(Dialect::kHtml));
    Click(Find<QCheckBox>(f, "check_showtime"));
    Action(f, "Convert1")->trigger();
    f.dialogs.save_name = f.Path("sample.txt");
    Action(f, "Save1")->trigger();
    QCOMPARE(f.messages.shown, QStringList());
    const std::string saved = ReadBytes(f.Path("sample.txt"));
    if (saved != expected) qWarning("saved:\n%s\nexpected:\n%s", saved.c_str(), expected.c_str());
    QCOMPARE(saved, expected);
  }

  // Each filter with its first entry selected (for the tree, the last
  // day) converts only the lines it lets through.
  void FiltersReachTheConversion_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("line");
    QTest::newRow("persons") << "cb_filter_person"
                             << "lb_person"
                             << "Ann: three";
    QTest::newRow("channels") << "cb_filter_channel"
                              << "lb_channel"
                              << "Bob: one";
    QTest::newRow("time") << "cb_filter_time"
                          << "TreeView_time"
                          << "Ann: three";
  }

  void FiltersReachTheConversion() {
    QFETCH(QString, filter);
    QFETCH(QString, view);
    QFETCH(QString, line);
    WindowFixture f;
    LoadLog(f, kThreeLineLog);
    Click(Find<QCheckBox>(f, filter.toLatin1().constData()));
    if (auto* list = f.window->findChild<QListWidget*>(view)) {
      list->item(0)->setSelected(true);
    } else {
      QTreeWidgetItem* item = Find<QTreeWidget>(f, "TreeView_time")->topLevelItem(0);
      while (item->childCount() > 0) item = item->child(item->childCount() - 1);
      item->setSelected(true);
    }
    Find<QPushButton>(f, "bt_convert")->click();
    const QStringList lines = Find<OutputView>(f, "memo_output")->PlainText().split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], line);
  }

  // Keys and the clipboard reach the output pane; undo takes the edits
  // back step by step, down to the converted bytes.
  void TypePasteUndoAndSave() {
    WindowFixture f;
    LoadLog(f, kOneLineLog);
    Click(Find<QCheckBox>(f, "check_channel"));
    Find<QPushButton>(f, "bt_convert")->click();
    auto* pane = Find<OutputView>(f, "memo_output");
    const auto save = [&](const char* name) {
      f.dialogs.save_name = f.Path(name);
      Find<QPushButton>(f, "bt_save")->click();
      return ReadBytes(f.Path(name));
    };
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, QPoint(1, 1));
    QTest::keyClicks(pane, "Hi");
    QTest::keyClick(pane, Qt::Key_Return);
    QApplication::clipboard()->setText(QString::fromUtf8("\xe2\x80\x9cq\xe2\x80\x9d\nz"));
    QTest::keySequence(pane, QKeySequence::Paste);
    QVERIFY(pane->IsEditedSinceSave());
    QCOMPARE(save("edited.txt"), "Hi\r\n\x93q\x94\r\nz" + std::string(kOneLineSaved));
    QVERIFY(!pane->IsEditedSinceSave());
    for (int step = 0; step < 3; ++step) QTest::keySequence(pane, QKeySequence::Undo);
    QCOMPARE(save("undone.txt"), std::string(kOneLineSaved));
    QTest::keySequence(pane, QKeySequence::Redo);
    QCOMPARE(pane->PlainText().left(3), QString("Hi["));
    QCOMPARE(f.messages.shown, QStringList());
  }

  void SaveWritesTheEditedPane() {
    WindowFixture f;
    LoadLog(f, kOneLineLog);
    Find<QPushButton>(f, "bt_convert")->click();
    auto* pane = Find<OutputView>(f, "memo_output");
    // Latin-1 characters typed in the pane (no-break space included, which
    // a plain-text export would turn into a space) are written as one byte.
    pane->SelectAll();
    pane->InsertText(QString::fromUtf8("first\nsecond \xc2\xa0\xc3\xa9"));
    f.dialogs.save_name = f.Path("edited.txt");
    Find<QPushButton>(f, "bt_save")->click();
    QCOMPARE(ReadBytes(f.Path("edited.txt")), std::string("first\r\nsecond \xa0\xe9\r\n"));
  }

  void SaveRefusesCharactersWithoutAByte() {
    WindowFixture f;
    LoadLog(f, kOneLineLog);
    Find<QPushButton>(f, "bt_convert")->click();
    WriteBytes(f.Path("kept.txt"), "old content");
    auto* pane = Find<OutputView>(f, "memo_output");
    pane->SelectAll();
    pane->InsertText(QString::fromUtf8("ok\nprice 5 \xe2\x84\xa2 \xf0\x9f\x99\x82"));
    f.dialogs.save_name = f.Path("kept.txt");
    Find<QPushButton>(f, "bt_save")->click();
    QCOMPARE(f.messages.shown.size(), 1);
    QVERIFY2(f.messages.shown[0].contains("Zeile 2") && f.messages.shown[0].contains("U+1F642"),
             qPrintable(f.messages.shown[0]));
    QCOMPARE(ReadBytes(f.Path("kept.txt")), std::string("old content"));
    QCOMPARE(CommandStates(f), QString("1111"));
  }

  void FailedSaveNamesTheFile() {
    WindowFixture f;
    LoadLog(f, kOneLineLog);
    Find<QPushButton>(f, "bt_convert")->click();
    f.dialogs.save_name = f.Path("missing-dir/out.txt");
    Find<QPushButton>(f, "bt_save")->click();
    QCOMPARE(f.messages.shown.size(), 1);
    QVERIFY2(f.messages.shown[0].contains("missing-dir/out.txt"), qPrintable(f.messages.shown[0]));
    QVERIFY(f.messages.shown[0].endsWith('.'));
    QCOMPARE(CommandStates(f), QString("1111"));
  }

  // Save checks its target as quorlix-cli's -o does: never the log itself
  // (by any name), and a FIFO or device is written into, not replaced.
  void SaveRefusesTheLogAndWritesIntoStreams() {
    WindowFixture f;
    LoadLog(f, kOneLineLog);
    Click(Find<QCheckBox>(f, "check_channel"));
    Find<QPushButton>(f, "bt_convert")->click();
    QVERIFY(QFile::link(f.Path("chat.log"), f.Path("link.log")));
    QVERIFY(::link(qPrintable(f.Path("chat.log")), qPrintable(f.Path("hard.log"))) == 0);
    for (const char* name : {"chat.log", "link.log", "hard.log"}) {
      f.messages.shown.clear();
      f.dialogs.save_name = f.Path(name);
      Find<QPushButton>(f, "bt_save")->click();
      QCOMPARE(f.messages.shown,
               QStringList(f.Path(name) + " ist die Eingabedatei " + f.Path("chat.log") +
                           " selbst und wird nicht überschrieben."));
      QCOMPARE(ReadBytes(f.Path("chat.log")), std::string(kOneLineLog));
    }
    f.messages.shown.clear();
    // A reader already waits, so the window's open does not block.
    QVERIFY(::mkfifo(qPrintable(f.Path("fifo")), 0600) == 0);
    const int reader = ::open(qPrintable(f.Path("fifo")), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    f.dialogs.save_name = f.Path("fifo");
    Find<QPushButton>(f, "bt_save")->click();
    QCOMPARE(f.messages.shown, QStringList());
    std::string got(4096, '\0');
    const ssize_t n = ::read(reader, got.data(), got.size());
    ::close(reader);
    QCOMPARE(got.substr(0, n > 0 ? n : 0), std::string(kOneLineSaved));
    QVERIFY(QFileInfo(f.Path("fifo")).exists() && !QFileInfo(f.Path("fifo")).isFile());
    f.dialogs.save_name = "/dev/null";
    Find<QPushButton>(f, "bt_save")->click();
    QCOMPARE(f.messages.shown, QStringList());
    QVERIFY(!QFileInfo("/dev/null").isFile());
    // The ".txt" the save dialog appends never makes a file beside a stream.
    WriteBytes(f.Path("plain"), "x");
    for (const auto& [selected, kept] : {std::pair{QString("/dev/null.txt"), QString("/dev/null")},
                                         {f.Path("fifo.txt"), f.Path("fifo")},
                                         {f.Path("plain.txt"), f.Path("plain.txt")},
                                         {f.Path("new.txt"), f.Path("new.txt")},
                                         {QString("/dev/null"), QString("/dev/null")}}) {
      QCOMPARE(WithoutSuffixAddedToStream(selected), kept);
    }
    QCOMPARE(WithoutSuffixAddedToStream("/dev/null.html", ".html"), QString("/dev/null"));
    // Save offers the kind of file the dialect makes, named after the log
    // and never the log itself.
    const std::tuple<Dialect, const char*, const char*, const char*> offers[] = {
        {Dialect::kUbb, "a/log.txt", "a/log.txt.txt", "Textfile (*.txt)"},
        {Dialect::kPage, "a/log.txt", "a/log.html", "Web page (*.html *.htm)"},
        {Dialect::kMarkdown, "a/chat.log", "a/chat.md", "Markdown (*.md)"}};
    for (const auto& [dialect, log, suggested, first_type] : offers) {
      const std::vector<SaveFileType> types = SaveFileTypesFor(dialect);
      QCOMPARE(types.front().filter, QString(first_type));
      QCOMPARE(SuggestedSavePath(f.Path(log), QString(), types.front().suffix), f.Path(suggested));
    }
  }

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

QTEST_MAIN(quorlix::testing::MainWindowTest)
#include "main_window_test.moc"
