#include "app/output_saving.h"

#include <cerrno>
#include <optional>
#include <string>

#include <QDir>
#include <QFileInfo>

#include "app/pane_text.h"
#include "core/files/atomic_write.h"
#include "core/files/editable_lines.h"
#include "core/files/output_target.h"
#include "core/files/platform.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

// A FIFO or device cannot be replaced: the output goes straight into it.
void WriteIntoStream(const std::string& path, const EditableLines& lines) {
  const int fd = OpenStreamTarget(path);
  int error = fd < 0 ? errno : 0;
  if (fd >= 0) {
    lines.WriteBytes([&](std::string_view bytes) {
      if (error == 0 && !WriteAllToStream(fd, bytes.data(), bytes.size())) error = errno;
    });
    platform::Close(fd);
  }
  if (error != 0) {
    throw Error(
        FormatText(Tr("Cannot write file %s. %s"), {path, platform::SystemErrorText(error)}));
  }
}

}  // namespace

QString SuggestedSavePath(const QString& log_path, const QString& last_folder,
                          const QString& suffix) {
  if (log_path.isEmpty()) return last_folder;
  const QFileInfo log(log_path);
  const QString dot_suffix = QLatin1Char('.') + suffix;
  QString name = log.completeBaseName() + dot_suffix;
  // Never the log itself ("log.txt" gives "log.txt.txt").
  if (name == log.fileName()) name = log.fileName() + dot_suffix;
  const QString folder = last_folder.isEmpty() ? log.absolutePath() : last_folder;
  return QDir(folder).filePath(name);
}

void SaveOutputLines(const EditableLines& lines, const QString& chosen,
                     const QStringList& log_paths) {
  // Unchanged lines are copied as the conversion wrote them.
  if (const std::optional<TextPos> bad = lines.FirstCharWithoutByte()) {
    std::u16string text;
    lines.Line(bad->line, text);
    ThrowCharWithoutByte(bad->line + 1, text, bad->column);
  }
  const std::string path = LocalPath(chosen);
  for (const QString& log_path : log_paths) {
    if (IsTheLog(path, LocalPath(log_path))) {
      throw Error(FormatText(Tr("%s is the input file %s itself and is not overwritten"),
                             {path, LocalPath(log_path)}));
    }
  }
  if (platform::IsLostDeviceName(path)) throw Error(LostDeviceMessage(path));
  if (IsStreamTarget(path)) {
    WriteIntoStream(path, lines);
  } else {
    AtomicFileWriter writer(path);
    lines.WriteBytes([&writer](std::string_view bytes) { writer.Write(bytes); });
    writer.Commit();
  }
}

}  // namespace quorlix
