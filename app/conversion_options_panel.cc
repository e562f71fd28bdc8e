#include "app/conversion_options_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/widget_names.h"
#include "core/dialects/convert_options.h"

namespace quorlix {

ConversionOptionsPanel::ConversionOptionsPanel(QObject* parent) : QObject(parent) {
  auto* options = new QVBoxLayout;
  column_ = options;
  auto* label = Named(new QLabel(tr("Convert &to:")), "Label5");
  options->addWidget(label);
  combo_code_ = Named(new QComboBox, "combo_code");
  label->setBuddy(combo_code_);
  combo_code_->setToolTip(
      tr("What the output is made for: a forum (UBB or Html), a chat app "
         "(Markdown) or a web page of its own"));
  combo_code_->addItems({QStringLiteral("UBB"), QStringLiteral("Html"),
                         QStringLiteral("Markdown (Discord)"), tr("Web page")});
  combo_code_->setEditable(false);
  options->addWidget(combo_code_);
  check_channel_ = Named(new QCheckBox(tr("Sho&w Channelname")), "check_channel");
  check_channel_color_ =
      Named(new QCheckBox(tr("&Use Colors for Channels")), "check_channel_color");
  check_showtime_ = Named(new QCheckBox(tr("Show Ti&me")), "check_showtime");
  check_marklink_ = Named(new QCheckBox(tr("Mar&k Removed Links")), "check_marklink");
  CheckBox_delete_tags_ =
      Named(new QCheckBox(tr("&Delete all Tags in Chatlines")), "CheckBox_delete_tags");
  check_channel_->setToolTip(tr("Begin each line with the name of its channel"));
  check_channel_color_->setToolTip(tr("Colour the channel's name as the Options window sets it"));
  check_showtime_->setToolTip(tr("Begin each line with its time, in the Options window's form"));
  check_marklink_->setToolTip(tr("Say where a link was taken out of a message"));
  CheckBox_delete_tags_->setToolTip(tr("Take the game's markup out of the messages"));
  options->addWidget(check_channel_);
  auto* indented = new QHBoxLayout;
  indented->addSpacing(18);
  indented->addWidget(check_channel_color_);
  options->addLayout(indented);
  options->addWidget(check_showtime_);
  options->addWidget(check_marklink_);
  options->addWidget(CheckBox_delete_tags_);
  options->addStretch(1);
  // Set before anyone listens: the change signal is the user's alone.
  combo_code_->setCurrentIndex(static_cast<int>(Dialect::kUbb));
}

void ConversionOptionsPanel::CoupleChannelColors() {
  if (check_channel_->isChecked()) {
    check_channel_color_->setEnabled(true);
  } else {
    check_channel_color_->setChecked(false);
    check_channel_color_->setEnabled(false);
  }
}

void ConversionOptionsPanel::FollowDialect(int index) {
  const Dialect dialect = static_cast<Dialect>(index);
  check_marklink_->setEnabled(dialect == Dialect::kUbb || dialect == Dialect::kHtml ||
                              dialect == Dialect::kMarkdown || dialect == Dialect::kPage);
}

void ConversionOptionsPanel::ReadInto(ConvertOptions& options) const {
  options.dialect = static_cast<Dialect>(combo_code_->currentIndex());
  options.show_channel = check_channel_->isChecked();
  options.channel_colors = check_channel_color_->isChecked();
  options.show_time = check_showtime_->isChecked();
  options.mark_links = check_marklink_->isChecked();
  options.delete_tags = CheckBox_delete_tags_->isChecked();
}

}  // namespace quorlix
