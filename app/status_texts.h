// The main window's status bar texts, in the windows' language with the
// numbers grouped: a loaded log's counts and days ("29 lines · 6 persons ·
// 5 channels · 2004-12-31 – 2005-03-05"), the lines a conversion wrote and
// what an archive run did.
#pragma once

#include <cstdint>

#include <QCoreApplication>
#include <QString>

namespace quorlix {

struct LogSummary;

class StatusTexts {
  Q_DECLARE_TR_FUNCTIONS(quorlix::StatusTexts)

 public:
  static QString Loaded(const LogSummary& summary);
  static QString Converted(int64_t lines);
  // What an archive run did: its scenes, the files written and removed,
  // and whether Cancel stopped it.
  static QString ArchiveWritten(int64_t scenes, int64_t written, int64_t removed, bool stopped);
  // "2 logs merged, 14 duplicate lines dropped".
  static QString Merged(int64_t logs, int64_t duplicates);
};

}  // namespace quorlix
