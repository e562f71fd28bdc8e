#include "app/pane_text.h"

#include <string>

#include <QChar>
#include <QDir>
#include <QFile>

#include "core/text/cp1252.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {

QString BytesToText(std::string_view bytes) {
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* out = text.data();
  for (const char byte : bytes) *out++ = QChar(ByteToChar(static_cast<unsigned char>(byte)));
  return text;
}

std::string LocalPath(const QString& path) {
#ifdef Q_OS_WIN
  return QDir::toNativeSeparators(path).toStdString();
#else
  return QFile::encodeName(path).toStdString();
#endif
}

QString ShownPath(const std::string& path) {
#ifdef Q_OS_WIN
  return QDir::toNativeSeparators(QString::fromStdString(path));
#else
  return QFile::decodeName(path.c_str());
#endif
}

void ThrowCharWithoutByte(std::size_t line, std::u16string_view text, std::size_t column) {
  const QChar c(text[column]);
  const char32_t code = c.isHighSurrogate() && column + 1 < text.size()
                            ? QChar::surrogateToUcs4(c, QChar(text[column + 1]))
                            : c.unicode();
  const QString shown = QString::fromUcs4(&code, 1);
  const QString hex =
      QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, u'0');
  throw Error(FormatText(Tr("Line %s of the output holds the character \"%s\" (U+%s), "
                            "which has no single byte; the file was not saved"),
                         {std::to_string(line), shown.toStdString(), hex.toStdString()}));
}

}  // namespace quorlix
