// The Input page's find bar, Go to time and the scene, driven through the
// real widgets and keys.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <cstring>
#include <random>

#include "app/find_bar.h"
#include "app/go_to_time_bar.h"
#include "app/line_view.h"
#include "app/output_view.h"
#include "app/scenes_panel.h"
#include "tests/app/test_support.h"

namespace quorlix::testing {
namespace {

// Seven lines a minute apart from 2005-01-02 03:00 UTC; "Bob" is in rows
// 1, 3 and 5 (once in lower case).
constexpr std::string_view kLog =
    "[\"1\",\"Clan\",\"Ann\",1104634800]zero\n"
    "[\"1\",\"Clan\",\"Bob\",1104634860]one\n"
    "[\"2\",\"OOC\",\"Cid\",1104634920]two\n"
    "[\"2\",\"OOC\",\"Dee\",1104634980]three, says bob\n"
    "[\"1\",\"Clan\",\"Ann\",1104635040]four\n"
    "[\"1\",\"Clan\",\"Bob\",1104635100]five\n"
    "[\"2\",\"OOC\",\"Dee\",1104635160]six\n";

}  // namespace

class InputPageTest : public QObject {
  Q_OBJECT

 private:
  void Load(WindowFixture& f) {
    WriteBytes(f.Path("chat.log"), kLog);
    f.dialogs.open_name = f.Path("chat.log");
    Find<QPushButton>(f, "tb_load")->click();
    // Shortcuts reach the active window only.
    f.window->activateWindow();
    if (!QTest::qWaitForWindowActive(f.window.get())) qFatal("main window not active");
  }
  QStringList Output(WindowFixture& f) {
    return Find<OutputView>(f, "memo_output")->PlainText().split('\n');
  }
  int CurrentRow(WindowFixture& f) { return Find<LineView>(f, "memo_input")->currentIndex().row(); }

