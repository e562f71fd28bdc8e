// Stand-ins for the dialogs and the error box in the window tests, and a
// scratch directory per test.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include "app/dialogs.h"
#include "app/error_box.h"
#include "app/main_window.h"

namespace quorlix::testing {

class FakeFileDialogs : public FileDialogs {
 public:
  QString GetOpenFileName(QWidget*, const QString& folder) override {
    open_folder = folder;
    return open_name;
  }
  QString GetSaveFileName(QWidget*, const QString& suggestion,
                          const std::vector<SaveFileType>& types) override {
    save_suggestion = suggestion;
    save_types.clear();
    for (const SaveFileType& type : types) save_types << type.filter;
    return save_name;
  }
  QString open_name;  // empty: the user cancels
  QString save_name;
  QString open_folder, save_suggestion;  // what the window asked with
  QStringList save_types;
};

class FakeColorPicker : public ColorPicker {
 public:
  std::optional<uint32_t> PickColor(QWidget*, uint32_t initial) override {
    seeds.push_back(initial);
    return answer;
  }
  std::vector<uint32_t> seeds;
  std::optional<uint32_t> answer;  // nothing: the user cancels
};

class FakeUnsavedEditsQuestion : public UnsavedEditsQuestion {
 public:
  Answer Ask(QWidget*, Moment moment) override {
    ++asked;
    moments.push_back(moment);
    return answer;
  }
  int asked = 0;
  std::vector<Moment> moments;
  Answer answer = Answer::kCancel;
};

class RecordingMessages : public MessageSink {
 public:
  void ShowError(QWidget*, const QString& text) override { shown << text; }
  QStringList shown;
};

// The progress caption "Working   <progress>" as the engine forms it, the
// word in the language of the messages.
QString Caption(const QString& progress);

std::string ReadBytes(const QString& path);
void WriteBytes(const QString& path, std::string_view bytes);

// A main window whose config, temporary copy and dialogs live in `dir`.
struct WindowFixture {
  WindowFixture();
  QString Path(const QString& name) const { return dir.filePath(name); }

  QTemporaryDir dir;
  FakeFileDialogs dialogs;
  FakeColorPicker picker;
  RecordingMessages messages;
  FakeUnsavedEditsQuestion unsaved_edits;
  std::unique_ptr<MainWindow> window;
};

// The window's widget or action of this object name and type; a test
// that names one the window lacks ends at once.
template <typename T>
T* Find(WindowFixture& f, const char* name) {
  T* found = f.window->findChild<T*>(QString::fromLatin1(name));
  if (found == nullptr) qFatal("no %s", name);
  return found;
}

}  // namespace quorlix::testing
