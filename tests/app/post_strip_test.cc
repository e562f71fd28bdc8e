// The post strip and the Preview page in the main window: Copy part walks
// through all parts and pastes the whole output post by post.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>

#include "app/output_posts.h"
#include "app/output_view.h"
#include "app/post_preview.h"
#include "app/post_strip.h"
#include "app/translations.h"
#include "tests/app/test_support.h"

namespace quorlix::testing {
namespace {

// Converted lines without a conversion: `count` lines of `repeats` "[b]x",
// tags that are never closed.
class RepeatedLines : public LineSource {
 public:
  RepeatedLines(std::size_t count, std::size_t repeats) : count_(count), repeats_(repeats) {}
  std::size_t size() const override { return count_; }
  std::size_t LineLength(std::size_t) const override { return repeats_ * 4; }
  void ReadLine(std::size_t, std::string& out) const override {
    out.clear();
    for (std::size_t i = 0; i < repeats_; ++i) out += "[b]x";
  }

 private:
  std::size_t count_, repeats_;
};

}  // namespace

class PostStripTest : public QObject {
  Q_OBJECT

 private:
  // The size of a copied part as the limit counts it: CR LF for "\n".
  static qsizetype PostSize(const QString& part) { return part.size() + part.count('\n'); }

 private slots:
  void CopyPartPastesTheOutputPostByPost() {
    WindowFixture f;
    WriteBytes(f.Path("config.cfg"), "[config]\npost_limit=300\n");
    f.dialogs.open_name = QStringLiteral(QUORLIX_EXAMPLES_DIR "/sample.log");
    Find<QPushButton>(f, "tb_load")->click();
    Find<QPushButton>(f, "bt_convert")->click();
    auto* strip = Find<PostStrip>(f, "post_strip");
    QCOMPARE(strip->limit(), 300u);
    QTRY_VERIFY(strip->parts().size() >= 5);  // cut on the next turn of the event loop
    const std::size_t parts = strip->parts().size();

    QClipboard* clipboard = QGuiApplication::clipboard();
    Find<QToolButton>(f, "post_copy_all")->click();
    const QString whole = clipboard->text();
    QString pasted;
    for (std::size_t k = 0; k < parts; ++k) {
      QCOMPARE(Find<QLabel>(f, "post_part")->text().section(' ', 0, 3),
               QStringLiteral("Part %1 of %2").arg(k + 1).arg(parts));
      Find<QToolButton>(f, "post_copy_part")->click();
      QCOMPARE(f.window->StatusText(),
               k + 1 < parts ? QStringLiteral("Part %1 of %2 copied").arg(k + 1).arg(parts)
                             : QStringLiteral("Part %1 of %2 copied; there are no more parts")
                                   .arg(parts)
                                   .arg(parts));
      const QString part = clipboard->text();
      QVERIFY2(PostSize(part) <= 300 || part.count('\n') == 1, qPrintable(part));
      pasted += part;
    }
    QCOMPARE(pasted, whole);
    QVERIFY(whole.endsWith("The Quorlix[/url]\n"));
    // The last part stays: copying again copies it again.
    const QString last = clipboard->text();
    Find<QToolButton>(f, "post_copy_part")->click();
    QCOMPARE(clipboard->text(), last);

    // Ctrl+Shift+C from the Output page copies the part shown and moves on.
    strip->SetCurrent(0);
    auto* next = Find<QToolButton>(f, "post_next");
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    next->setFocus();
    QTest::keyClick(next, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(whole.startsWith(clipboard->text()));
    QCOMPARE(strip->current(), 1u);

    // Too narrow for one row: the part and its buttons go below; all stay in reach.
    auto* copy_all = Find<QToolButton>(f, "post_copy_all");
    auto* limit_box = Find<QSpinBox>(f, "post_limit");
    const auto two_rows = [&] {
      return next->mapTo(strip, QPoint()).y() >=
             limit_box->mapTo(strip, QPoint()).y() + limit_box->height();
    };
    QVERIFY(two_rows());  // the test's window is that narrow
    for (QWidget* button : {static_cast<QWidget*>(copy_all), static_cast<QWidget*>(next)}) {
      QVERIFY(button->mapTo(strip, QPoint(button->width(), 0)).x() <= strip->width());
    }
    const QSize narrow = f.window->size();
    f.window->resize(narrow.width() + 800, narrow.height());
    QTRY_VERIFY(!two_rows());
    f.window->resize(narrow);
    QTRY_VERIFY(two_rows());

    // The Preview page shows that part rendered, and loads nothing.
    auto* pages = Find<QTabWidget>(f, "PageControl1");
    pages->setCurrentWidget(Find<QWidget>(f, "TabSheet3"));
    auto* preview = Find<PostPreview>(f, "TabSheet3");
    QVERIFY(preview->note().startsWith(QStringLiteral("Preview of part 2 of %1").arg(parts)));
    QVERIFY(!preview->browser()->toPlainText().contains("[/color]"));
    QCOMPARE(preview->browser()->resources_asked(), 0);

    // A new limit is written to config.cfg and cuts again.
    Find<QSpinBox>(f, "post_limit")->setValue(0);
    QCOMPARE(strip->parts().size(), 1u);
    QCOMPARE(strip->parts()[0].bytes, std::uint64_t(PostSize(whole)));
    QVERIFY(ReadBytes(f.Path("config.cfg")).find("post_limit=0") != std::string::npos);
    QTRY_VERIFY(preview->note().startsWith("No post limit"));

    // A line far longer than a post is one part over the limit, and the
    // preview shows only its beginning.
    Find<QSpinBox>(f, "post_limit")->setValue(1000);
    Find<OutputView>(f, "memo_output")->SetSource(std::make_shared<RepeatedLines>(3, 500000));
    QCOMPARE(strip->parts().size(), 3u);
    QVERIFY(strip->parts()[0].over_limit);
    QTRY_VERIFY(preview->note().endsWith("Only the first 100,000 characters are shown."));
    QVERIFY(preview->browser()->toPlainText().size() <= int(OutputPosts::kPreviewMaxChars));
  }

  // Before any output the strip and Copy part are off. Once there is
  // output, Ctrl+Shift+C works wherever the focus is, a part chosen starts
  // at the top of the view, the numbers are grouped and the Preview keeps
  // the dialect the output was made in.
  void StripFollowsTheOutput() {
    WindowFixture f;
    WriteBytes(f.Path("config.cfg"), "[config]\npost_limit=300\n");
    f.dialogs.open_name = QStringLiteral(QUORLIX_EXAMPLES_DIR "/sample.log");
    Find<QPushButton>(f, "tb_load")->click();
    auto* strip = Find<PostStrip>(f, "post_strip");
    auto* copy_part = Find<QAction>(f, "CopyPart1");
    QVERIFY(!strip->isEnabled());
    QVERIFY(!copy_part->isEnabled());

    Find<QPushButton>(f, "bt_convert")->click();  // UBB
    QVERIFY(strip->isEnabled());
    QTRY_VERIFY(strip->parts().size() >= 5);
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    auto* combo = Find<QComboBox>(f, "combo_code");
    combo->setFocus();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(combo, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(strip->current(), 1u);
    QVERIFY(!QGuiApplication::clipboard()->text().isEmpty());

    auto* view = Find<OutputView>(f, "memo_output");
    const auto top_is_part = [&] {
      const int first = static_cast<int>(strip->parts()[strip->current()].first);
      return view->verticalScrollBar()->value() ==
             std::min(first, view->verticalScrollBar()->maximum());
    };
    // Parts of about 100 lines in an output of 3,000.
    view->SetSource(std::make_shared<RepeatedLines>(3000, 10));
    Find<QSpinBox>(f, "post_limit")->setValue(4200);
    for (const char* button : {"post_next", "post_copy_part", "post_next", "post_previous"}) {
      Find<QToolButton>(f, button)->click();
      QVERIFY(strip->parts()[strip->current()].first > 0);
      QVERIFY2(top_is_part(), button);
    }
    f.dialogs.open_name = QStringLiteral(QUORLIX_EXAMPLES_DIR "/sample.log");
    Find<QPushButton>(f, "tb_load")->click();
    Find<QPushButton>(f, "bt_convert")->click();

    Find<QSpinBox>(f, "post_limit")->setValue(0);
    const std::uint64_t bytes = strip->parts()[0].bytes;
    QVERIFY(bytes >= 1000);
    QVERIFY2(Find<QLabel>(f, "post_part")->text().contains(GroupedNumber(qlonglong(bytes))),
             qPrintable(Find<QLabel>(f, "post_part")->text()));

    // The Preview stays in UBB when the box says Html, until the next Convert.
    combo->setCurrentIndex(static_cast<int>(Dialect::kHtml));
    emit combo->activated(static_cast<int>(Dialect::kHtml));
    Find<QTabWidget>(f, "PageControl1")->setCurrentWidget(Find<QWidget>(f, "TabSheet3"));
    auto* preview = Find<PostPreview>(f, "TabSheet3");
    QTRY_VERIFY(preview->browser()->toPlainText().contains("The Quorlix"));
    QVERIFY(!preview->browser()->toPlainText().contains("[/url]"));

    // At the window's smallest size every control of the strip shows whole,
    // none over another.
    Find<QTabWidget>(f, "PageControl1")->setCurrentWidget(Find<QWidget>(f, "TabSheet2"));
    strip->SetLimit(1);      // every line a part over the limit: the longest text
    f.window->resize(1, 1);  // held at the minimum
    QTRY_VERIFY(f.window->width() <= f.window->minimumSize().width() + 1);
    QCoreApplication::processEvents();  // the layouts that the longer text asked for
    QList<QRect> shown;
    for (QWidget* child : strip->findChildren<QWidget*>()) {
      if (!child->isVisible()) continue;
      if (qobject_cast<QLabel*>(child) == nullptr && qobject_cast<QToolButton*>(child) == nullptr &&
          qobject_cast<QSpinBox*>(child) == nullptr) {
        continue;
      }
      if (auto* label = qobject_cast<QLabel*>(child); label && child->objectName() == "post_part") {
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->text()));
      }
      const QRect rect(child->mapTo(strip, QPoint()), child->size());
      QVERIFY2(strip->rect().contains(rect), qPrintable(child->objectName()));
      for (const QRect& other : shown)
        QVERIFY2(!rect.intersects(other), qPrintable(child->objectName()));
      shown << rect;
    }
    QCOMPARE(shown.size(), 7);  // the limit's label and box, the part, four buttons

    // A long note wraps: it never widens the page.
    preview->Show("x\n", Dialect::kUbb,
                  QString(400, 'n').replace(QRegularExpression("n{9}"), "note "));
    QVERIFY(preview->minimumSizeHint().width() < 300);
  }

