// A filter field and Select all / Select none over a persons or channels
// list. Typing hides the entries whose name does not hold the text (letter
// case ignored); hidden entries keep their selection, so what is converted
// does not change. Select all / none act on the entries shown. The bar is
// enabled exactly when its list is.
#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;

namespace quorlix {

class ListFilterBar : public QWidget {
  Q_OBJECT

 public:
  // Names its parts `<name>_filter`, `<name>_all`, `<name>_none`.
  ListFilterBar(QListWidget* list, const QString& name, QWidget* parent = nullptr);

  void ApplyFilter();
  void SelectShown(bool selected);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QListWidget* list_;
  QLineEdit* text_;
};

}  // namespace quorlix
