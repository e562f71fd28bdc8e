// The Options window over a scratch config.cfg: what it shows when it
// opens, what "Close" writes after the user's edits, and that every other
// way of closing writes nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTranslator>

#include <sys/stat.h>

#include <functional>

#include "app/options_window.h"
#include "app/translations.h"
#include "config/config_file.h"
#include "tests/app/test_support.h"

namespace quorlix::testing {
namespace {

constexpr std::string_view kConfig =
    "[config]\n"
    "time_config=h:m\n"
    "timedisplay_depth=Minute\n"
    "disable_polbot=True\n"
    "[colordef]\n"
    "Clan=ff0000\n"
    "OOC=red\n"
    "[color_default]\n"
    "Clan=111111\n"
    "Trade=222222\n";

}  // namespace

class OptionsWindowTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    // `make`, when given, puts something other than a file at the path.
    explicit Fixture(std::string_view config = kConfig, const QString& name = "config.cfg",
                     const std::function<void(const QString&)>& make = {}) {
      path = dir.filePath(name);
      if (!config.empty()) WriteBytes(path, config);
      if (make) make(path);
      window = std::make_unique<OptionsWindow>(
          ConfigLocation{QFile::encodeName(path).toStdString(), ""}, picker, messages, nullptr);
      window->show();
      if (!QTest::qWaitForWindowExposed(window.get())) qFatal("options not exposed");
      grid = window->findChild<ColorGrid*>("ValueListEditor_color");
    }
    ConfigFile config() const { return ConfigFile(QFile::encodeName(path).toStdString()); }
    std::string Value(std::string_view section, std::string_view key) const {
      return config().ReadConfigValue(section, key, "<absent>");
    }
    QStringList Grid() const {
      QStringList rows;
      for (int r = 0; r < grid->rowCount(); ++r) {
        rows << grid->item(r, 0)->text() + "=" + grid->item(r, 1)->text();
      }
      return rows;
    }
    void Close() { window->findChild<QPushButton*>("Button1")->click(); }

