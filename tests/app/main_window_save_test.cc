// The main window's Load -> Convert -> Save through the dialog seam, byte
// for byte, with the edits of the Output page and the files Save refuses.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <tuple>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
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
#include "tests/app/main_window_test_support.h"
#include "tests/app/test_support.h"
#include "tests/support/output_lines.h"
#include "version_info.h"

namespace quorlix::testing {

class MainWindowSaveTest : public MainWindowTestBase {
  Q_OBJECT

 private slots:
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
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::MainWindowSaveTest)
#include "main_window_save_test.moc"
