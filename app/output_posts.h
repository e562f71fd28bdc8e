// The Output page's posts: joins the output view, the post strip above it
// and the Preview page. The strip cuts the text the view shows (edits
// included) into parts for the dialect's limit of config.cfg (forum posts
// or chat-app messages), and the view draws a
// thin rule labelled "part k of K" where each part begins (in the warning
// colour for a part over the limit). The Preview page shows the current
// part (with the limit 0, the first 2,000 lines) in the dialect picked; it
// renders only while shown, once per turn of the event loop.
#pragma once

#include <cstddef>
#include <string>

#include <QObject>
#include <QTimer>

#include "config/config_file.h"
#include "core/dialects/convert_options.h"

class QPainter;
class QWidget;

namespace quorlix {

class MessageSink;
class OutputView;
class PostPreview;
class PostStrip;

class OutputPosts : public QObject {
  Q_OBJECT

 public:
  // Lines the Preview page shows when there is no limit.
  static constexpr std::size_t kPreviewLinesWithoutLimit = 2000;
  // At most this many characters are previewed, so that a huge line
  // cannot hold up the window.
  static constexpr std::size_t kPreviewMaxChars = 100000;

  OutputPosts(OutputView* view, ConfigLocation config, MessageSink& messages, QWidget* window);

  PostStrip* strip() const { return strip_; }
  PostPreview* preview() const { return preview_; }

  // Takes the post limit of the dialect set (forum posts or chat-app
  // messages) from `config`, as read for the conversion; the strip then
  // edits that limit.
  void ReadLimit(const ConfigFile& config);
  void SetDialect(Dialect dialect);
  // Whether the Preview page is the one shown: it renders only then.
  void SetPreviewShown(bool shown);

 private:
  void WriteLimit(quint64 limit);
  void PartsChanged();
  void ShowPartInView(std::size_t first_line);
  void PaintBoundaries(QPainter& painter, std::size_t first, std::size_t last) const;
  void UpdatePreview();
  // Lines [first, end) with their "\n", cut after kPreviewMaxChars
  // characters; `cut` tells whether it was.
  QString PreviewText(std::size_t first, std::size_t end, bool& cut) const;

  OutputView* view_;
  ConfigLocation config_;
  MessageSink& messages_;
  QWidget* window_;
  PostStrip* strip_;
  PostPreview* preview_;
  QTimer preview_timer_;
  Dialect dialect_ = Dialect::kUbb;
  bool preview_shown_ = false;
  bool preview_stale_ = true;
};

}  // namespace quorlix