  // Markdown is pasted into a chat app: its own limit, 2000 unless set,
  // edited in the strip while the output is Markdown; the preview shows the
  // channel in bold and the text as it is.
  void MarkdownPartsFitAChatMessage() {
    WindowFixture f;
    WriteBytes(f.Path("config.cfg"), "[config]\npost_limit=300\n");
    f.dialogs.open_name = QStringLiteral(QUORLIX_EXAMPLES_DIR "/sample.log");
    Find<QPushButton>(f, "tb_load")->click();
    Find<QComboBox>(f, "combo_code")->setCurrentIndex(static_cast<int>(Dialect::kMarkdown));
    Find<QCheckBox>(f, "check_channel")->setChecked(true);
    Find<QCheckBox>(f, "check_marklink")->setChecked(true);
    Find<QPushButton>(f, "bt_convert")->click();
    auto* strip = Find<PostStrip>(f, "post_strip");
    QCOMPARE(strip->limit(), 2000u);

    Find<QSpinBox>(f, "post_limit")->setValue(350);
    const std::string config = ReadBytes(f.Path("config.cfg"));
    QVERIFY(config.find("post_limit_markdown=350") != std::string::npos);
    QVERIFY(config.find("post_limit=300") != std::string::npos);
    QTRY_VERIFY(strip->parts().size() >= 4);
    QClipboard* clipboard = QGuiApplication::clipboard();
    QString pasted;
    for (std::size_t k = 0; k < strip->parts().size(); ++k) {
      Find<QToolButton>(f, "post_copy_part")->click();
      QVERIFY2(PostSize(clipboard->text()) <= 350, qPrintable(clipboard->text()));
      pasted += clipboard->text();
    }
    QVERIFY(pasted.startsWith("**[Clan]** Tilvara: Anyone up for the last raid of the year?\n"));
    QVERIFY(pasted.endsWith("\nCreated using [The Quorlix](https://quorlix.example.org/)\n"));

    strip->SetCurrent(0);
    Find<QTabWidget>(f, "PageControl1")->setCurrentWidget(Find<QWidget>(f, "TabSheet3"));
    auto* preview = Find<PostPreview>(f, "TabSheet3");
    QTRY_VERIFY(preview->note().startsWith("Preview of part 1"));
    const QString shown = preview->browser()->toPlainText();
    QVERIFY2(shown.startsWith("[Clan] Tilvara: Anyone up for the last raid of the year?\n"),
             qPrintable(shown));
    QVERIFY(shown.contains(" - link removed - Map is here: raid map"));
    QVERIFY(!shown.contains('*'));
    const QTextBlock first = preview->browser()->document()->firstBlock();
    QCOMPARE(first.begin().fragment().text(), QStringLiteral("[Clan]"));
    QVERIFY(first.begin().fragment().charFormat().fontWeight() >= QFont::Bold);

    // Under the longest line: Markdown cuts such lines at the next Convert.
    Find<QSpinBox>(f, "post_limit")->setValue(40);
    QCOMPARE(f.window->StatusText(), QString("Convert again to cut the lines over the new limit"));
    Find<QPushButton>(f, "bt_convert")->click();
    QVERIFY(!strip->HasLineOverLimit());

    // Converted to UBB again: the forum's limit.
    Find<QComboBox>(f, "combo_code")->setCurrentIndex(static_cast<int>(Dialect::kUbb));
    Find<QPushButton>(f, "bt_convert")->click();
    QCOMPARE(strip->limit(), 300u);
  }

