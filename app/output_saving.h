// Save's part after its dialog: the name it suggests, and the output's
// lines written to the chosen file as they stand in the pane, the user's
// edits included. The log itself is never overwritten; a FIFO or device
// gets the bytes straight, as quorlix-cli's -o does; any other file is
// replaced atomically, so a failed save leaves it as it was.
#pragma once

#include <QString>
#include <QStringList>

namespace quorlix {

class EditableLines;

// The log's name with `suffix` ("txt", "html"; never the log's own name),
// in the folder last used, else the log's; without a log, the folder last
// used.
QString SuggestedSavePath(const QString& log_path, const QString& last_folder,
                          const QString& suffix = QStringLiteral("txt"));

// Writes `lines` to `path`. Throws quorlix::Error, before writing, when a
// character has no byte or `path` is one of the logs at `log_paths`, and
// when the file cannot be written.
void SaveOutputLines(const EditableLines& lines, const QString& path, const QStringList& log_paths);

}  // namespace quorlix
