#include "app/post_strip.h"

#include <algorithm>
#include <climits>

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/translations.h"

namespace quorlix {

PostStrip::PostStrip(PostLines lines, QWidget* parent) : QWidget(parent), lines_(std::move(lines)) {
  limit_box_ = new QSpinBox;
  limit_box_->setObjectName(QStringLiteral("post_limit"));
  limit_box_->setRange(0, INT_MAX);
  limit_box_->setSingleStep(1000);
  limit_box_->setSpecialValueText(tr("none"));
  limit_box_->setToolTip(
      tr("The most characters one post may hold, line breaks "
         "counted as two; 0: no limit"));
  limit_box_->setAccelerated(true);
  // A typed number counts once it is complete (Enter, or focus leaves).
  limit_box_->setKeyboardTracking(false);
  auto* limit_label = new QLabel(tr("Post li&mit:"));
  limit_label->setBuddy(limit_box_);

  part_label_ = new QLabel;
  part_label_->setObjectName(QStringLiteral("post_part"));
  part_label_->setTextInteractionFlags(Qt::NoTextInteraction);
  // A fixed room, so that a longer text never widens the window.
  part_label_->setMinimumWidth(part_label_->fontMetrics().horizontalAdvance(
      tr("Part %1 of %2 (%3 characters)").arg(1).arg(9).arg(GroupedNumber(9999))));
  // Tool buttons: as narrow as their text, so the strip fits the page.
  auto button = [](const QString& text) {
    auto* made = new QToolButton;
    made->setText(text);
    made->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return made;
  };
  previous_ = button(tr("Prev&ious"));
  next_ = button(tr("Ne&xt"));
  copy_part_ = button(tr("Copy &part"));
  copy_part_->setToolTip(tr("Copy this part, then show the next (Ctrl+Shift+C)"));
  copy_all_ = button(tr("Cop&y all"));
  copy_all_->setToolTip(tr("Copy the whole output"));
  previous_->setToolTip(tr("Show the part before"));
  next_->setToolTip(tr("Show the part after"));
  previous_->setObjectName(QStringLiteral("post_previous"));
  next_->setObjectName(QStringLiteral("post_next"));
  copy_part_->setObjectName(QStringLiteral("post_copy_part"));
  copy_all_->setObjectName(QStringLiteral("post_copy_all"));

  part_navigation_ = new QWidget;
  auto* navigation = new QHBoxLayout(part_navigation_);
  navigation->setContentsMargins(0, 0, 0, 0);
  navigation->addWidget(previous_);
  navigation->addWidget(part_label_);
  navigation->addWidget(next_);

  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 2);
  first_row_ = new QHBoxLayout;
  first_row_->addWidget(limit_label);
  first_row_->addWidget(limit_box_);
  first_row_->addWidget(part_navigation_);
  first_row_->addStretch(1);
  first_row_->addWidget(copy_part_);
  first_row_->addWidget(copy_all_);
  second_row_ = new QHBoxLayout;
  second_row_->addStretch(1);
  rows->addLayout(first_row_);
  rows->addLayout(second_row_);
  one_row_width_ = sizeHint().width();

  // Where one row does not fit, the part and its buttons go to a second
  // row (resizeEvent). The strip is never narrower than those two rows, so
  // that at the window's smallest size no control is cut or overlapped.
  for (QWidget* widget :
       std::initializer_list<QWidget*>{limit_label, limit_box_, copy_part_, copy_all_}) {
    first_row_width_ += widget->sizeHint().width() + first_row_->spacing();
  }
  setMinimumWidth(std::max(first_row_width_, part_navigation_->sizeHint().width()));

  connect(limit_box_, &QSpinBox::valueChanged, this, [this](int value) {
    limit_ = static_cast<std::uint64_t>(value);
    Recut();
    emit limitEdited(limit_);
  });
  connect(previous_, &QToolButton::clicked, this, &PostStrip::Previous);
  connect(next_, &QToolButton::clicked, this, &PostStrip::Next);
  connect(copy_part_, &QToolButton::clicked, this, &PostStrip::CopyPart);
  connect(copy_all_, &QToolButton::clicked, this, &PostStrip::CopyAll);
  Recut();
}

QColor PostStrip::WarningColor() { return QColor(0xc0, 0x20, 0x10); }

void PostStrip::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceNavigation(event->size().width());
}

void PostStrip::PlaceNavigation(int width) {
  const bool two_rows = width < one_row_width_;
  if (two_rows == (second_row_->indexOf(part_navigation_) >= 0)) return;
  (two_rows ? first_row_ : second_row_)->removeWidget(part_navigation_);
  if (two_rows) {
    second_row_->insertWidget(0, part_navigation_);
  } else {
    first_row_->insertWidget(2, part_navigation_);  // after the limit
  }
}

