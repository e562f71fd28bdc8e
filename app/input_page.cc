#include "app/input_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/find_bar.h"
#include "app/go_to_time_bar.h"
#include "app/line_view.h"
#include "app/widget_names.h"

namespace quorlix {

InputPage::InputPage(QWidget* parent)
    : QWidget(parent),
      heading_(Named(new QLabel, "input_heading")),
      growth_bar_(Named(new QWidget, "log_growth")),
      growth_text_(Named(new QLabel, "growth_text")),
      take_in_(Named(new QPushButton(tr("Take in")), "take_in")),
      reload_(Named(new QPushButton(tr("Reload")), "reload_logs")),
      memo_input_(Named(new LineView, "memo_input")),
      find_bar_(new FindBar(memo_input_)),
      go_to_time_bar_(new GoToTimeBar(memo_input_)) {
  setObjectName(QStringLiteral("TabSheet1"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  heading_->setTextFormat(Qt::PlainText);
  heading_->hide();
  layout->addWidget(heading_);
  auto* growth = new QHBoxLayout(growth_bar_);
  growth->setContentsMargins(0, 0, 0, 0);
  growth->addWidget(growth_text_, 1);
  growth->addWidget(take_in_);
  growth->addWidget(reload_);
  growth_bar_->hide();
  connect(take_in_, &QPushButton::clicked, this, &InputPage::takeInWanted);
  connect(reload_, &QPushButton::clicked, this, &InputPage::reloadWanted);
  layout->addWidget(memo_input_);
  layout->addWidget(growth_bar_);
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

void InputPage::SetHeading(const QString& text) {
  heading_->setText(text);
  heading_->setVisible(!text.isEmpty());
}

QString InputPage::heading() const { return heading_->text(); }

void InputPage::ShowGrowth(int64_t new_lines, const QString& changed) {
  if (!changed.isEmpty()) {
    growth_text_->setText(changed);
  } else if (new_lines > 0) {
    growth_text_->setText((new_lines == 1 ? tr("%1 new line") : tr("%1 new lines"))
                              .arg(QLocale().toString(static_cast<qlonglong>(new_lines))));
  }
  take_in_->setVisible(changed.isEmpty() && new_lines > 0);
  reload_->setVisible(!changed.isEmpty());
  growth_bar_->setVisible(!changed.isEmpty() || new_lines > 0);
}

QString InputPage::growth_text() const {
  return growth_bar_->isHidden() ? QString() : growth_text_->text();
}

}  // namespace quorlix
