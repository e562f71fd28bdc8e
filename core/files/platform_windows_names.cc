// Windows: how the file systems compare names, and the names of devices
// that would swallow output written to them.
#include <windows.h>

#include <string>
#include <string_view>

#include "core/files/platform.h"
#include "core/files/windows_text.h"

namespace quorlix::platform {

std::string FoldNameCase(std::string_view name) {
  std::wstring wide = Utf16(name);
  if (wide.empty()) return "";
  // The invariant capitals, as the file systems compare names.
  ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(),
                  static_cast<int>(wide.size()), wide.data(), static_cast<int>(wide.size()),
                  nullptr, nullptr, 0);
  return Narrow(wide);
}

namespace {

// The last component of `path` in capitals (the letters a to z suffice
// for device names), after the colon of a drive-relative name.
std::string LastComponent(const std::string& path) {
  std::size_t start = path.find_last_of("/\\");
  start = start != std::string::npos ? start + 1 : (path.size() >= 2 && path[1] == ':' ? 2 : 0);
  std::string name = path.substr(start);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

// The device a name stands for in any folder: up to the first dot or
// colon, without trailing spaces.
std::string DeviceStem(const std::string& name) {
  std::string stem = name.substr(0, name.find_first_of(".:"));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  return stem;
}

bool IsNumberedPort(std::string_view stem) {
  if (!stem.starts_with("COM") && !stem.starts_with("LPT")) return false;
  const std::string_view number = stem.substr(3);
  // 1 to 9, and the superscript digits, which Windows takes for 1 to 3.
  return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') || number == "\xc2\xb9" ||
         number == "\xc2\xb2" || number == "\xc2\xb3";
}

}  // namespace

// Names under "\\" (UNC, "\\.\", "\\?\") are not devices by their names.
bool IsLostDeviceName(const std::string& path) {
  if (path.size() >= 2 && (path[0] == '/' || path[0] == '\\') &&
      (path[1] == '/' || path[1] == '\\')) {
    return false;
  }
  const std::string name = LastComponent(path);
  const std::string stem = DeviceStem(name);
  // "NUL.txt" is meant as a file, yet Windows would swallow it too.
  if (stem == "NUL") return name != "NUL";
  if (stem == "CON" || stem == "CONOUT$") return !IsTerminal(1) && !IsTerminal(2);
  return stem == "PRN" || stem == "AUX" || stem == "CONIN$" || IsNumberedPort(stem);
}

}  // namespace quorlix::platform
