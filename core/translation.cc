#include "core/translation.h"

#include <libintl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <vector>

namespace quorlix {
namespace {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string ProgramDir() {
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof exe) return ".";
  const std::string path(exe, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/'));
}

// The locale the environment asks for messages: LC_ALL, LC_MESSAGES, LANG.
std::string WantedMessagesLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string value = EnvironmentValue(name);
    if (!value.empty()) return value;
  }
  return "";
}

// Sets LC_MESSAGES from the environment. A locale that this machine has not
// generated (de_DE.UTF-8 on a fresh system) would leave gettext in "C",
// which speaks English only: then the built-in C.UTF-8 locale is used and
// the wanted language goes to LANGUAGE, which gettext honours under any
// locale but "C", so the user gets the language asked for all the same.
void SetMessagesLocale() {
  if (std::setlocale(LC_MESSAGES, "") != nullptr) return;
  const std::string wanted = WantedMessagesLocale();
  if (wanted.empty() || wanted == "C" || wanted == "POSIX") return;
  if (std::setlocale(LC_MESSAGES, "C.UTF-8") == nullptr) return;
  if (EnvironmentValue("LANGUAGE").empty()) ::setenv("LANGUAGE", wanted.c_str(), 1);
}

}  // namespace

void InitTranslations(const std::string& catalogue_dir) {
  // The character set too: the system's own texts (strerror) come out in
  // the user's language and character set, not as "?" for every umlaut.
  if (std::setlocale(LC_CTYPE, "") == nullptr) std::setlocale(LC_CTYPE, "C.UTF-8");
  SetMessagesLocale();
  const std::string dir =
      catalogue_dir.empty() ? ProgramDir() + "/" + QUORLIX_LOCALE_FROM_BIN : catalogue_dir;
  ::bindtextdomain(kTextDomain, dir.c_str());
  // Messages are UTF-8 whatever the locale's character set.
  ::bind_textdomain_codeset(kTextDomain, "UTF-8");
}

const char* Tr(const char* english) { return ::dgettext(kTextDomain, english); }

std::string CurrentLanguage() {
  // The catalogue's header is the translation of "".
  const std::string_view header = ::dgettext(kTextDomain, "");
  constexpr std::string_view kField = "Language: ";
  const std::size_t at = header.find(kField);
  if (at == std::string_view::npos) return "";
  const std::string_view rest = header.substr(at + kField.size());
  return std::string(rest.substr(0, rest.find_first_of("_\n")));
}

std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> texts) {
  return FormatText(pattern, std::vector<std::string_view>(texts));
}

std::string FormatText(std::string_view pattern, const std::vector<std::string_view>& args) {
  std::string out;
  out.reserve(pattern.size() + 64);
  std::size_t next = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      out.push_back(pattern[i]);
      continue;
    }
    std::size_t j = i + 1;
    std::size_t index = next;
    if (pattern[j] >= '1' && pattern[j] <= '9' && j + 2 < pattern.size() && pattern[j + 1] == '$' &&
        pattern[j + 2] == 's') {
      index = static_cast<std::size_t>(pattern[j] - '1');
      j += 2;
    }
    if (pattern[j] == 's') {
      if (index < args.size()) out.append(args[index]);
      next = index + 1;
      i = j;
    } else if (pattern[j] == '%') {
      out.push_back('%');
      i = j;
    } else {
      out.push_back('%');
    }
  }
  return out;
}

}  // namespace quorlix
