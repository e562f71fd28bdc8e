#include "app/find_bar.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

#include "app/line_view.h"
#include "app/translations.h"
#include "core/log/line_search.h"
#include "core/text/cp1252.h"

namespace quorlix {
namespace {}  // namespace

FindBar::FindBar(LineView* view, QWidget* parent) : QWidget(parent), view_(view) {
  setObjectName(QStringLiteral("find_bar"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* label = new QLabel(tr("F&ind:"));
  text_ = new QLineEdit;
  text_->setObjectName(QStringLiteral("find_text"));
  text_->setClearButtonEnabled(true);
  label->setBuddy(text_);
  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("find_status"));
  status_->setMinimumWidth(status_->fontMetrics().horizontalAdvance(
      tr("%1 of %2").arg(GroupedNumber(8888888), GroupedNumber(8888888))));
  auto* previous = new QToolButton;
  previous->setText(tr("Previous"));
  previous->setToolTip(tr("Previous match (Shift+F3)"));
  auto* next = new QToolButton;
  next->setText(tr("Next"));
  next->setToolTip(tr("Next match (F3)"));
  auto* close = new QToolButton;
  close->setText(tr("Close"));
  close->setToolTip(tr("Close the find bar (Esc)"));
  layout->addWidget(label);
  layout->addWidget(text_, 1);
  layout->addWidget(previous);
  layout->addWidget(next);
  layout->addWidget(status_);
  layout->addWidget(close);

  connect(text_, &QLineEdit::textChanged, this, &FindBar::StartSearch);
  connect(text_, &QLineEdit::returnPressed, this,
          [this] { FindNext(QApplication::keyboardModifiers() & Qt::ShiftModifier); });
  connect(previous, &QToolButton::clicked, this, [this] { FindNext(true); });
  connect(next, &QToolButton::clicked, this, [this] { FindNext(false); });
  connect(close, &QToolButton::clicked, this, &FindBar::Close);
  // The lines go away and come back with every load: search them anew.
  QAbstractItemModel* model = view_->model();
  connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &FindBar::StopSearch);
  connect(model, &QAbstractItemModel::modelReset, this, [this] {
    if (isVisible()) StartSearch();
  });
  hide();
}

FindBar::~FindBar() { StopSearch(); }

void FindBar::Open() {
  const bool was_hidden = isHidden();
  show();
  text_->setFocus(Qt::ShortcutFocusReason);
  text_->selectAll();
  if (was_hidden) StartSearch();
}

void FindBar::Close() {
  StopSearch();
  matches_.clear();
  view_->SetHighlight({});
  hide();
  view_->setFocus(Qt::OtherFocusReason);
}

void FindBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Close();
    return;
  }
  QWidget::keyPressEvent(event);
}

// Cancels the running search and waits for it: the worker looks at the
// cancel flag every few thousand lines, so this is quick.
void FindBar::StopSearch() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
  cancel_ = false;
  ++generation_;  // results still queued from the old search are dropped
  searching_ = false;
}

void FindBar::StartSearch() {
  StopSearch();
  matches_.clear();
  pending_ = 0;
  // The text as the log's bytes; a character that no byte shows matches
  // nothing.
  const QString typed = text_->text();
  std::string bytes;
  const bool searchable =
      !typed.isEmpty() &&
      AppendCharsAsBytes(std::u16string_view(reinterpret_cast<const char16_t*>(typed.utf16()),
                                             static_cast<size_t>(typed.size())),
                         bytes) == std::string_view::npos;
  const QByteArray needle = searchable ? QByteArray::fromStdString(bytes) : QByteArray();
  view_->SetHighlight(needle);
  const std::vector<std::string_view>* lines = view_->line_model()->lines();
  if (!searchable || lines == nullptr) {
    ShowStatus();
    return;
  }
  searching_ = true;
  ShowStatus();
  const uint64_t generation = generation_;
  worker_ = std::thread([this, lines, needle, generation] {
    const CaseFoldedNeedle folded(
        std::string_view(needle.constData(), static_cast<size_t>(needle.size())));
    std::vector<int32_t> rows = FindMatchingLines(*lines, folded, cancel_);
    if (cancel_) return;
    QMetaObject::invokeMethod(
        this,
        [this, generation, rows = std::move(rows)]() mutable {
          TakeResults(generation, std::move(rows));
        },
        Qt::QueuedConnection);
  });
}

void FindBar::TakeResults(uint64_t generation, std::vector<int32_t> rows) {
  if (generation != generation_) return;
  if (worker_.joinable()) worker_.join();
  searching_ = false;
  matches_ = std::move(rows);
  const int pending = pending_;
  pending_ = 0;
  if (pending != 0) {
    Step(pending < 0);
  } else {
    ShowStatus();
  }
}

void FindBar::FindNext(bool backward) {
  if (isHidden()) {
    Open();
  }
  if (searching_) {
    pending_ = backward ? -1 : 1;
    return;
  }
  Step(backward);
}

void FindBar::Step(bool backward) {
  const int32_t row = NextMatch(matches_, view_->currentIndex().row(), backward);
  if (row >= 0) view_->GoToRow(row);
  ShowStatus();
}

QString FindBar::status() const { return status_->text(); }

void FindBar::ShowStatus() {
  if (searching_) {
    status_->setText(tr("Searching…"));
  } else if (text_->text().isEmpty()) {
    status_->clear();
  } else if (matches_.empty()) {
    status_->setText(tr("Not found"));
  } else {
    const int32_t current = view_->currentIndex().row();
    const auto it = std::lower_bound(matches_.begin(), matches_.end(), current);
    const QString total = GroupedNumber(static_cast<qlonglong>(matches_.size()));
    if (it != matches_.end() && *it == current) {
      status_->setText(tr("%1 of %2").arg(GroupedNumber(it - matches_.begin() + 1), total));
    } else {
      status_->setText(
          (matches_.size() == 1 ? tr("%1 matching line") : tr("%1 matching lines")).arg(total));
    }
  }
}

}  // namespace quorlix
