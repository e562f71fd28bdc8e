// Names each widget and action of the windows as it is made: the window
// tests find the parts by these object names.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QString>

namespace quorlix {

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

inline QAction* NamedAction(QObject* parent, const char* name, const QString& text,
                            const QKeySequence& shortcut = {}) {
  auto* action = new QAction(text, parent);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(shortcut);
  return action;
}

}  // namespace quorlix
