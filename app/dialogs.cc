#include "app/dialogs.h"

#include <QColor>
#include <QColorDialog>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "app/pane_text.h"
#include "core/files/output_target.h"

namespace quorlix {

QString WithoutSuffixAddedToStream(const QString& selected) {
  const QString suffix = QStringLiteral(".txt");
  if (!selected.endsWith(suffix) || QFileInfo::exists(selected)) return selected;
  const QString typed = selected.chopped(suffix.size());
  return IsStreamTarget(LocalPath(typed)) ? typed : selected;
}

QString QtFileDialogs::GetOpenFileName(QWidget* parent, const QString& folder) {
  return QFileDialog::getOpenFileName(parent, QString(), folder);
}

QStringList QtFileDialogs::GetOpenFileNames(QWidget* parent, const QString& folder) {
  return QFileDialog::getOpenFileNames(parent, QString(), folder);
}

QString QtFileDialogs::GetSaveFileName(QWidget* parent, const QString& suggestion) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({QCoreApplication::translate("FileDialogs", "Textfile (*.txt)"),
                         QCoreApplication::translate("FileDialogs", "All files (*)")});
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  // Replacing an existing file is confirmed: QFileDialog asks unless told
  // not to. Qt's own dialog asks about the name with ".txt" appended; a
  // desktop's native dialog may ask about the name as typed instead, and
  // then replace "out.txt" without a question when the user typed "out".
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (!suggestion.isEmpty()) dialog.selectFile(suggestion);  // its folder and name
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return WithoutSuffixAddedToStream(dialog.selectedFiles().first());
}

std::optional<uint32_t> QtColorPicker::PickColor(QWidget* parent, uint32_t initial) {
  const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
  // QColorDialog always shows its custom-colour part: it opens "full open".
  const QColor chosen = QColorDialog::getColor(start, parent);
  if (!chosen.isValid()) return std::nullopt;
  return static_cast<uint32_t>(chosen.red()) | static_cast<uint32_t>(chosen.green()) << 8 |
         static_cast<uint32_t>(chosen.blue()) << 16;
}

UnsavedEditsQuestion::Answer MessageBoxUnsavedEditsQuestion::Ask(QWidget* parent, Moment moment) {
  const QString text =
      moment == Moment::kClosing
          ? QCoreApplication::translate("Dialogs",
                                        "The output was edited since it was last saved.\n"
                                        "Save it before closing?")
          : QCoreApplication::translate("Dialogs",
                                        "The output was edited since it was last saved.\n"
                                        "Save it before it is replaced?");
  const QMessageBox::StandardButton button = QMessageBox::question(
      parent, QStringLiteral("Quorlix"), text,
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  if (button == QMessageBox::Save) return Answer::kSave;
  if (button == QMessageBox::Discard) return Answer::kDiscard;
  return Answer::kCancel;
}

FileDialogs& DefaultFileDialogs() {
  static QtFileDialogs dialogs;
  return dialogs;
}

UnsavedEditsQuestion& DefaultUnsavedEditsQuestion() {
  static MessageBoxUnsavedEditsQuestion question;
  return question;
}

ColorPicker& DefaultColorPicker() {
  static QtColorPicker picker;
  return picker;
}

}  // namespace quorlix
