// The program's own texts in the user's language, from gettext's compiled
// catalogues (domain "quorlix"), read here on every system. The texts in
// the sources are English; a catalogue per language (German: de) holds
// their translations. One language at a
// time: the desktop program's windows follow CurrentLanguage().
//
// The language comes from the environment as for every gettext program:
// LANGUAGE, then LC_ALL, LC_MESSAGES, LANG (where none is set, the
// desktop's language on systems that have one). English or the C locale give
// English; a language without a catalogue, or a missing catalogue, gives
// English too, silently. Names from the log and the config are never
// passed through here.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

inline constexpr const char* kTextDomain = "quorlix";

// Uses the catalogue of the first of `languages` (best first) that has one
// in `dir` (<dir>/<language>/LC_MESSAGES/quorlix.mo; for "de_AT.UTF-8"
// also de_AT and de); none, or "C" met first: English.
// InitTranslations (core/files/translation_setup.h) asks the system
// which languages and which folder.
void UseCatalogueOf(const std::vector<std::string>& languages, const std::string& dir);

// The translation of `english`, or `english` itself. Also the marker that
// xgettext looks for: pass a literal.
const char* Tr(const char* english);

// "de" while a German catalogue is in use, "" for English: the language
// of the catalogue itself, whatever locale name chose it.
std::string CurrentLanguage();

// `pattern` with each %s replaced by the next of `texts`, or %N$s by the
// Nth (so a translation can put them in another order); %% is one %.
std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> texts);
std::string FormatText(std::string_view pattern, const std::vector<std::string_view>& texts);

}  // namespace quorlix
