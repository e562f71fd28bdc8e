#include "app/dialogs.h"

#include <QColor>
#include <QColorDialog>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "app/pane_text.h"
#include "core/files/output_target.h"

namespace quorlix {

std::vector<SaveFileType> SaveFileTypesFor(Dialect dialect) {
  const SaveFileType text{QCoreApplication::translate("FileDialogs", "Textfile (*.txt)"),
                          QStringLiteral("txt")};
  switch (dialect) {
    case Dialect::kPage:
    case Dialect::kHtml:
      return {{QCoreApplication::translate("FileDialogs", "Web page (*.html *.htm)"),
               QStringLiteral("html")}};
    case Dialect::kMarkdown:
      return {{QCoreApplication::translate("FileDialogs", "Markdown (*.md)"), QStringLiteral("md")},
              text};
    default: return {text};
  }
}

QString WithoutSuffixAddedToStream(const QString& selected, const QString& suffix) {
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

QString QtFileDialogs::GetSaveFileName(QWidget* parent, const QString& suggestion,
                                       const std::vector<SaveFileType>& types) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  QStringList filters;
  for (const SaveFileType& type : types) filters << type.filter;
  filters << QCoreApplication::translate("FileDialogs", "All files (*)");
  dialog.setNameFilters(filters);
  const QString first_suffix = types.empty() ? QStringLiteral("txt") : types.front().suffix;
  dialog.setDefaultSuffix(first_suffix);
  // The suffix follows the type picked; "All files" keeps the first one's.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
    QString suffix = first_suffix;
    for (const SaveFileType& type : types) {
      if (type.filter == filter) suffix = type.suffix;
    }
    dialog.setDefaultSuffix(suffix);
  });
  // Replacing an existing file is confirmed: QFileDialog asks unless told
  // not to. Qt's own dialog asks about the name with the suffix appended; a
  // desktop's native dialog may ask about the name as typed instead, and
  // then replace "out.txt" without a question when the user typed "out".
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (!suggestion.isEmpty()) dialog.selectFile(suggestion);  // its folder and name
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return WithoutSuffixAddedToStream(dialog.selectedFiles().first(),
                                    QLatin1Char('.') + dialog.defaultSuffix());
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
  QMessageBox box(QMessageBox::Question, QStringLiteral("Quorlix"), text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Save);
  // Each answer with its access key.
  box.button(QMessageBox::Save)->setText(QCoreApplication::translate("Dialogs", "&Save"));
  box.button(QMessageBox::Discard)->setText(QCoreApplication::translate("Dialogs", "&Discard"));
  box.button(QMessageBox::Cancel)->setText(QCoreApplication::translate("Dialogs", "&Cancel"));
  const int button = box.exec();
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
