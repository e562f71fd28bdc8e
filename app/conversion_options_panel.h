// The output options of the left panel: "Convert to:" with the dialect
// list, and the check boxes Show Channelname, Use Colors for Channels
// (indented under it), Show Time, Mark Removed Links and Delete all Tags
// in Chatlines. Keeps the boxes consistent with each other as the user
// changes them, and writes what is chosen into the engine's options.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;

namespace quorlix {

struct ConvertOptions;

class ConversionOptionsPanel : public QWidget {
  Q_OBJECT

 public:
  // Starts at UBB with every box unticked and enabled.
  explicit ConversionOptionsPanel(QWidget* parent = nullptr);

  QComboBox* dialect_list() const { return combo_code_; }
  QCheckBox* channel_name() const { return check_channel_; }

  // Ticked Show Channelname enables the colours box, leaving its tick;
  // unticked unticks it, then disables it.
  void CoupleChannelColors();
  // After the user picked the dialect at `index`: Mark Removed Links is
  // enabled for the dialects that mark links, its tick left alone.
  void FollowDialect(int index);
  void ReadInto(ConvertOptions& options) const;

 private:
  QComboBox* combo_code_;
  QCheckBox* check_channel_;
  QCheckBox* check_channel_color_;
  QCheckBox* check_showtime_;
  QCheckBox* check_marklink_;
  QCheckBox* CheckBox_delete_tags_;
};

}  // namespace quorlix
