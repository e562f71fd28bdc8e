// The main window's pages: Input (app/input_page.h), "Ouput" (the post
// strip above the editable output) and Preview (app/output_posts.h), with
// the Edit menu's entries for the page in front. The Input page is in
// front at the start and whenever it asks to be; the Preview renders only
// while it is in front.
#pragma once

#include <memory>

#include <QTabWidget>

#include "config/config_file.h"

class QAction;
class QMenu;

namespace quorlix {

class EditCommands;
class InputPage;
class LineSource;
class MessageSink;
class OutputPosts;
class OutputView;

class MainPages : public QTabWidget {
  Q_OBJECT

 public:
  // `convert_scene` joins the input view's context menu; `window` is the
  // main window, whose keys and dialogs the pages use.
  MainPages(QAction* convert_scene, ConfigLocation config, MessageSink& messages, QWidget* window);

  InputPage* input() const { return TabSheet1_; }
  OutputView* output() const { return memo_output_; }
  OutputPosts* posts() const { return posts_; }

  // Adds the clipboard entries, then the Input page's, to `edit`.
  void AddEditEntriesTo(QMenu* edit);
  // Shows `output` on the Output page (nullptr: none), the post strip and
  // Copy part enabled with it.
  void ShowOutput(std::shared_ptr<const LineSource> output);
  void ShowInputPage();
  void ShowOutputPage();

 private:
  InputPage* TabSheet1_;
  QWidget* TabSheet2_;
  OutputView* memo_output_;
  OutputPosts* posts_;
  QWidget* TabSheet3_;
  EditCommands* edit_commands_;
};

}  // namespace quorlix
