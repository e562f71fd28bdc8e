// The bytes of a log or of the output shown in a text pane: one character
// per byte (Latin-1) both ways, so a save writes back exactly the bytes
// the conversion made.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QStringView>

namespace quorlix {

// `lines` joined by "\n", each byte one character.
QString LinesToPaneText(const std::vector<std::string>& lines);

// The file content for the raw text of a plain-text pane (blocks joined by
// U+2029, as QTextDocument::toRawText gives them; a U+2028 typed with
// Shift+Enter also starts a line): every line as Latin-1 bytes followed by
// CR LF; an empty pane gives no line. Throws quorlix::Error naming the line
// and the character when a character has no single-byte form: the save is
// refused rather than the text silently changed.
std::string PaneTextToFileBytes(QStringView raw_text);

}  // namespace quorlix
