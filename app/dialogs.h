// The modal dialogs that the windows ask for a file name or a colour. They
// sit behind small interfaces so that tests answer them without a modal
// window blocking the test.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "core/dialects/convert_options.h"

class QWidget;

namespace quorlix {

// A kind of file the save dialog offers: its name filter ("Textfile
// (*.txt)") and the suffix, without dot, that a name typed without one gets.
struct SaveFileType {
  QString filter;
  QString suffix;
};

// What Save offers for output in `dialect`: a web page for the page and
// Html, Markdown or a text file for Markdown, a text file for UBB.
std::vector<SaveFileType> SaveFileTypesFor(Dialect dialect);

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The file to load: all files, no filter; the dialog starts in
  // `folder` (empty: wherever it likes). Empty when cancelled.
  virtual QString GetOpenFileName(QWidget* parent, const QString& folder) = 0;
  // The files to load, several at once (merged); empty when cancelled.
  virtual QStringList GetOpenFileNames(QWidget* parent, const QString& folder) {
    const QString name = GetOpenFileName(parent, folder);
    return name.isEmpty() ? QStringList() : QStringList{name};
  }
  // The file to save to, the suffix of the type picked (the first of
  // `types` at the start) appended to a name typed without extension and
  // replacing confirmed; the dialog starts at `suggestion` (its folder and
  // name) and lists the files of the type picked. Empty when cancelled.
  virtual QString GetSaveFileName(QWidget* parent, const QString& suggestion,
                                  const std::vector<SaveFileType>& types) = 0;
};

// The save dialog's `selected` name, less the `suffix` (".txt") that the
// dialog appended, when only the name without it exists and is a device,
// FIFO or socket: "/dev/null" stays "/dev/null" and no "/dev/null.txt" is
// made.
QString WithoutSuffixAddedToStream(const QString& selected,
                                   const QString& suffix = QStringLiteral(".txt"));

class QtFileDialogs : public FileDialogs {
 public:
  QString GetOpenFileName(QWidget* parent, const QString& folder) override;
  QStringList GetOpenFileNames(QWidget* parent, const QString& folder) override;
  QString GetSaveFileName(QWidget* parent, const QString& suggestion,
                          const std::vector<SaveFileType>& types) override;
};

// Colours are colour values, 0x00BBGGRR (red in the low byte).
class ColorPicker {
 public:
  virtual ~ColorPicker() = default;
  // The colour the user accepted; nothing when cancelled.
  virtual std::optional<uint32_t> PickColor(QWidget* parent, uint32_t initial) = 0;
};

class QtColorPicker : public ColorPicker {
 public:
  std::optional<uint32_t> PickColor(QWidget* parent, uint32_t initial) override;
};

// Asked when the output holds edits not saved and is about to go: the
// window closes, or a load or conversion replaces the output.
class UnsavedEditsQuestion {
 public:
  enum class Answer { kSave, kDiscard, kCancel };
  enum class Moment { kClosing, kReplacing };
  virtual ~UnsavedEditsQuestion() = default;
  virtual Answer Ask(QWidget* parent, Moment moment) = 0;
};

// A QMessageBox with Save, Discard and Cancel.
class MessageBoxUnsavedEditsQuestion : public UnsavedEditsQuestion {
 public:
  Answer Ask(QWidget* parent, Moment moment) override;
};

FileDialogs& DefaultFileDialogs();
ColorPicker& DefaultColorPicker();
UnsavedEditsQuestion& DefaultUnsavedEditsQuestion();

}  // namespace quorlix
