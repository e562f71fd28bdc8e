#include "core/files/translation_setup.h"

#include <cstdlib>
#include <vector>

#include "core/files/platform.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The locale the environment names for messages: LC_ALL, LC_MESSAGES,
// LANG; where the environment names none, the desktop's language.
std::string MessagesLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string value = EnvironmentValue(name);
    if (!value.empty()) return value;
  }
  return platform::DesktopLanguage();
}

// The languages to try, best first: LANGUAGE's list (colon-separated)
// unless the locale is C, which speaks English whatever LANGUAGE says;
// otherwise the locale itself.
std::vector<std::string> WantedLanguages() {
  const std::string locale = MessagesLocale();
  if (locale.empty() || locale == "C" || locale == "POSIX") return {};
  std::vector<std::string> languages;
  const std::string list = EnvironmentValue("LANGUAGE");
  if (list.empty()) return {locale};
  std::size_t begin = 0;
  while (begin <= list.size()) {
    std::size_t end = list.find(':', begin);
    if (end == std::string::npos) end = list.size();
    if (end > begin) languages.push_back(list.substr(begin, end - begin));
    begin = end + 1;
  }
  return languages;
}

}  // namespace

void InitTranslations(const std::string& catalogue_dir) {
  platform::InitLocale();
  std::string dir = catalogue_dir;
  if (dir.empty()) {
    const std::string program = platform::ProgramPath();
    const std::size_t slash = program.find_last_of("/\\");
    dir = (slash == std::string::npos ? std::string(".") : program.substr(0, slash)) + "/" +
          QUORLIX_LOCALE_FROM_BIN;
  }
  UseCatalogueOf(WantedLanguages(), dir);
}

}  // namespace quorlix
