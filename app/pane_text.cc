#include "app/pane_text.h"

#include <QChar>

#include "core/error.h"
#include "core/translation.h"

namespace quorlix {

QString LinesToPaneText(const std::vector<std::string>& lines) {
  qsizetype size = 0;
  for (const std::string& line : lines) size += static_cast<qsizetype>(line.size()) + 1;
  QString text;
  text.reserve(size);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += QLatin1Char('\n');
    text += QLatin1StringView(lines[i].data(), static_cast<qsizetype>(lines[i].size()));
  }
  return text;
}

std::string PaneTextToFileBytes(QStringView raw_text) {
  std::string bytes;
  if (raw_text.isEmpty()) return bytes;
  bytes.reserve(static_cast<size_t>(raw_text.size()) + 1024);
  long line = 1;
  for (qsizetype i = 0; i < raw_text.size(); ++i) {
    const char16_t c = raw_text[i].unicode();
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
      bytes += "\r\n";
      ++line;
    } else if (c <= 0xFF) {
      bytes += static_cast<char>(c);
    } else {
      const char32_t code = raw_text[i].isHighSurrogate() && i + 1 < raw_text.size()
                                ? QChar::surrogateToUcs4(raw_text[i], raw_text[i + 1])
                                : c;
      const QString shown = QString::fromUcs4(&code, 1);
      const QString hex =
          QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, u'0');
      throw Error(FormatText(Tr("Line %s of the output holds the character \"%s\" (U+%s), "
                               "which has no single byte; the file was not saved"),
                            {std::to_string(line), shown.toStdString(), hex.toStdString()}));
    }
  }
  bytes += "\r\n";
  return bytes;
}

}  // namespace quorlix
