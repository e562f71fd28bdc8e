// The log's and the output's bytes as the windows show them: every byte one
// character as Windows-1252 maps it (core/text/cp1252.h), and the message that
// refuses a save when a character has no byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <QString>

namespace quorlix {

QString BytesToText(std::string_view bytes);

// File names between the window's QStrings and the engine's bytes: on
// Linux the locale's encoding (as QFile::encodeName makes them), on Windows
// UTF-8 with the system's backslashes, so that the engine's messages show
// names as the user knows them.
std::string LocalPath(const QString& path);
QString ShownPath(const std::string& path);

// Throws quorlix::Error naming line `line` (counted from 1) and the
// character at `column` of `text` (a surrogate pair whole) that has no
// byte: the save is refused rather than the text silently changed.
[[noreturn]] void ThrowCharWithoutByte(std::size_t line, std::u16string_view text,
                                       std::size_t column);

}  // namespace quorlix