 private slots:
  // Typed text, then the keys pressed one after another: the row each
  // lands on and the status it shows.
  void FindStepsAndWraps() {
    WindowFixture f;
    Load(f);
    QTest::keyClick(f.window.get(), Qt::Key_F, Qt::ControlModifier);
    auto* bar = Find<FindBar>(f, "find_bar");
    auto* text = Find<QLineEdit>(f, "find_text");
    QVERIFY(bar->isVisible());
    QVERIFY(text->hasFocus());
    QTest::keyClicks(text, "BOB");
    QTRY_VERIFY(!bar->searching());
    QCOMPARE(bar->status(), QString("3 matching lines"));
    const struct {
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      int row;
      const char* status;
    } steps[] = {
        {Qt::Key_Return, {}, 1, "1 of 3"},
        {Qt::Key_F3, {}, 3, "2 of 3"},
        {Qt::Key_F3, {}, 5, "3 of 3"},
        {Qt::Key_F3, {}, 1, "1 of 3"},                 // wraps
        {Qt::Key_F3, Qt::ShiftModifier, 5, "3 of 3"},  // wraps back
        {Qt::Key_F3, Qt::ShiftModifier, 3, "2 of 3"},
    };
    for (const auto& step : steps) {
      QTest::keyClick(QApplication::focusWidget(), step.key, step.modifiers);
      QCOMPARE(CurrentRow(f), step.row);
      QCOMPARE(bar->status(), QString(step.status));
    }
    text->setText("nowhere");
    QTRY_VERIFY(!bar->searching());
    QCOMPARE(bar->status(), QString("Not found"));
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(CurrentRow(f), 3);  // stays
    QTest::keyClick(text, Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
  }

  // A step asked for while the search runs is taken when it ends; a new
  // load searches the new lines.
  void FindFollowsTheLines() {
    WindowFixture f;
    Load(f);
    auto* bar = Find<FindBar>(f, "find_bar");
    bar->Open();
    Find<QLineEdit>(f, "find_text")->setText("ann");
    bar->FindNext();
    QTRY_COMPARE(CurrentRow(f), 0);
    QCOMPARE(bar->status(), QString("1 of 2"));
    WriteBytes(f.Path("chat.log"), "[\"1\",\"Clan\",\"Zed\",1104634800]x\n");
    Find<QPushButton>(f, "tb_load")->click();
    QTRY_COMPARE(bar->status(), QString("Not found"));
  }

  void GoToTimeFindsTheFirstLineAtOrAfter() {
    WindowFixture f;
    Load(f);
    const struct {
      const char* text;
      int row;  // -1: stays, with the status given
      const char* status;
    } cases[] = {
        {"2005-01-02 03:02", 2, ""},
        {"2005-01-02 03:01", 1, ""},
        {"2005-01-01", 0, ""},
        {"2005-01-02 03:07", -1, "No line at or after that time"},
        {"2005-01-02 3:05", -1, "Not a time"},
    };
    for (const auto& c : cases) {
      QTest::keyClick(f.window.get(), Qt::Key_G, Qt::ControlModifier);
      auto* text = Find<QLineEdit>(f, "go_to_time_text");
      QVERIFY(text->hasFocus());
      const int before = CurrentRow(f);
      text->setText(c.text);
      QTest::keyClick(text, Qt::Key_Return);
      QCOMPARE(CurrentRow(f), c.row < 0 ? before : c.row);
      const QString status = Find<GoToTimeBar>(f, "go_to_time_bar")->status();
      QCOMPARE(status.left(static_cast<int>(std::strlen(c.status))), QString(c.status));
    }
  }

  // Rows 1 to 3 picked by click and Shift+arrows, then start and end moved
  // as the context menu does: Convert scene converts just those lines, with
  // the person filter and without the time filter.
  void ConvertSceneTakesTheSelectedLines() {
    WindowFixture f;
    Load(f);
    auto* view = Find<LineView>(f, "memo_input");
    QAction* convert_scene = Find<QAction>(f, "ConvertScene1");
    QVERIFY(!convert_scene->isEnabled());  // nothing selected yet
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(1, 0)).center());
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    int first = -1, last = -1;
    QVERIFY(view->SceneRange(first, last));
    QCOMPARE(std::pair(first, last), std::pair(1, 3));
    QVERIFY(convert_scene->isEnabled());
    // The right button (for the context menu) leaves the scene alone.
    QTest::mousePress(view->viewport(), Qt::RightButton, {},
                      view->visualRect(view->model()->index(5, 0)).center());
    QVERIFY(view->SceneRange(first, last));
    QCOMPARE(std::pair(first, last), std::pair(1, 3));
    QTest::keyClick(f.window.get(), Qt::Key_F5, Qt::ControlModifier);
    QCOMPARE(Output(f), QStringList({"Bob: one", "Cid: two", "Dee: three, says bob", "",
                                     "Created using [url=\"https://quorlix.example.org/\"]The "
                                     "Quorlix[/url]"}));
    QCOMPARE(f.window->StatusText(), QString("3 lines converted"));

    view->SetSceneEnd(5);                           // keeps the start: 1 to 5
    view->SetSceneStart(4);                         // 4 to 5
    Find<QCheckBox>(f, "cb_filter_time")->click();  // on, nothing selected: no effect here
    Find<QCheckBox>(f, "cb_filter_person")->click();
    Find<QListWidget>(f, "lb_person")->item(1)->setSelected(true);  // Bob
    convert_scene->trigger();
    QCOMPARE(Output(f).front(), QString("Bob: five"));
    QCOMPARE(Output(f).size(), 3);
    QCOMPARE(f.window->StatusText(), QString("1 line converted"));
    view->SetSceneStart(6);  // past the end: the scene is that row alone
    QVERIFY(view->SceneRange(first, last));
    QCOMPARE(std::pair(first, last), std::pair(6, 6));
    QVERIFY(f.messages.shown.isEmpty());
  }

