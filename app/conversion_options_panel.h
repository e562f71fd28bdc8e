// The output options of the left panel: "Convert to:" with the dialect
// list, and the check boxes Show Channelname, Use Colors for Channels
// (indented under it), Show Time, Mark Removed Links and Delete all Tags
// in Chatlines. Keeps the boxes consistent with each other as the user
// changes them, and writes what is chosen into the engine's options.
#pragma once

#include <QObject>

class QCheckBox;
class QComboBox;
class QLayout;

namespace quorlix {

struct ConvertOptions;

class ConversionOptionsPanel : public QObject {
  Q_OBJECT

 public:
  // Starts at UBB with every box unticked and enabled.
  explicit ConversionOptionsPanel(QObject* parent = nullptr);

  // The options as a column for the left panel's grid, which takes it in
  // and owns it; a layout, so that it spaces its parts as the grid does.
  QLayout* column() const { return column_; }

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
  QLayout* column_;
  QComboBox* combo_code_;
  QCheckBox* check_channel_;
  QCheckBox* check_channel_color_;
  QCheckBox* check_showtime_;
  QCheckBox* check_marklink_;
  QCheckBox* CheckBox_delete_tags_;
};

}  // namespace quorlix
