#include "app/input_page.h"

#include <QMenu>
#include <QVBoxLayout>

#include "app/find_bar.h"
#include "app/go_to_time_bar.h"
#include "app/line_view.h"
#include "app/widget_names.h"

namespace quorlix {

InputPage::InputPage(QWidget* parent)
    : QWidget(parent),
      memo_input_(Named(new LineView, "memo_input")),
      find_bar_(new FindBar(memo_input_)),
      go_to_time_bar_(new GoToTimeBar(memo_input_)) {
  setObjectName(QStringLiteral("TabSheet1"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(memo_input_);
  layout->addWidget(find_bar_);
  layout->addWidget(go_to_time_bar_);
}

void InputPage::AddActionsTo(QMenu* edit) {
  const auto add = [&](const char* name, const QString& text, const QKeySequence& keys,
                       auto handler) {
    QAction* action = NamedAction(edit, name, text, keys);
    connect(action, &QAction::triggered, this, [this, handler] {
      emit shownWanted();
      handler();
    });
    edit->addAction(action);
  };
  add("Find1", tr("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F), [this] { Find(); });
  add("FindNext1", tr("Find &next"), QKeySequence(Qt::Key_F3),
      [this] { find_bar_->FindNext(false); });
  add("FindPrevious1", tr("Find pre&vious"), QKeySequence(Qt::SHIFT | Qt::Key_F3),
      [this] { find_bar_->FindNext(true); });
  add("GoToTime1", tr("&Go to time..."), QKeySequence(Qt::CTRL | Qt::Key_G),
      [this] { GoToTime(); });
}

void InputPage::Find() {
  go_to_time_bar_->hide();
  find_bar_->Open();
}

void InputPage::GoToTime() {
  find_bar_->hide();
  go_to_time_bar_->Open();
}

void InputPage::ShowScene(int64_t first, int64_t last) {
  emit shownWanted();
  memo_input_->GoToRow(static_cast<int>(last));
  memo_input_->SetSceneStart(static_cast<int>(first));
  memo_input_->scrollTo(memo_input_->line_model()->index(static_cast<int>(first)),
                        QAbstractItemView::PositionAtTop);
}

}  // namespace quorlix
