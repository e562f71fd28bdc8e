// The About window: the program's version, who made it and where to
// report errors. Modal, created afresh for every opening.
#pragma once

#include <QDialog>

namespace quorlix {

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  explicit AboutWindow(QWidget* owner);
};

}  // namespace quorlix
