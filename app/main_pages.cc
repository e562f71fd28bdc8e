#include "app/main_pages.h"

#include <utility>

#include <QVBoxLayout>

#include "app/edit_commands.h"
#include "app/input_page.h"
#include "app/line_view.h"
#include "app/output_posts.h"
#include "app/output_view.h"
#include "app/post_preview.h"
#include "app/post_strip.h"
#include "app/tab_access_keys.h"
#include "app/widget_names.h"

namespace quorlix {

MainPages::MainPages(QAction* convert_scene, ConfigLocation config, MessageSink& messages,
                     QWidget* window)
    : TabSheet1_(new InputPage),
      TabSheet2_(Named(new QWidget, "TabSheet2")),
      memo_output_(Named(new OutputView, "memo_output")),
      posts_(new OutputPosts(memo_output_, std::move(config), messages, window)),
      TabSheet3_(Named(posts_->preview(), "TabSheet3")) {
  setObjectName(QStringLiteral("PageControl1"));
  TabSheet1_->view()->AddContextActions({convert_scene});
  memo_output_->setFocusPolicy(Qt::StrongFocus);  // reachable with Tab (where Tab is typed)
  auto* layout = new QVBoxLayout(TabSheet2_);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(posts_->strip());
  layout->addWidget(memo_output_);
  addTab(TabSheet1_, tr("&Input"));
  addTab(TabSheet2_, tr("Ou&put"));
  addTab(TabSheet3_, tr("Pre&view"));
  setCurrentWidget(TabSheet1_);
  GiveAccessKeysToTabsBehind(this);
  edit_commands_ = new EditCommands(
      {TabSheet1_, TabSheet1_->view(), TabSheet2_, memo_output_, TabSheet3_,
       posts_->preview()->browser(), posts_->strip(), [this] { return currentWidget(); }},
      window);
  connect(this, &QTabWidget::currentChanged, this,
          [this] { posts_->SetPreviewShown(currentWidget() == TabSheet3_); });
  connect(TabSheet1_, &InputPage::shownWanted, this, &MainPages::ShowInputPage);
}

void MainPages::AddEditEntriesTo(QMenu* edit) {
  edit_commands_->AddTo(edit);
  TabSheet1_->AddActionsTo(edit);
}

void MainPages::ShowOutput(std::shared_ptr<const LineSource> output) {
  edit_commands_->SetHasOutput(output != nullptr);
  memo_output_->SetSource(std::move(output));
}

void MainPages::ShowInputPage() { setCurrentWidget(TabSheet1_); }
void MainPages::ShowOutputPage() { setCurrentWidget(TabSheet2_); }

}  // namespace quorlix
