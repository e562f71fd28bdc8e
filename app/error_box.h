// The default error handler of the windows: an error that ends a command
// is shown in a message box titled "Quorlix", and the program carries on
// with the state reached. The box goes through a seam so tests can read
// the text without a modal window blocking them.
#pragma once

#include <exception>

#include <QString>

class QWidget;

namespace quorlix {

// The longest message the box shows, in characters; the rest is cut.
inline constexpr qsizetype kMaxErrorBoxChars = 1000;

// The message as the box shows it: cut to kMaxErrorBoxChars with "…",
// and a "." appended when its last character sorts after ".".
QString ErrorBoxText(const QString& message);

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Shows `text` (already in its final form) to the user.
  virtual void ShowError(QWidget* parent, const QString& text) = 0;
};

// A modal QMessageBox: title "Quorlix", critical icon, one OK button.
class MessageBoxSink : public MessageSink {
 public:
  void ShowError(QWidget* parent, const QString& text) override;
};

MessageSink& DefaultMessageSink();

// Shows the exception in flight (call inside a catch block).
void ReportCurrentException(MessageSink& sink, QWidget* parent);

// Runs one handler; an exception that ends it is shown through `sink`.
template <typename Handler>
void RunHandler(MessageSink& sink, QWidget* parent, Handler&& handler) {
  try {
    handler();
  } catch (...) {
    ReportCurrentException(sink, parent);
  }
}

}  // namespace quorlix
