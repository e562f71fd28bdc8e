#include "app/go_to_time_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "app/line_view.h"
#include "core/log/time_span.h"

namespace quorlix {

GoToTimeBar::GoToTimeBar(LineView* view, QWidget* parent) : QWidget(parent), view_(view) {
  setObjectName(QStringLiteral("go_to_time_bar"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* label = new QLabel(tr("Go to ti&me (UTC):"));
  text_ = new QLineEdit;
  text_->setObjectName(QStringLiteral("go_to_time_text"));
  text_->setPlaceholderText(tr("YYYY-MM-DD HH:MM", "how a time is typed"));
  label->setBuddy(text_);
  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("go_to_time_status"));
  auto* go = new QToolButton;
  go->setText(tr("Go"));
  auto* close = new QToolButton;
  close->setText(tr("Close"));
  close->setToolTip(tr("Close (Esc)"));
  layout->addWidget(label);
  layout->addWidget(text_, 1);
  layout->addWidget(go);
  layout->addWidget(status_, 1);
  layout->addWidget(close);
  connect(text_, &QLineEdit::returnPressed, this, &GoToTimeBar::Go);
  connect(go, &QToolButton::clicked, this, &GoToTimeBar::Go);
  connect(close, &QToolButton::clicked, this, &GoToTimeBar::Close);
  hide();
}

void GoToTimeBar::Open() {
  show();
  status_->clear();
  text_->setFocus(Qt::ShortcutFocusReason);
  text_->selectAll();
}

void GoToTimeBar::Close() {
  hide();
  view_->setFocus(Qt::OtherFocusReason);
}

void GoToTimeBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Close();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool GoToTimeBar::Go() {
  int64_t t = 0;
  const QByteArray text = text_->text().trimmed().toLatin1();
  if (!ParseUtcDateTime(std::string_view(text.constData(), static_cast<size_t>(text.size())), t)) {
    status_->setText(tr("Not a time: write YYYY-MM-DD HH:MM (UTC)"));
    return false;
  }
  const std::vector<std::string_view>* lines = view_->line_model()->lines();
  const int64_t row = lines ? FirstLineAtOrAfter(*lines, t) : -1;
  if (row < 0) {
    status_->setText(tr("No line at or after that time"));
    return false;
  }
  view_->GoToRow(static_cast<int>(row));
  Close();
  return true;
}

QString GoToTimeBar::status() const { return status_->text(); }

}  // namespace quorlix
