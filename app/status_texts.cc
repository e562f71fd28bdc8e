#include "app/status_texts.h"

#include "app/translations.h"
#include "core/log/log_summary.h"

namespace quorlix {
namespace {

// "1 line" or "2,400,477 lines": `singular` or `plural` with %1 the number.
QString Counted(qlonglong n, const QString& singular, const QString& plural) {
  return (n == 1 ? singular : plural).arg(GroupedNumber(n));
}

}  // namespace

QString StatusTexts::Loaded(const LogSummary& summary) {
  QString text = Counted(summary.lines, tr("%1 line"), tr("%1 lines")) + QStringLiteral(" · ") +
                 Counted(summary.persons, tr("%1 person"), tr("%1 persons")) +
                 QStringLiteral(" · ") +
                 Counted(summary.channels, tr("%1 channel"), tr("%1 channels"));
  if (!summary.first_day.empty()) {
    text += QStringLiteral(" · ") + QString::fromStdString(summary.first_day) +
            QStringLiteral(" – ") + QString::fromStdString(summary.last_day);
  }
  return text;
}

QString StatusTexts::Converted(int64_t lines) {
  return Counted(lines, tr("%1 line converted"), tr("%1 lines converted"));
}

QString StatusTexts::ArchiveWritten(int64_t scenes, int64_t written, int64_t removed,
                                    bool stopped) {
  const QString counts =
      Counted(scenes, tr("Archive of %1 scene"), tr("Archive of %1 scenes")) +
      QStringLiteral(" · ") + Counted(written, tr("%1 file written"), tr("%1 files written")) +
      QStringLiteral(" · ") + Counted(removed, tr("%1 page removed"), tr("%1 pages removed"));
  return stopped ? counts + QStringLiteral(" · ") + tr("cancelled; export again to finish it")
                 : counts;
}

QString StatusTexts::Merged(int64_t logs, int64_t duplicates) {
  return tr("%1 logs merged").arg(GroupedNumber(logs)) + QStringLiteral(", ") +
         Counted(duplicates, tr("%1 duplicate line dropped"), tr("%1 duplicate lines dropped"));
}

}  // namespace quorlix