    QTemporaryDir dir;
    QString path;
    FakeColorPicker picker;
    RecordingMessages messages;
    std::unique_ptr<OptionsWindow> window;
    ColorGrid* grid;
  };

  static std::vector<std::string> Section(const Fixture& f, std::string_view section) {
    return f.config().ReadConfigSection(section);
  }

 private slots:
  // The settings' depth words show in the windows' language (German in
  // the tests' environment); the setting itself stays the word.
  void DepthWordsShowTranslated() {
    InstallTranslators(*QCoreApplication::instance());
    const auto english = qScopeGuard([] {
      for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
      }
    });
    Fixture f("[config]\ntimedisplay_depth=Day\n");
    auto* depth = f.window->findChild<QComboBox*>("ComboBox_timedisplay_depth");
    QCOMPARE(depth->currentText(), QString("Tag"));
    QCOMPARE(depth->currentData().toString(), QString("Day"));
    QCOMPARE(depth->itemText(0), QString("Jahr"));
  }

  void OpeningShowsTheFile() {
    Fixture f;
    QCOMPARE(f.window->windowTitle(), QString("Options"));
    QCOMPARE(f.grid->horizontalHeaderItem(0)->text(), QString("Channel Name"));
    QCOMPARE(f.grid->horizontalHeaderItem(1)->text(), QString("Color"));
    QCOMPARE(f.Grid(), QStringList({"Clan=ff0000", "OOC=red"}));
    QCOMPARE(f.grid->currentColumn(), 1);  // the cursor starts on a colour

    auto* pattern = f.window->findChild<QLineEdit*>("Edit_time");
    QCOMPARE(pattern->text(), QString("h:m"));
    QCOMPARE(pattern->toolTip(),
             QString("Y = Year; M = Month; D = Day; h = Hour; m = Minute; s = Second"));
    auto* depth = f.window->findChild<QComboBox*>("ComboBox_timedisplay_depth");
    QCOMPARE(depth->currentText(), QString("Minute"));
    QVERIFY(depth->isEditable());
    QVERIFY(!depth->isEnabled());
    QCOMPARE(depth->count(), 4);
    QCOMPARE(depth->itemText(3), QString("Hour"));
    auto* bot = f.window->findChild<QCheckBox*>("CheckBox_disable_polbot");
    QCOMPARE(bot->text(), QString("Disable Polbot chatlines"));
    QVERIFY(!bot->isVisible() && !bot->isEnabled() && !bot->isChecked());  // "True" is not "true"

    const std::pair<const char*, const char*> texts[] = {{"Label2", "Customize Time Display:"},
                                                         {"Label3", "Depth of timedisplay"}};
    for (auto [name, text] : texts)
      QCOMPARE(f.window->findChild<QLabel*>(name)->text(), QString(text));
    QCOMPARE(f.window->findChild<QLabel*>("Label_file")->text(), "Settings file: " + f.path);
    QCOMPARE(f.window->findChild<QPushButton*>("Button_restore")->text(),
             QString("Restore default"));
    QCOMPARE(f.window->findChild<QPushButton*>("Button1")->text(), QString("Close"));
  }

  void CloseWritesTheEdits() {
    Fixture f;
    // Rename "Clan" by typing into the cell, as the user does.
    f.grid->setCurrentCell(0, 0);
    f.grid->editItem(f.grid->item(0, 0));
    auto* editor = f.grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor != nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "Guild");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(f.Grid(), QStringList({"Guild=ff0000", "OOC=red"}));  // committed queued
    f.window->findChild<QLineEdit*>("Edit_time")->setText("");
    f.Close();
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.messages.shown, QStringList());
    QCOMPARE(Section(f, "colordef"), (std::vector<std::string>{"Guild=ff0000", "OOC=red"}));
    QCOMPARE(f.Value("config", "time_config"), std::string(""));
    QCOMPARE(f.Value("config", "timedisplay_depth"), std::string("Minute"));
    QCOMPARE(f.Value("config", "disable_polbot"), std::string("false"));
  }

  void ClearedNameRemovesTheKey() {
    Fixture f;
    f.grid->item(1, 0)->setText("");
    f.Close();
    QCOMPARE(Section(f, "colordef"), std::vector<std::string>{"Clan=ff0000"});
  }

  void DuplicateNamesWriteTheFirstColour() {
    Fixture f;
    f.grid->item(1, 0)->setText("CLAN");
    f.Close();
    QCOMPARE(Section(f, "colordef").size(), size_t{1});
    QCOMPARE(f.Value("colordef", "clan"), std::string("ff0000"));
  }

  void RestoreDefaultThenClose() {
    Fixture f;
    f.window->findChild<QPushButton*>("Button_restore")->click();
    QCOMPARE(f.Grid(), QStringList({"Clan=111111", "Trade=222222"}));
    f.Close();
    // Only the keys of color_default were removed: OOC stays.
    QCOMPARE(f.Value("colordef", "Clan"), std::string("111111"));
    QCOMPARE(f.Value("colordef", "Trade"), std::string("222222"));
    QCOMPARE(f.Value("colordef", "OOC"), std::string("red"));
  }

  void NameWithEqualsIsRefused() {
    Fixture f;
    f.grid->item(0, 0)->setText("a=b");
    QCOMPARE(f.grid->item(0, 0)->text(), QString("Clan"));
    QTRY_COMPARE(f.messages.shown, QStringList("Ein Kanalname darf kein \"=\" enthalten."));
  }

  void NewRowsWithInsertAndDown() {
    Fixture f;
    f.grid->setFocus();
    f.grid->setCurrentCell(1, 1);
    QTest::keyClick(f.grid, Qt::Key_Down);  // on the last row: a new one
    QCOMPARE(f.grid->rowCount(), 3);
    QCOMPARE(f.grid->currentRow(), 2);
    f.grid->setCurrentCell(0, 1);
    QTest::keyClick(f.grid, Qt::Key_Insert);
    QCOMPARE(f.Grid(), QStringList({"=", "Clan=ff0000", "OOC=red", "="}));
    QTest::keyClick(f.grid, Qt::Key_Delete);  // no deletion
    QCOMPARE(f.grid->rowCount(), 4);
    f.Close();
    QCOMPARE(Section(f, "colordef"), (std::vector<std::string>{"Clan=ff0000", "OOC=red"}));
  }

  void AddingARowWhileTypingKeepsTheTypedText() {
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Insert}) {
      Fixture f;
      f.grid->setFocus();
      f.grid->setCurrentCell(1, 0);
      f.grid->editItem(f.grid->item(1, 0));
      auto* editor = f.grid->viewport()->findChild<QLineEdit*>();
      QVERIFY(editor != nullptr);
      editor->selectAll();
      QTest::keyClicks(editor, "Guild");
      QTest::keyClick(editor, key);
      QVERIFY(f.Grid().contains("Guild=red"));
      QCOMPARE(f.grid->rowCount(), 3);
    }
  }

  void PickerSeedsAndStoresColours() {
    Fixture f;
    f.grid->setCurrentCell(1, 1);  // OOC, "red" by name
    f.picker.answer = 0x00CCBBAA;  // red 0xAA in the low byte
    f.window->ValueListEditor_colorDblClick();
    QCOMPARE(f.picker.seeds, std::vector<uint32_t>{0x000000FF});
    QCOMPARE(f.grid->item(1, 1)->text(), QString("aabbcc"));
    f.picker.answer.reset();  // cancelled: nothing changes
    f.window->ValueListEditor_colorDblClick();
    QCOMPARE(f.grid->item(1, 1)->text(), QString("aabbcc"));
    QCOMPARE(f.Value("colordef", "OOC"), std::string("red"));  // nothing written yet
  }

  void PickerOnAnEmptyGrid() {
    Fixture f("[config]\ntime_config=Y\n");
    QCOMPARE(f.grid->rowCount(), 0);
    f.picker.answer = 0x00123456;
    f.window->ValueListEditor_colorDblClick();
    QCOMPARE(f.picker.seeds, std::vector<uint32_t>{0x00FFFFFF});
    QCOMPARE(f.Grid(), QStringList("=563412"));
    f.Close();
    QCOMPARE(Section(f, "colordef"), std::vector<std::string>());
  }

  void FailedWriteKeepsTheWindowOpen() {
    Fixture f({}, "missing-dir/config.cfg");
    QCOMPARE(f.window->findChild<QLineEdit*>("Edit_time")->text(), QString("Y:M:D"));
    f.Close();
    QCOMPARE(f.messages.shown, QStringList("In " + f.path + " kann nicht geschrieben werden."));
    QVERIFY(f.window->isVisible());
  }

  // A config.cfg that exists but cannot be read: the defaults, one warning
  // once the window is up, and Close leaves the thing as it was.
  void UnreadableFileWarnsAndShowsTheDefaults() {
    const std::vector<std::function<void(const QString&)>> makes = {
        [](const QString& p) { QVERIFY(QDir().mkdir(p)); },
        [](const QString& p) { QCOMPARE(::mkfifo(QFile::encodeName(p).constData(), 0600), 0); },
    };
    for (const auto& make : makes) {
      Fixture f({}, "config.cfg", make);
      QTRY_COMPARE(f.messages.shown.size(), 1);
      QVERIFY2(f.messages.shown[0].startsWith("Warnung: "), qPrintable(f.messages.shown[0]));
      QCOMPARE(f.window->findChild<QLineEdit*>("Edit_time")->text(), QString("Y:M:D"));
      QCOMPARE(f.Grid(), QStringList());
      QTest::qWait(20);
      QCOMPARE(f.messages.shown.size(), 1);
    }
  }

  void OtherClosingWritesNothing() {
    Fixture f;
    f.grid->item(0, 0)->setText("Guild");
    f.window->findChild<QLineEdit*>("Edit_time")->setText("s");
    f.window->findChild<QPushButton*>("Button_restore")->click();
    QVERIFY(f.window->close());
    QCOMPARE(ReadBytes(f.path), std::string(kConfig));
    Fixture g;
    QTest::keyClick(g.window.get(), Qt::Key_Escape);
    QVERIFY(!g.window->isVisible());
    QCOMPARE(ReadBytes(g.path), std::string(kConfig));
  }
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::OptionsWindowTest)
#include "options_window_test.moc"
