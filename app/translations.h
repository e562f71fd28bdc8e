// The desktop program's windows in the language of its messages
// (CurrentLanguage() of core/translation.h): one language at a time.
#pragma once

class QCoreApplication;

namespace quorlix {

// Installs Quorlix's window texts for that language, compiled into the
// program, and Qt's own (its dialogs' buttons) where Qt's catalogues are
// installed. English, or a language without a catalogue, installs none.
void InstallTranslators(QCoreApplication& app);

}  // namespace quorlix
