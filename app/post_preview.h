// The Preview page: a part of the output shown as a forum or a chat app
// shows it (UBB rendered by core/preview/ubb_preview.h, Markdown by
// core/preview/markdown_preview.h, Html and a web page as they are), with a note saying what
// is shown. Nothing is ever loaded or opened: every resource (pictures,
// style sheets) reads as missing, and links are shown, selectable and
// copyable from the context menu, but a click follows none.
#pragma once

#include <QTextBrowser>
#include <QWidget>

#include "core/dialects/convert_options.h"

class QLabel;

namespace quorlix {

class PreviewBrowser : public QTextBrowser {
  Q_OBJECT

 public:
  explicit PreviewBrowser(QWidget* parent = nullptr);
  // Nothing is fetched, whatever the address: no network, no files.
  QVariant loadResource(int type, const QUrl& name) override;
  // Counts the resources asked for (a test sees that none was loaded).
  int resources_asked() const { return resources_asked_; }

 private:
  int resources_asked_ = 0;
};

class PostPreview : public QWidget {
  Q_OBJECT

 public:
  explicit PostPreview(QWidget* parent = nullptr);

  // Shows `text` (lines ending in "\n") in `dialect` below `note`; a
  // dialect other than Html and Markdown shows as UBB.
  void Show(const QString& text, Dialect dialect, const QString& note);
  PreviewBrowser* browser() const { return browser_; }
  QString note() const;

 private:
  QLabel* note_;
  PreviewBrowser* browser_;
};

}  // namespace quorlix
