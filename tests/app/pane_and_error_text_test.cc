// The text rules of the windows: the error box's final ".", the bytes a
// pane shows and the bytes a save writes.
#include <QApplication>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTest>

#include <cmath>

#include "app/error_box.h"
#include "app/line_view.h"
#include "app/output_view.h"
#include "app/pane_text.h"
#include "core/text/error.h"

namespace quorlix::testing {

class PaneAndErrorTextTest : public QObject {
  Q_OBJECT

 private slots:
  // A long line is measured once and then found from kept columns: a click
  // lands on the column whose character is there, Tabs (80-pixel stops)
  // included, on both sides of each kept column.
  void ClickInALongLineFindsTheColumn_data() {
    QTest::addColumn<int>("column");
    for (int column : {0, 1, 700, 1023, 1024, 1025, 2047, 2048, 2049, 5000, 9998}) {
      QTest::newRow(qPrintable(QString::number(column))) << column;
    }
  }
  void ClickInALongLineFindsTheColumn() {
    QFETCH(int, column);
    QString line;
    for (int i = 0; i < 10000; ++i) line += i % 997 == 996 ? QChar('\t') : QChar("iWm."[i % 4]);
    OutputView view;
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.InsertText(line + "\nshort");
    QFont font = view.font();
    font.setKerning(false);
    const QFontMetricsF metrics(font);
    double x = 0;
    for (int i = 0; i < column; ++i) {
      x = line[i] == '\t' ? (std::floor(x / 80) + 1) * 80 : x + metrics.horizontalAdvance(line[i]);
    }
    view.SetCursor({0, static_cast<std::size_t>(column)});  // scrolls it into view
    const double left = view.horizontalScrollBar()->value();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      QPoint(static_cast<int>(std::lround(4 + x - left + 1)), 6));
    QCOMPARE(view.cursor().column, std::size_t(column));

    // Typed text moves what follows: the line is measured again.
    view.SetCursor({0, 0});
    view.InsertText("WWWW");
    view.SetCursor({0, static_cast<std::size_t>(column) + 4});
    const double shifted = x + 4 * metrics.horizontalAdvance('W');
    const bool tab_before = line.left(column).contains('\t');
    if (!tab_before) {
      QTest::mouseClick(
          view.viewport(), Qt::LeftButton, {},
          QPoint(
              static_cast<int>(std::lround(4 + shifted - view.horizontalScrollBar()->value() + 1)),
              6));
      QCOMPARE(view.cursor().column, std::size_t(column) + 4);
    }
  }

  // The blink repaints the cursor's own rectangle, not its line: on a
  // line of megabytes painting the line costs far more.
  void BlinkRepaintsOnlyTheCursor() {
    OutputView view;
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.activateWindow();
    view.setFocus();
    if (!view.hasFocus()) QSKIP("no focus on this platform: the cursor does not blink");
    view.InsertText(QString(100000, 'x'));
    view.SetCursor({0, 50000});
    QCoreApplication::processEvents();
    struct PaintRects : QObject {
      QList<QRect> rects;
      bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) rects << static_cast<QPaintEvent*>(event)->rect();
        return false;
      }
    } spy;
    view.viewport()->installEventFilter(&spy);
    QTest::qWait(QApplication::cursorFlashTime() + 100);
    QVERIFY(!spy.rects.isEmpty());
    for (const QRect& rect : spy.rects)
      QVERIFY2(rect.width() <= 4, qPrintable(QString::number(rect.width())));
  }

  void ErrorBoxAddsAFinalDot_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Datei x kann nicht geöffnet werden. No such file"
                            << "Datei x kann nicht geöffnet werden. No such file.";
    QTest::newRow("dot") << "Done."
                         << "Done.";
    QTest::newRow("bang sorts before dot") << "Stop!"
                                           << "Stop!";
    QTest::newRow("parenthesis") << "(x)"
                                 << "(x)";
    QTest::newRow("slash sorts after dot") << "/tmp/"
                                           << "/tmp/.";
    QTest::newRow("digit") << "errno 5"
                           << "errno 5.";
    QTest::newRow("quote sorts before dot") << "'12x' ist kein gültiger Integerwert"
                                            << "'12x' ist kein gültiger Integerwert.";
    QTest::newRow("non-ASCII last")
        << QString::fromUtf8("gr\xc3\xbc") << QString::fromUtf8("gr\xc3\xbc.");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("overlong, cut") << QString(5000, 'x') << QString(1000, 'x') + QChar(0x2026);
  }
  void ErrorBoxAddsAFinalDot() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorBoxText(message), shown);
  }

  void HandlerErrorsReachTheSink() {
    class Recorder : public MessageSink {
     public:
      void ShowError(QWidget*, const QString& text) override { shown << text; }
      QStringList shown;
    } sink;
    RunHandler(sink, nullptr,
               [] { throw Error("In /x/config.cfg kann nicht geschrieben werden"); });
    RunHandler(sink, nullptr, [] { throw std::runtime_error("plain"); });
    RunHandler(sink, nullptr, [] {});
    RunHandler(sink, nullptr, [] { throw std::bad_alloc(); });
    QCOMPARE(sink.shown, QStringList({"In /x/config.cfg kann nicht geschrieben werden.", "plain.",
                                      "Nicht genügend Arbeitsspeicher."}));
  }

  void CharacterWithoutAByteRefusesTheSave_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("named");
    QTest::newRow("surrogate pair") << QString::fromUtf8("x \xf0\x9f\x99\x82") << 2 << "U+1F642";
    QTest::newRow("C1 control that 0x80 does not give") << QString(QChar(0x80)) << 0 << "U+0080";
  }
  void CharacterWithoutAByteRefusesTheSave() {
    QFETCH(QString, line);
    QFETCH(int, column);
    QFETCH(QString, named);
    try {
      ThrowCharWithoutByte(2,
                           {reinterpret_cast<const char16_t*>(line.utf16()), size_t(line.size())},
                           static_cast<size_t>(column));
    } catch (const Error& e) {
      const QString message = QString::fromUtf8(e.what());
      QVERIFY2(message.contains("Zeile 2") && message.contains(named), qPrintable(message));
    }
  }

  void LineViewCopiesSelectedRowsInOrder() {
    const std::vector<std::string_view> lines = {"zero", "one \xe9\x80", "two", "three"};
    LineView view;
    view.SetLines(&lines);
    QCOMPARE(view.model()->rowCount(), 4);
    QCOMPARE(view.model()->index(1, 0).data().toString(),
             QString::fromUtf8("one \xc3\xa9\xe2\x82\xac"));
    auto* selection = view.selectionModel();
    selection->select(view.model()->index(3, 0), QItemSelectionModel::Select);
    selection->select(view.model()->index(0, 0), QItemSelectionModel::Select);
    selection->select(view.model()->index(1, 0), QItemSelectionModel::Select);
    QCOMPARE(view.SelectedText(), QString::fromUtf8("zero\none \xc3\xa9\xe2\x82\xac\nthree"));
    // A line of megabytes shows its start, and is copied whole.
    const std::string huge = std::string(16384, 'x') + std::string(1 << 22, 'y');
    const std::vector<std::string_view> long_lines = {huge};
    view.SetLines(&long_lines);
    QCOMPARE(view.model()->index(0, 0).data().toString(), QString(16384, 'x') + QChar(0x2026));
    view.selectAll();
    QCOMPARE(view.SelectedText().size(), 16384 + (1 << 22));
    view.SetLines(nullptr);
    QCOMPARE(view.model()->rowCount(), 0);
  }
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::PaneAndErrorTextTest)
#include "pane_and_error_text_test.moc"
