#include "app/about_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/text/version.h"

namespace quorlix {
namespace {

QLabel* AddLabel(QVBoxLayout* layout, const char* name, const QString& text, bool indented) {
  auto* label = new QLabel(text);
  label->setObjectName(QString::fromLatin1(name));
  if (indented) label->setIndent(16);
  layout->addWidget(label);
  return label;
}

}  // namespace

AboutWindow::AboutWindow(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(tr("About"));
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(4);
  // Read at every creation, so each opening shows the version afresh.
  QLabel* version =
      AddLabel(layout, "Label1",
               tr("Quorlix Version %1").arg(QString::fromStdString(GetExeVersion())), false);
  QFont bold = version->font();
  bold.setBold(true);
  version->setFont(bold);
  AddLabel(layout, "Label2", tr("Based on an idea by the Quorlix team"), false);
  AddLabel(layout, "Label4", QStringLiteral("https://quorlix.example.org/"), false);
  AddLabel(layout, "Label3", tr("Written by the Quorlix team"), false);
  layout->addSpacing(10);
  AddLabel(layout, "Label5", tr("Please report all errors you find to"), true);
  AddLabel(layout, "Label6", QStringLiteral("bugs@quorlix.example.org"), true);
  AddLabel(layout, "Label7", tr("Include your logfile and a brief description"), true);
  AddLabel(layout, "Label8", tr("of the error and how it happened."), true);
  layout->addStretch(1);

  auto* close = new QPushButton(tr("&Close"));
  close->setObjectName(QStringLiteral("bt_close"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(close);
  row->addStretch(1);
  layout->addLayout(row);

  resize(273, 236);
}

}  // namespace quorlix