void PostStrip::SetLimit(std::uint64_t limit) {
  limit_ = limit;
  const QSignalBlocker quiet(limit_box_);
  limit_box_->setValue(static_cast<int>(std::min<std::uint64_t>(limit, INT_MAX)));
  Recut();
}

bool PostStrip::CutWithoutLimit() {
  if (limit_ != 0) return false;
  const std::size_t count = lines_.count();
  parts_.assign(1, PostPart{0, count, lines_.range_size(0, count), false});
  return true;
}

bool PostStrip::HasLineOverLimit() const {
  return std::any_of(parts_.begin(), parts_.end(),
                     [](const PostPart& part) { return part.over_limit; });
}

void PostStrip::Recut() {
  if (!CutWithoutLimit()) parts_ = SplitIntoParts(lines_.count(), lines_.size_of, limit_);
  current_ = std::min(current_, parts_.size() - 1);
  ShowCurrent();
}

void PostStrip::LinesChanged(std::size_t first, std::size_t removed, std::size_t inserted) {
  if (!CutWithoutLimit()) {
    UpdateParts(parts_, first, removed, inserted, lines_.count(), lines_.size_of, limit_);
  }
  current_ = std::min(current_, parts_.size() - 1);
  ShowCurrent();
}

void PostStrip::SetCurrent(std::size_t part) {
  current_ = std::min(part, parts_.size() - 1);
  ShowCurrent();
}

QString PostStrip::PartName(std::size_t part) const {
  return tr("part %1 of %2")
      .arg(GroupedNumber(static_cast<qlonglong>(part + 1)))
      .arg(GroupedNumber(static_cast<qlonglong>(parts_.size())));
}

void PostStrip::Previous() {
  if (current_ > 0) SetCurrent(current_ - 1);
  emit partChosen(parts_[current_].first);
}

void PostStrip::Next() {
  SetCurrent(current_ + 1);
  emit partChosen(parts_[current_].first);
}

void PostStrip::CopyPart() {
  const PostPart& part = parts_[current_];
  QGuiApplication::clipboard()->setText(lines_.text(part.first, part.end));
  const QString number = GroupedNumber(static_cast<qlonglong>(current_ + 1));
  const QString count = GroupedNumber(static_cast<qlonglong>(parts_.size()));
  emit told(current_ + 1 < parts_.size()
                ? tr("Part %1 of %2 copied").arg(number, count)
                : tr("Part %1 of %2 copied; there are no more parts").arg(number, count));
  Next();
}

void PostStrip::CopyAll() { QGuiApplication::clipboard()->setText(lines_.text(0, lines_.count())); }

void PostStrip::ShowCurrent() {
  const PostPart& part = parts_[current_];
  QString text = tr("Part %1 of %2 (%3 characters)")
                     .arg(GroupedNumber(static_cast<qlonglong>(current_ + 1)))
                     .arg(GroupedNumber(static_cast<qlonglong>(parts_.size())))
                     .arg(GroupedNumber(static_cast<qlonglong>(part.bytes)));
  if (part.over_limit) text = tr("%1, over the limit").arg(text);
  part_label_->setText(text);
  // The label's room holds the longest text of this many parts, so that
  // it is never cut, and stepping through the parts does not move Next.
  const QString count = GroupedNumber(static_cast<qlonglong>(parts_.size()));
  QString widest =
      tr("Part %1 of %2 (%3 characters)")
          .arg(count, count, GroupedNumber(static_cast<qlonglong>(std::max(limit_, part.bytes))));
  if (part.over_limit) widest = tr("%1, over the limit").arg(widest);
  FitLabel(widest);
  QPalette palette = part_label_->palette();
  palette.setColor(QPalette::WindowText,
                   part.over_limit ? WarningColor() : this->palette().color(QPalette::WindowText));
  part_label_->setPalette(palette);
  previous_->setEnabled(current_ > 0);
  next_->setEnabled(current_ + 1 < parts_.size());
  emit partsChanged();
}

void PostStrip::FitLabel(const QString& widest) {
  const int needed = part_label_->fontMetrics().horizontalAdvance(widest) +
                     part_label_->fontMetrics().averageCharWidth();
  if (needed <= part_label_->minimumWidth()) return;
  part_label_->setMinimumWidth(needed);
  // The navigation's layout lays out the wider label at once, not only
  // at the next turn of the event loop.
  part_navigation_->layout()->invalidate();
  const int navigation = part_navigation_->layout()->minimumSize().width();
  part_navigation_->setMinimumWidth(navigation);
  one_row_width_ = std::max(one_row_width_, first_row_width_ + navigation);
  setMinimumWidth(std::max(first_row_width_, navigation));
  PlaceNavigation(width());
}

}  // namespace quorlix
