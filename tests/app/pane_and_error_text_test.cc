// The text rules of the windows: the error box's final ".", the bytes a
// pane shows and the bytes a save writes.
#include <QTest>

#include "app/error_box.h"
#include "app/line_view.h"
#include "app/pane_text.h"
#include "core/error.h"

namespace quorlix::testing {

class PaneAndErrorTextTest : public QObject {
  Q_OBJECT

 private slots:
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