  // A generated log with random gaps and the person filter on: clicking a
  // scene selects its lines, Enter converts them, and the output is what
  // quorlix-cli --scene K gives. The gap field writes config.cfg; the
  // field of fewest lines hides scenes and is remembered.
  void ScenesPageConvertsAsTheCommandLine() {
    WindowFixture f;
    WriteBytes(f.Path("config.cfg"), "[config]\nscene_gap=10\n");
    std::mt19937 random(24);
    const char* persons[] = {"Ann", "Bob", "bob", ""};
    const int steps[] = {0, 30, 600, 601, 4000};
    std::string log;
    int64_t t = 1104634800;
    for (int i = 0; i < 120; ++i) {
      t += steps[random() % 5];
      log += "[\"1\",\"Clan\",\"" + std::string(persons[random() % 4]) + "\"," + std::to_string(t) +
             "]line " + std::to_string(i) + "\n";
    }
    WriteBytes(f.Path("chat.log"), log);
    f.dialogs.open_name = f.Path("chat.log");
    Find<QPushButton>(f, "tb_load")->click();
    const auto cli = [&](const QStringList& args) {
      QProcess process;
      process.start(QUORLIX_CLI_PATH, QStringList{"--config", f.Path("config.cfg"), "-p", "bob"} +
                                          args + QStringList{f.Path("chat.log")});
      process.waitForFinished();
      return QString::fromLatin1(process.readAllStandardOutput());
    };
    Find<QCheckBox>(f, "cb_filter_person")->click();
    Find<QListWidget>(f, "lb_person")->item(1)->setSelected(true);  // Bob
    const QStringList rows = cli({"--scenes"}).split("\r\n", Qt::SkipEmptyParts);
    QVERIFY(rows.size() > 4);
    Find<QTabWidget>(f, "time_tabs")->setCurrentIndex(1);
    auto* list = Find<QTreeView>(f, "scene_list");
    QVERIFY(list->isVisible());
    auto* count = Find<QLabel>(f, "scene_count");
    QCOMPARE(list->model()->rowCount(), rows.size());
    QCOMPARE(count->text(), QString("%1 scenes").arg(rows.size()));

    auto* view = Find<LineView>(f, "memo_input");
    for (const int k : {1, 4}) {
      const QModelIndex row = list->model()->index(k - 1, 0);
      list->scrollTo(row);
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
      int first = -1, last = -1;
      QVERIFY(view->SceneRange(first, last));
      const QString lines = rows[k - 1].section('\t', 3, 3);
      QVERIFY(last - first + 1 >= lines.toInt());
      QTest::keyClick(list, Qt::Key_Return);
      QCOMPARE(Output(f).join("\r\n") + "\r\n", cli({"--scene", QString::number(k)}));
      QCOMPARE(f.window->StatusText(), lines == "1" ? QString("1 line converted")
                                                    : QString("%1 lines converted").arg(lines));
    }

    auto* gap = Find<QSpinBox>(f, "scene_gap");
    QCOMPARE(gap->value(), 10);
    gap->setValue(100000);  // one scene: the whole log
    QVERIFY(ReadBytes(f.Path("config.cfg")).find("scene_gap=100000") != std::string::npos);
    QCOMPARE(list->model()->rowCount(), 1);
    gap->setValue(10);
    auto* min_lines = Find<QSpinBox>(f, "scene_min_lines");
    min_lines->setValue(3);
    int shown = 0;
    for (const QString& r : rows) shown += r.section('\t', 3, 3).toInt() >= 3 ? 1 : 0;
    QCOMPARE(list->model()->rowCount(), shown);
    QCOMPARE(count->text(), QString("%1 scenes (%2 shown)").arg(rows.size()).arg(shown));
    QCOMPARE(QSettings(f.Path("quorlix.ini"), QSettings::IniFormat).value("scenes/min_lines"), 3);
    // Filters that leave no line: no scenes, said so.
    Find<QListWidget>(f, "lb_person")->clearSelection();
    QCOMPARE(list->model()->rowCount(), 0);
    QCOMPARE(count->text(), QString("No scenes"));
    QVERIFY(f.messages.shown.isEmpty());
  }
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::InputPageTest)
#include "input_page_test.moc"
