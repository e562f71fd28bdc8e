#include "core/text/translation.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unordered_map>
#include <vector>

namespace quorlix {
namespace {

// The catalogue in use: the bytes of its .mo file, and each English text's
// translation in them. Set up once at start, then only read.
struct Catalogue {
  std::string bytes;
  std::unordered_map<std::string_view, const char*> translations;
};
Catalogue g_catalogue;

// A compiled catalogue: a header of 32-bit numbers in the writer's byte
// order, then two tables of (length, offset) pairs, one for the English
// texts and one for their translations, each text followed by a NUL.
bool ParseCatalogue(Catalogue& catalogue) {
  const std::string& bytes = catalogue.bytes;
  if (bytes.size() < 20) return false;
  const auto word_at = [&](std::size_t at, bool swap) -> std::uint32_t {
    std::uint32_t w;
    std::memcpy(&w, bytes.data() + at, 4);
    return swap ? __builtin_bswap32(w) : w;
  };
  constexpr std::uint32_t kMagic = 0x950412de;
  const bool swap = word_at(0, false) != kMagic;
  if (swap && word_at(0, true) != kMagic) return false;
  const std::uint64_t count = word_at(8, swap);
  const std::uint64_t originals = word_at(12, swap);
  const std::uint64_t translated = word_at(16, swap);
  if (originals + count * 8 > bytes.size() || translated + count * 8 > bytes.size()) return false;
  // A text that does not fit, or lacks its NUL, leaves the catalogue unused.
  const auto text_at = [&](std::uint64_t entry, std::string_view& text) {
    const std::uint64_t length = word_at(entry, swap);
    const std::uint64_t offset = word_at(entry + 4, swap);
    if (offset + length >= bytes.size() || bytes[offset + length] != '\0') return false;
    text = std::string_view(bytes.data() + offset, length);
    return true;
  };
  catalogue.translations.reserve(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    std::string_view english, translation;
    if (!text_at(originals + i * 8, english) || !text_at(translated + i * 8, translation)) {
      return false;
    }
    catalogue.translations.emplace(english, translation.data());
  }
  return true;
}

bool LoadCatalogue(const std::string& path, Catalogue& catalogue) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  catalogue.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (ParseCatalogue(catalogue)) return true;
  catalogue = Catalogue{};
  return false;
}

// "de_AT.UTF-8@euro", then "de_AT.UTF-8", "de_AT" and "de": the catalogue
// of the most specific name that has one is used.
std::vector<std::string> CatalogueNames(std::string name) {
  std::vector<std::string> names{name};
  for (const char cut : {'@', '.', '_'}) {
    const std::size_t at = name.find(cut);
    if (at == std::string::npos) continue;
    name.resize(at);
    names.push_back(name);
  }
  return names;
}

}  // namespace

void UseCatalogueOf(const std::vector<std::string>& languages, const std::string& dir) {
  g_catalogue = Catalogue{};
  for (const std::string& language : languages) {
    if (language == "C" || language == "POSIX") return;  // English, the rest of the list unread
    for (const std::string& name : CatalogueNames(language)) {
      if (LoadCatalogue(dir + "/" + name + "/LC_MESSAGES/" + kTextDomain + ".mo", g_catalogue)) {
        return;
      }
    }
  }
}

const char* Tr(const char* english) {
  if (english[0] == '\0') return english;  // "" is the catalogue's header, no text
  const auto found = g_catalogue.translations.find(english);
  return found == g_catalogue.translations.end() ? english : found->second;
}

std::string CurrentLanguage() {
  // The catalogue's header is the translation of "".
  const auto header_entry = g_catalogue.translations.find("");
  if (header_entry == g_catalogue.translations.end()) return "";
  const std::string_view header = header_entry->second;
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
