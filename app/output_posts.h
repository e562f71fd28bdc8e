// The Output page's posts: joins the output view, the post strip above it
// and the Preview page. The strip cuts the text the view shows (edits
// included) into parts for the limit of config.cfg; the Preview page shows
// the current part (with the limit 0, the first 2,000 lines) in the
// dialect picked. Changes of the text, the part or the dialect reach the
// strip and the preview on the next turn of the event loop, once.
#pragma once

#include <string>

#include <QObject>
#include <QTimer>

class QPlainTextEdit;
class QWidget;

namespace quorlix {

class MessageSink;
class PostPreview;
class PostStrip;

class OutputPosts : public QObject {
  Q_OBJECT

 public:
  // Lines the Preview page shows when there is no limit.
  static constexpr std::size_t kPreviewLinesWithoutLimit = 2000;

  OutputPosts(QPlainTextEdit* view, std::string config_path, MessageSink& messages,
              QWidget* window);

  PostStrip* strip() const { return strip_; }
  PostPreview* preview() const { return preview_; }

  // Reads post_limit from config.cfg again.
  void ReadLimit();
  void SetDialect(int dialect);
  // Whether the Preview page is the one shown: it renders only then.
  void SetPreviewShown(bool shown);

 private:
  void WriteLimit(quint64 limit);
  void TextChanged();
  void SchedulePreview();
  void UpdatePreview();

  QPlainTextEdit* view_;
  std::string config_path_;
  MessageSink& messages_;
  QWidget* window_;
  PostStrip* strip_;
  PostPreview* preview_;
  QTimer recut_timer_;
  QTimer preview_timer_;
  int dialect_ = 0;
  bool preview_shown_ = false;
  bool preview_stale_ = true;
};

}  // namespace quorlix
