// Windows only: names and texts between UTF-8, which the programs use
// throughout, and the system's UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace quorlix::platform {

inline std::wstring Utf16(std::string_view text) {
  if (text.empty()) return {};
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// A file name for the wide functions. Names whose full name passes the
// old limit of 260 characters (a short relative name in a deep folder
// too) get the prefix that lifts it, which needs a full name with
// backslashes only; a UNC name its own form of it.
inline std::wstring Widen(const std::string& path) {
  std::wstring wide = Utf16(path);
  if (wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\")) return wide;
  const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n < MAX_PATH - 12) return wide;  // with its closing null; 0: no full name
  std::wstring full(n, L'\0');
  full.resize(::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr));
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

inline std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                        nullptr, nullptr);
  return text;
}

// The full name of the file or folder of `handle` without the "\\\\?\\"
// prefix, "" when unknown: asked again with the size the system reports,
// so that names beyond 260 characters come whole.
std::string FinalPathOf(HANDLE handle);

// The errno value the programs report for the system error `error`. One
// without an errno of its own gives EIO, and SystemErrorText(EIO) then
// tells the system's own text of it: the real cause, not a near one.
int ErrnoOf(DWORD error);

}  // namespace quorlix::platform
