#include "app/output_posts.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <QStringList>

#include "app/error_box.h"
#include "app/output_view.h"
#include "app/post_preview.h"
#include "app/post_strip.h"
#include "config/config_file.h"
#include "config/post_limit.h"

namespace quorlix {
namespace {

PostLines LinesOf(const OutputView* view) {
  PostLines lines;
  lines.count = [view] { return view->lines().size(); };
  lines.size_of = [view](std::size_t i) { return view->lines().LineLength(i); };
  lines.text = [view](std::size_t first, std::size_t end) {
    const EditableLines& text = view->lines();
    if (first >= end) return QString();
    if (end < text.size()) return view->TextBetween({first, 0}, {end, 0});
    return view->TextBetween({first, 0}, text.End()) + QLatin1Char('\n');
  };
  lines.range_size = [view](std::size_t first, std::size_t end) -> std::uint64_t {
    const EditableLines& text = view->lines();
    if (first >= end) return 0;
    // CharCount counts each line break once; CR LF counts 2.
    if (end < text.size()) return text.CharCount({first, 0}, {end, 0}) + (end - first);
    return text.CharCount({first, 0}, text.End()) + (end - first) + 1;
  };
  return lines;
}

}  // namespace

OutputPosts::OutputPosts(OutputView* view, ConfigLocation config, MessageSink& messages,
                         QWidget* window)
    : QObject(window),
      view_(view),
      config_(std::move(config)),
      messages_(messages),
      window_(window) {
  strip_ = new PostStrip(LinesOf(view));
  strip_->setObjectName(QStringLiteral("post_strip"));
  preview_ = new PostPreview;
  preview_timer_.setSingleShot(true);
  preview_timer_.setInterval(0);
  connect(&preview_timer_, &QTimer::timeout, this, &OutputPosts::UpdatePreview);
  connect(view_, &OutputView::changed, strip_,
          [this](qsizetype first, qsizetype removed, qsizetype inserted) {
            strip_->LinesChanged(static_cast<std::size_t>(first), static_cast<std::size_t>(removed),
                                 static_cast<std::size_t>(inserted));
          });
  connect(strip_, &PostStrip::partsChanged, this, &OutputPosts::PartsChanged);
  connect(strip_, &PostStrip::partChosen, this, &OutputPosts::ShowPartInView);
  connect(strip_, &PostStrip::limitEdited, this, &OutputPosts::WriteLimit);
  view_->SetDecorationPainter([this](QPainter& painter, std::size_t first, std::size_t last) {
    PaintBoundaries(painter, first, last);
  });
  ReadLimit(ConfigFile(config_));
}

void OutputPosts::ReadLimit(const ConfigFile& config) {
  strip_->SetLimit(ReadPostLimit(config, dialect_));
}

void OutputPosts::WriteLimit(quint64 limit) {
  RunHandler(messages_, window_, [&] {
    ConfigFile config(config_);
    WritePostLimit(config, dialect_, limit);
  });
  // Markdown's long lines were cut for the limit they were converted with.
  if (dialect_ == Dialect::kMarkdown && strip_->HasLineOverLimit()) {
    emit strip_->told(tr("Convert again to cut the lines over the new limit"));
  }
}

void OutputPosts::SetDialect(Dialect dialect) {
  dialect_ = dialect;
  strip_->setVisible(dialect != Dialect::kPage);  // a page is one file, not posts
  PartsChanged();
}

void OutputPosts::SetPreviewShown(bool shown) {
  preview_shown_ = shown;
  if (shown && preview_stale_) UpdatePreview();
}

void OutputPosts::PartsChanged() {
  view_->viewport()->update();
  preview_stale_ = true;
  if (preview_shown_) preview_timer_.start();
}

// The part's first line at the top of the view, whichever way the user went.
void OutputPosts::ShowPartInView(std::size_t first_line) {
  view_->SetCursor({first_line, 0});
  view_->verticalScrollBar()->setValue(static_cast<int>(first_line));
}

// A rule in the gap above the first line of every part after the first,
// with its name at the right edge.
void OutputPosts::PaintBoundaries(QPainter& painter, std::size_t first, std::size_t last) const {
  const std::vector<PostPart>& parts = strip_->parts();
  if (parts.size() < 2) return;
  painter.save();
  QFont font = painter.font();
  font.setPointSizeF(font.pointSizeF() * 0.85);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const int width = view_->viewport()->width();
  const QPalette& palette = view_->palette();
  for (std::size_t k = std::max<std::size_t>(1, PartOfLine(parts, first));
       k < parts.size() && parts[k].first <= last + 1; ++k) {
    if (parts[k].first < first) continue;
    const QColor color =
        parts[k].over_limit ? PostStrip::WarningColor() : palette.color(QPalette::Highlight);
    const int y = view_->LineTop(parts[k].first);
    painter.setPen(color);
    painter.drawLine(0, y, width, y);
    QString name = strip_->PartName(k);
    if (parts[k].over_limit) name = PostStrip::tr("%1, over the limit").arg(name);
    QRect label(0, 0, metrics.horizontalAdvance(name) + 10, metrics.height());
    label.moveCenter(QPoint(width - label.width() / 2 - 8, y));
    painter.fillRect(label, palette.color(QPalette::Base));
    painter.drawRect(label.adjusted(0, 0, -1, -1));
    painter.drawText(label, Qt::AlignCenter, name);
  }
  painter.restore();
}

QString OutputPosts::PreviewText(std::size_t first, std::size_t end, bool& cut) const {
  const EditableLines& text = view_->lines();
  std::size_t room = kPreviewMaxChars;
  for (std::size_t line = first; line < end; ++line) {
    const std::size_t length = text.LineLength(line) + 1;
    if (length > room) {
      cut = true;
      return view_->TextBetween({first, 0}, {line, std::min(room, length - 1)});
    }
    room -= length;
  }
  cut = false;
  return LinesOf(view_).text(first, end);
}

void OutputPosts::UpdatePreview() {
  preview_stale_ = false;
  const std::size_t count = view_->lines().size();
  std::size_t first = 0, end = std::min(count, kPreviewLinesWithoutLimit);
  QStringList note;  // sentences
  if (strip_->limit() == 0) {
    note << (end < count ? tr("No post limit: the first %L1 of %L2 lines.").arg(end).arg(count)
                         : tr("No post limit: the whole output."));
  } else {
    const PostPart& part = strip_->parts()[strip_->current()];
    first = part.first;
    end = part.end;
    note << tr("Preview of %1 (%L2 characters).")
                .arg(strip_->PartName(strip_->current()))
                .arg(part.bytes);
    if (part.over_limit) note << tr("Over the limit of %L1.").arg(strip_->limit());
  }
  bool cut = false;
  const QString text = PreviewText(first, end, cut);
  if (cut) note << tr("Only the first %L1 characters are shown.").arg(kPreviewMaxChars);
  preview_->Show(text, dialect_, note.join(u' '));
}

}  // namespace quorlix