  // A web page is one file: no parts whatever the limit; the preview shows
  // it rendered, its UTF-8 read as such, and loads nothing.
  void WebPageIsOneFileShownRendered() {
    WindowFixture f;
    WriteBytes(f.Path("config.cfg"), "[config]\npost_limit=300\n");
    WriteBytes(f.Path("scene.log"),
               "[1,\"Clan\",\"M\xe4ll\",1104624000]<img src=http://e.invalid/x.png>"
               "<font color=red>R\xf6t</font> & <b>more</b>\n");
    f.dialogs.open_name = f.Path("scene.log");
    Find<QPushButton>(f, "tb_load")->click();
    auto* combo = Find<QComboBox>(f, "combo_code");
    QCOMPARE(combo->itemText(static_cast<int>(Dialect::kPage)), QStringLiteral("Web page"));
    combo->setCurrentIndex(static_cast<int>(Dialect::kPage));
    Find<QPushButton>(f, "bt_convert")->click();
    auto* strip = Find<PostStrip>(f, "post_strip");
    QCOMPARE(strip->limit(), 0u);
    QVERIFY(strip->isHidden());
    Find<QTabWidget>(f, "PageControl1")->setCurrentWidget(Find<QWidget>(f, "TabSheet3"));
    auto* preview = Find<PostPreview>(f, "TabSheet3");
    QTRY_VERIFY(!preview->note().isEmpty());
    const QString shown = preview->browser()->toPlainText();
    QVERIFY2(shown.contains(QString::fromUtf8("M\u00e4ll: R\u00f6t & more")), qPrintable(shown));
    QVERIFY2(shown.contains("scene.log"), qPrintable(shown));
    QVERIFY(!shown.contains('<'));
    QCOMPARE(preview->browser()->resources_asked(), 0);
    QVERIFY(f.window->findChild<QWidget*>("post_strip")->isHidden());

    // Back to UBB: the strip and the forum's limit again.
    combo->setCurrentIndex(static_cast<int>(Dialect::kUbb));
    Find<QPushButton>(f, "bt_convert")->click();
    QCOMPARE(strip->limit(), 300u);
    QVERIFY(!strip->isHidden());
  }
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::PostStripTest)
#include "post_strip_test.moc"
