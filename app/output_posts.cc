#include "app/output_posts.h"

#include <algorithm>

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

#include "app/error_box.h"
#include "app/post_preview.h"
#include "app/post_strip.h"
#include "config/config_file.h"
#include "config/post_limit.h"

namespace quorlix {
namespace {

PostLines LinesOf(QPlainTextEdit* view) {
  QTextDocument* document = view->document();
  PostLines lines;
  lines.count = [document] { return static_cast<std::size_t>(document->blockCount()); };
  lines.size_of = [document](std::size_t i) {
    return static_cast<std::size_t>(document->findBlockByNumber(static_cast<int>(i)).length() - 1);
  };
  lines.text = [document](std::size_t first, std::size_t end) {
    QString text;
    for (QTextBlock block = document->findBlockByNumber(static_cast<int>(first));
         block.isValid() && static_cast<std::size_t>(block.blockNumber()) < end; block = block.next()) {
      text += block.text();
      text += QLatin1Char('\n');
    }
    return text;
  };
  return lines;
}

}  // namespace

OutputPosts::OutputPosts(QPlainTextEdit* view, std::string config_path, MessageSink& messages,
                         QWidget* window)
    : QObject(window),
      view_(view),
      config_path_(std::move(config_path)),
      messages_(messages),
      window_(window) {
  strip_ = new PostStrip(LinesOf(view));
  strip_->setObjectName(QStringLiteral("post_strip"));
  preview_ = new PostPreview;
  for (QTimer* timer : {&recut_timer_, &preview_timer_}) {
    timer->setSingleShot(true);
    timer->setInterval(0);
  }
  connect(&recut_timer_, &QTimer::timeout, strip_, &PostStrip::Recut);
  connect(&preview_timer_, &QTimer::timeout, this, &OutputPosts::UpdatePreview);
  connect(view_, &QPlainTextEdit::textChanged, this, &OutputPosts::TextChanged);
  connect(strip_, &PostStrip::partsChanged, this, &OutputPosts::SchedulePreview);
  connect(strip_, &PostStrip::limitEdited, this, &OutputPosts::WriteLimit);
  ReadLimit();
}

void OutputPosts::ReadLimit() { strip_->SetLimit(ReadPostLimit(ConfigFile(config_path_))); }

void OutputPosts::WriteLimit(quint64 limit) {
  RunHandler(messages_, window_, [&] {
    ConfigFile config(config_path_);
    WritePostLimit(config, limit);
  });
}

void OutputPosts::SetDialect(int dialect) {
  dialect_ = dialect;
  SchedulePreview();
}

void OutputPosts::SetPreviewShown(bool shown) {
  preview_shown_ = shown;
  if (shown && preview_stale_) UpdatePreview();
}

void OutputPosts::TextChanged() { recut_timer_.start(); }

void OutputPosts::SchedulePreview() {
  preview_stale_ = true;
  if (preview_shown_) preview_timer_.start();
}

void OutputPosts::UpdatePreview() {
  if (recut_timer_.isActive()) return;  // the recut schedules another
  preview_stale_ = false;
  const PostLines lines = LinesOf(view_);
  const std::size_t count = lines.count();
  if (strip_->limit() == 0) {
    const std::size_t shown = std::min(count, kPreviewLinesWithoutLimit);
    const QString note =
        shown < count ? QStringLiteral("No post limit: the first %L1 of %L2 lines.").arg(shown).arg(count)
                      : QStringLiteral("No post limit: the whole output.");
    preview_->Show(lines.text(0, shown), dialect_, note);
    return;
  }
  const PostPart& part = strip_->parts()[strip_->current()];
  QString note = QStringLiteral("Preview of %1 (%L2 characters).")
                     .arg(strip_->PartName(strip_->current()))
                     .arg(part.bytes);
  if (part.over_limit) note += QStringLiteral(" Over the limit of %L1.").arg(strip_->limit());
  preview_->Show(lines.text(part.first, part.end), dialect_, note);
}

}  // namespace quorlix
