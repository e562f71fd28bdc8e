// The post strip and the Preview page in the main window: Copy part walks
// through all parts and pastes the whole output post by post.
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "app/post_preview.h"
#include "app/post_strip.h"
#include "tests/app/test_support.h"

namespace quorlix::testing {

class PostStripTest : public QObject {
  Q_OBJECT

 private:
  template <typename T>
  static T* Find(WindowFixture& f, const char* name) {
    T* found = f.window->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) qFatal("no %s", name);
    return found;
  }
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
    Find<QPushButton>(f, "post_copy_all")->click();
    const QString whole = clipboard->text();
    QString pasted;
    for (std::size_t k = 0; k < parts; ++k) {
      QCOMPARE(Find<QLabel>(f, "post_part")->text().section(' ', 0, 3),
               QStringLiteral("Part %1 of %2").arg(k + 1).arg(parts));
      Find<QPushButton>(f, "post_copy_part")->click();
      const QString part = clipboard->text();
      QVERIFY2(PostSize(part) <= 300 || part.count('\n') == 1, qPrintable(part));
      pasted += part;
    }
    QCOMPARE(pasted, whole);
    QVERIFY(whole.endsWith("The Quorlix[/url]\n"));
    // The last part stays: copying again copies it again.
    const QString last = clipboard->text();
    Find<QPushButton>(f, "post_copy_part")->click();
    QCOMPARE(clipboard->text(), last);

    // Ctrl+Shift+C from the Output page copies the part shown and moves on.
    strip->SetCurrent(0);
    auto* next = Find<QPushButton>(f, "post_next");
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    next->setFocus();
    QTest::keyClick(next, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(whole.startsWith(clipboard->text()));
    QCOMPARE(strip->current(), 1u);

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
    QVERIFY(ReadBytes(f.Path("config.cfg")).find("post_limit=0") != std::string::npos);
    QTRY_VERIFY(preview->note().startsWith("No post limit"));
  }
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::PostStripTest)
#include "post_strip_test.moc"
