// The Input page's find bar, Go to time and the scene, driven through the
// real widgets and keys.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <cstring>

#include "app/find_bar.h"
#include "app/go_to_time_bar.h"
#include "app/line_view.h"
#include "app/output_view.h"
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
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::InputPageTest)
#include "input_page_test.moc"
