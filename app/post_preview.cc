#include "app/post_preview.h"

#include <QLabel>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "core/preview/markdown_preview.h"
#include "core/preview/ubb_preview.h"
#include "core/text/cp1252.h"

namespace quorlix {
namespace {

// Laying out a word of many thousand characters at word boundaries takes
// time that grows with the square of its length; such text wraps anywhere.
constexpr qsizetype kLongestWordToWrapAtBoundaries = 1000;

bool HasVeryLongWord(const QString& text) {
  qsizetype run = 0;
  for (QChar c : text) {
    run = c.isSpace() ? 0 : run + 1;
    if (run > kLongestWordToWrapAtBoundaries) return true;
  }
  return false;
}

// The output view shows each byte as its Windows-1252 character; a web
// page's bytes are UTF-8.
QString PageAsShown(const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  for (QChar c : text) {
    const int byte = CharToByte(c.unicode());
    bytes.append(static_cast<char>(byte < 0 ? '?' : byte));
  }
  QString page = QString::fromUtf8(bytes);
  // A game colour's span also names the dark page's colour in a custom
  // property, which makes the rich-text viewer drop the whole style: the
  // light page's colour alone stays.
  static const QRegularExpression dark_colour(QStringLiteral(";--d:#[0-9a-f]{6}\""));
  page.replace(dark_colour, QStringLiteral("\""));
  return page;
}

}  // namespace

PreviewBrowser::PreviewBrowser(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setSearchPaths({});
}

QVariant PreviewBrowser::loadResource(int, const QUrl&) {
  ++resources_asked_;
  return QVariant();
}

PostPreview::PostPreview(QWidget* parent) : QWidget(parent) {
  note_ = new QLabel;
  note_->setObjectName(QStringLiteral("preview_note"));
  note_->setWordWrap(true);  // a long note must not widen the page
  browser_ = new PreviewBrowser;
  browser_->setObjectName(QStringLiteral("preview"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(note_);
  layout->addWidget(browser_, 1);
}

QString PostPreview::note() const { return note_->text(); }

void PostPreview::Show(const QString& text, Dialect dialect, const QString& note) {
  note_->setText(note);
  browser_->setWordWrapMode(HasVeryLongWord(text) ? QTextOption::WrapAnywhere
                                                  : QTextOption::WrapAtWordBoundaryOrAnywhere);
  if (dialect == Dialect::kHtml) {
    browser_->setHtml(text);
  } else if (dialect == Dialect::kPage) {
    browser_->setHtml(PageAsShown(text));
  } else {
    // The renderers pass bytes above 0x7F through, so UTF-8 round-trips.
    const QByteArray utf8 = text.toUtf8();
    const std::string_view bytes(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    const std::string html =
        dialect == Dialect::kMarkdown ? MarkdownToHtml(bytes) : UbbToHtml(bytes);
    browser_->setHtml(QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())));
  }
}

}  // namespace quorlix
