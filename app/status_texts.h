// The main window's status bar texts, in the windows' language with the
// numbers grouped: a loaded log's counts and days ("29 lines · 6 persons ·
// 5 channels · 2004-12-31 – 2005-03-05") and the lines a conversion wrote.
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
  // "2 logs merged, 14 duplicate lines dropped".
  static QString Merged(int64_t logs, int64_t duplicates);
};

}  // namespace quorlix
