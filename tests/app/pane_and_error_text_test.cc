// The text rules of the windows: the error box's final ".", the bytes a
// pane shows and the bytes a save writes.
#include <QTest>
#include <QTextDocument>

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
    QTest::newRow("dot") << "Done." << "Done.";
    QTest::newRow("bang sorts before dot") << "Stop!" << "Stop!";
    QTest::newRow("parenthesis") << "(x)" << "(x)";
    QTest::newRow("slash sorts after dot") << "/tmp/" << "/tmp/.";
    QTest::newRow("digit") << "errno 5" << "errno 5.";
    QTest::newRow("quote sorts before dot") << "'12x' ist kein gültiger Integerwert"
                                            << "'12x' ist kein gültiger Integerwert.";
    QTest::newRow("non-ASCII last") << QString::fromUtf8("gr\xc3\xbc") << QString::fromUtf8("gr\xc3\xbc.");
    QTest::newRow("empty") << "" << "";
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
    RunHandler(sink, nullptr, [] { throw Error("In /x/config.cfg kann nicht geschrieben werden"); });
    RunHandler(sink, nullptr, [] { throw std::runtime_error("plain"); });
    RunHandler(sink, nullptr, [] {});
    RunHandler(sink, nullptr, [] { throw std::bad_alloc(); });
    QCOMPARE(sink.shown, QStringList({"In /x/config.cfg kann nicht geschrieben werden.", "plain.",
                                      "Nicht genügend Arbeitsspeicher."}));
  }

  void PaneTextRoundTripsBytes_data() {
    QTest::addColumn<QStringList>("lines");  // each item: Latin-1 bytes
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("no lines") << QStringList() << QByteArray();
    // A pane holding one empty line cannot be told from an empty pane.
    QTest::newRow("one empty line") << QStringList({""}) << QByteArray();
    QTest::newRow("footer") << QStringList({"a", "", "Created"}) << QByteArray("a\r\n\r\nCreated\r\n");
    QTest::newRow("trailing empty") << QStringList({"a", ""}) << QByteArray("a\r\n\r\n");
    QTest::newRow("high bytes") << QStringList({QString::fromLatin1("\xa0\xe9\xff\x85\t")})
                                << QByteArray("\xa0\xe9\xff\x85\t\r\n");
  }
  void PaneTextRoundTripsBytes() {
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, file);
    std::vector<std::string> bytes;
    for (const QString& line : lines) bytes.push_back(line.toLatin1().toStdString());
    // A document built from the pane text gives back the same file bytes.
    QTextDocument document;
    document.setPlainText(LinesToPaneText(bytes));
    const std::string saved = PaneTextToFileBytes(document.toRawText());
    QCOMPARE(QByteArray::fromStdString(saved), file);
  }

  void TypedLineSeparatorStartsALine() {
    QCOMPARE(PaneTextToFileBytes(QString("a") + QChar(QChar::LineSeparator) + "b"), std::string("a\r\nb\r\n"));
  }

  void CharacterWithoutAByteRefusesTheSave() {
    const QString text = QString("ok") + QChar(QChar::ParagraphSeparator) + QString::fromUtf8("x \xf0\x9f\x99\x82");
    try {
      PaneTextToFileBytes(text);
      QFAIL("no error");
    } catch (const Error& e) {
      const QString message = QString::fromUtf8(e.what());
      QVERIFY2(message.contains("Zeile 2") && message.contains("U+1F642"), qPrintable(message));
    }
  }

  void LineViewCopiesSelectedRowsInOrder() {
    const std::vector<std::string_view> lines = {"zero", "one \xe9", "two", "three"};
    LineView view;
    view.SetLines(&lines);
    QCOMPARE(view.model()->rowCount(), 4);
    QCOMPARE(view.model()->index(1, 0).data().toString(), QString::fromUtf8("one \xc3\xa9"));
    auto* selection = view.selectionModel();
    selection->select(view.model()->index(3, 0), QItemSelectionModel::Select);
    selection->select(view.model()->index(0, 0), QItemSelectionModel::Select);
    selection->select(view.model()->index(1, 0), QItemSelectionModel::Select);
    QCOMPARE(view.SelectedText(), QString::fromUtf8("zero\none \xc3\xa9\nthree"));
    view.SetLines(nullptr);
    QCOMPARE(view.model()->rowCount(), 0);
  }
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::PaneAndErrorTextTest)
#include "pane_and_error_text_test.moc"
