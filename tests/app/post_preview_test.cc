// The Preview page as it lays out a post: blocks nested in a quotation,
// and formats around them, keep the text after them inside it.
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "app/post_preview.h"

namespace quorlix::testing {
namespace {

// The left margin of the block whose text is `text`; -1 when there is none.
qreal LeftMarginOf(const QTextDocument& document, const QString& text) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block.text() == text) return block.blockFormat().leftMargin();
  }
  return -1;
}

}  // namespace

class PostPreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void NestedBlocksKeepTheTextAfterThemInsideTheQuote() {
    PostPreview preview;
    preview.Show(QStringLiteral("[color=red][quote=Ann]a\n[quote]b[/quote]c[code]d[/code][b]e[/b]"
                                "[/quote]f[/color]\n"),
                 Dialect::kUbb, QString());
    const QTextDocument& document = *preview.browser()->document();
    const qreal quote = LeftMarginOf(document, QStringLiteral("a"));
    QVERIFY(quote > 0);
    QVERIFY(LeftMarginOf(document, QStringLiteral("b")) > quote);
    QCOMPARE(LeftMarginOf(document, QStringLiteral("c")), quote);
    QCOMPARE(LeftMarginOf(document, QStringLiteral("d")), quote);
    QCOMPARE(LeftMarginOf(document, QStringLiteral("e")), quote);
    QCOMPARE(LeftMarginOf(document, QStringLiteral("f")), 0.0);
    QCOMPARE(LeftMarginOf(document, QStringLiteral("Ann wrote:")), quote);
  }

  // A web page shows the game's colours as the light page does.
  void PageShowsTheGameColours() {
    PostPreview preview;
    preview.Show(
        QStringLiteral("<p>a <span style=\"color:#999900;--d:#ffff00\">gold</span> b</p>\n"),
        Dialect::kPage, QString());
    const QTextDocument& document = *preview.browser()->document();
    QTextCursor gold = document.find(QStringLiteral("gold"));
    QVERIFY(!gold.isNull());
    QCOMPARE(gold.charFormat().foreground().color(), QColor(0x99, 0x99, 0x00));
  }
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::PostPreviewTest)
#include "post_preview_test.moc"
