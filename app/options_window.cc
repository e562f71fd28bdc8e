#include "app/options_window.h"
namespace quorlix {
OptionsWindow::OptionsWindow(std::string, ColorPicker&, MessageSink&, QWidget* owner) : QDialog(owner) {}
OptionsWindow::~OptionsWindow() = default;
}
