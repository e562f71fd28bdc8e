// The Options window: the channel colours in a grid of names and colours,
// the time display pattern, and two settings carried through unchanged.
// It reads config.cfg when it opens and writes it only on "Close".
#pragma once

#include <string>

#include <QDialog>

namespace quorlix {

class ColorPicker;
class MessageSink;

class OptionsWindow : public QDialog {
  Q_OBJECT

 public:
  OptionsWindow(std::string config_path, ColorPicker& picker, MessageSink& messages,
                QWidget* owner);
  ~OptionsWindow() override;
};

}  // namespace quorlix
