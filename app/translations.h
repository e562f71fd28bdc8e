// The desktop program's windows in the language of its messages
// (CurrentLanguage() of core/text/translation.h): one language at a time.
#pragma once

#include <initializer_list>

#include <QString>

class QCoreApplication;

namespace quorlix {

// Installs Quorlix's window texts for that language, compiled into the
// program, and Qt's own (its dialogs' buttons) where Qt's catalogues are
// installed. English, or a language without a catalogue, installs none.
void InstallTranslators(QCoreApplication& app);

// `n` with its digits grouped as the windows' language does: "2,400,477"
// in English, "2.400.477" in German.
QString GroupedNumber(qlonglong n);

// A message for the error box: `pattern` (already through Tr()) with its
// %s filled by `texts` in order, as FormatText does.
QString FormatMessage(const char* pattern, std::initializer_list<QString> texts);

}  // namespace quorlix
