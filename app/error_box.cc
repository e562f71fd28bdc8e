#include "app/error_box.h"

#include <QMessageBox>

#include <new>

#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {

QString ErrorBoxText(const QString& message) {
  if (message.size() > kMaxErrorBoxChars) {
    return message.left(kMaxErrorBoxChars) + QChar(0x2026);
  }
  if (!message.isEmpty() && message.back() > QLatin1Char('.')) {
    return message + QLatin1Char('.');
  }
  return message;
}

void MessageBoxSink::ShowError(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Quorlix"), text, QMessageBox::Ok, parent);
  box.exec();
}

MessageSink& DefaultMessageSink() {
  static MessageBoxSink sink;
  return sink;
}

void ReportCurrentException(MessageSink& sink, QWidget* parent) {
  QString message;
  try {
    throw;
  } catch (const std::bad_alloc&) {
    message = QString::fromUtf8(Tr("Not enough memory"));
  } catch (const std::exception& e) {
    // quorlix::Error carries UTF-8; other exceptions' texts are ASCII.
    message = QString::fromUtf8(e.what());
  } catch (...) {
    message = QString::fromUtf8(Tr("Unknown error"));
  }
  sink.ShowError(parent, ErrorBoxText(message));
}

}  // namespace quorlix
