#include "app/edit_commands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTextBrowser>

#include "app/line_view.h"
#include "app/output_view.h"
#include "app/post_strip.h"

namespace quorlix {
namespace {

// An entry whose key is shown in the menu but left to the focus widget.
QAction* MenuEntry(QObject* parent, const char* name, const QString& text,
                   QKeySequence::StandardKey key) {
  auto* action = new QAction(text, parent);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(key);
  action->setShortcutContext(Qt::WidgetShortcut);
  return action;
}

}  // namespace

EditCommands::EditCommands(Pages pages, QWidget* window)
    : QObject(window), pages_(std::move(pages)) {
  undo_ = MenuEntry(this, "Undo1", tr("&Undo"), QKeySequence::Undo);
  redo_ = MenuEntry(this, "Redo1", tr("&Redo"), QKeySequence::Redo);
  cut_ = MenuEntry(this, "Cut1", tr("Cu&t"), QKeySequence::Cut);
  copy_ = MenuEntry(this, "Copy1", tr("&Copy"), QKeySequence::Copy);
  paste_ = MenuEntry(this, "Paste1", tr("&Paste"), QKeySequence::Paste);
  select_all_ = MenuEntry(this, "SelectAll1", tr("&Select all"), QKeySequence::SelectAll);
  copy_part_ = new QAction(tr("Copy p&art"), this);
  copy_part_->setObjectName(QStringLiteral("CopyPart1"));
  copy_part_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  copy_part_->setShortcutContext(Qt::WindowShortcut);
  copy_part_->setEnabled(false);
  window->addAction(copy_part_);  // the key works wherever the focus is

  OutputView* output = pages_.output;
  const auto on_output = [this] { return pages_.current() == pages_.output_page; };
  connect(undo_, &QAction::triggered, output, [=] {
    if (on_output()) output->Undo();
  });
  connect(redo_, &QAction::triggered, output, [=] {
    if (on_output()) output->Redo();
  });
  connect(cut_, &QAction::triggered, output, [=] {
    if (on_output()) output->Cut();
  });
  connect(paste_, &QAction::triggered, output, [=] {
    if (on_output()) output->Paste();
  });
  connect(copy_, &QAction::triggered, this, [this] {
    QWidget* page = pages_.current();
    if (page == pages_.input_page) {
      QApplication::clipboard()->setText(pages_.input->SelectedText());
    } else if (page == pages_.output_page) {
      pages_.output->Copy();
    } else if (page == pages_.preview_page) {
      pages_.preview->copy();
    }
  });
  connect(select_all_, &QAction::triggered, this, [this] {
    QWidget* page = pages_.current();
    if (page == pages_.input_page) {
      pages_.input->selectAll();
    } else if (page == pages_.output_page) {
      pages_.output->SelectAll();
    } else if (page == pages_.preview_page) {
      pages_.preview->selectAll();
    }
  });
  connect(copy_part_, &QAction::triggered, pages_.strip, &PostStrip::CopyPart);
  SetHasOutput(false);
}

void EditCommands::AddTo(QMenu* menu) {
  menu->addActions({undo_, redo_});
  menu->addSeparator();
  menu->addActions({cut_, copy_, paste_, select_all_});
  menu->addSeparator();
  menu->addAction(copy_part_);
  menu->addSeparator();
  connect(menu, &QMenu::aboutToShow, this, &EditCommands::UpdateStates);
}

void EditCommands::SetHasOutput(bool has_output) {
  has_output_ = has_output;
  copy_part_->setEnabled(has_output);
  pages_.strip->setEnabled(has_output);
}

void EditCommands::UpdateStates() {
  QWidget* page = pages_.current();
  const bool input = page == pages_.input_page;
  const bool output = page == pages_.output_page;
  const bool preview = page == pages_.preview_page;
  const EditableLines& lines = pages_.output->lines();
  undo_->setEnabled(output && lines.CanUndo());
  redo_->setEnabled(output && lines.CanRedo());
  cut_->setEnabled(output && pages_.output->HasSelection());
  paste_->setEnabled(output && !QApplication::clipboard()->text().isEmpty());
  copy_->setEnabled((input && pages_.input->selectionModel()->hasSelection()) ||
                    (output && pages_.output->HasSelection()) ||
                    (preview && pages_.preview->textCursor().hasSelection()));
  select_all_->setEnabled(input || output || preview);
  copy_part_->setEnabled(has_output_);
}

}  // namespace quorlix
