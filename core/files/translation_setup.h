// Sets the program's language up from the system: the C library's locale,
// the languages the environment (or the desktop) asks for, and the
// catalogues installed beside the program. The catalogues themselves and
// Tr() are core/text/translation.h's.
#pragma once

#include <string>

namespace quorlix {

// Sets the C library's locale from the environment and loads the
// catalogue from `catalogue_dir` (<dir>/<language>/LC_MESSAGES/quorlix.mo);
// empty: the installed ones, <program>/../share/locale. Call once at
// start, after anything else that sets the locale (QApplication).
void InitTranslations(const std::string& catalogue_dir = "");

}  // namespace quorlix
