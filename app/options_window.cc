#include "app/options_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <QValidator>

#include "app/dialogs.h"
#include "app/error_box.h"
#include "app/pane_text.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

constexpr int kNameColumn = 0;
constexpr int kColorColumn = 1;

QString Latin1(std::string_view bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Bytes(const QString& text) { return text.toLatin1().toStdString(); }

// config.cfg holds single-byte text: a character without a Latin-1 byte
// cannot be typed, rather than being stored as "?".
class SingleByteValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (QChar c : input) {
      if (c.unicode() > 0xFF) return Invalid;
    }
    return Acceptable;
  }
};

class SingleByteDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex&) const override {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setValidator(new SingleByteValidator(editor));
    return editor;
  }
};

QLabel* NamedLabel(const char* name, const QString& text) {
  auto* label = new QLabel(text);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

ColorGrid::ColorGrid(QWidget* parent) : QTableWidget(0, 2, parent) {
  setHorizontalHeaderLabels({tr("Channel Name"), tr("Color")});
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(17);
  horizontalHeader()->setSectionsClickable(false);
  // The colour column takes what the name column leaves, so the grid
  // never scrolls sideways and hides the start of the names.
  setColumnWidth(kNameColumn, 110);
  horizontalHeader()->setSectionResizeMode(kColorColumn, QHeaderView::Stretch);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // A double-click opens the colour picker; typing or F2 edits in place.
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::SelectedClicked);
  setItemDelegate(new SingleByteDelegate(this));
  connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
          [this](int) { emit doubleClicked(); });
}

void ColorGrid::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
    if (event->key() == Qt::Key_Insert) {
      CommitOpenEditor();
      emit insertRowRequested(std::max(currentRow(), 0));
      return;
    }
    if (event->key() == Qt::Key_Down && currentRow() == rowCount() - 1) {
      CommitOpenEditor();
      emit insertRowRequested(rowCount());
      return;
    }
  }
  QTableWidget::keyPressEvent(event);
}

// A key that adds a row redraws every cell from the model: what is being
// typed in the cell must reach the model first, or it would be lost.
void ColorGrid::CommitOpenEditor() {
  if (state() != QAbstractItemView::EditingState) return;
  if (QWidget* editor = indexWidget(currentIndex())) {
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
}

void ColorGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  // The press before has moved the cursor to the row clicked.
  QTableWidget::mouseDoubleClickEvent(event);
  emit doubleClicked();
}

OptionsWindow::OptionsWindow(ConfigLocation config, ColorPicker& picker, MessageSink& messages,
                             QWidget* owner)
    : QDialog(owner), config_(std::move(config)), picker_(picker), messages_(messages) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(tr("Options"));
  setModal(true);

  ValueListEditor_color_ = new ColorGrid;
  ValueListEditor_color_->setObjectName(QStringLiteral("ValueListEditor_color"));
  ValueListEditor_color_->setMinimumSize(213, 193);

  Button_restore_ = new QPushButton(tr("Restore default"));
  Button_restore_->setObjectName(QStringLiteral("Button_restore"));
  Edit_time_ = new QLineEdit;
  Edit_time_->setObjectName(QStringLiteral("Edit_time"));
  Edit_time_->setToolTip(tr("Y = Year; M = Month; D = Day; h = Hour; m = Minute; s = Second"));
  Edit_time_->setValidator(new SingleByteValidator(Edit_time_));
  ComboBox_timedisplay_depth_ = new QComboBox;
  ComboBox_timedisplay_depth_->setObjectName(QStringLiteral("ComboBox_timedisplay_depth"));
  ComboBox_timedisplay_depth_->setEditable(true);
  // The settings' words, shown in the user's language.
  static const char* const kDepths[] = {QT_TR_NOOP("Year"), QT_TR_NOOP("Month"), QT_TR_NOOP("Day"),
                                        QT_TR_NOOP("Hour")};
  for (const char* depth : kDepths)
    ComboBox_timedisplay_depth_->addItem(tr(depth), QString::fromLatin1(depth));
  ComboBox_timedisplay_depth_->setEnabled(false);
  CheckBox_disable_polbot_ = new QCheckBox(tr("Disable Polbot chatlines"));
  CheckBox_disable_polbot_->setObjectName(QStringLiteral("CheckBox_disable_polbot"));
  CheckBox_disable_polbot_->setEnabled(false);
  CheckBox_disable_polbot_->setVisible(false);
  Button1_ = new QPushButton(tr("Close"));
  Button1_->setObjectName(QStringLiteral("Button1"));
  Button1_->setAutoDefault(false);
  Button_restore_->setAutoDefault(false);

  auto* right = new QVBoxLayout;
  right->addWidget(Button_restore_);
  right->addSpacing(8);
  right->addWidget(NamedLabel("Label2", tr("Customize Time Display:")));
  right->addWidget(Edit_time_);
  right->addSpacing(8);
  right->addWidget(NamedLabel("Label3", tr("Depth of timedisplay")));
  right->addWidget(ComboBox_timedisplay_depth_);
  right->addWidget(CheckBox_disable_polbot_);
  right->addStretch(1);
  right->addWidget(Button1_);
  auto* columns = new QHBoxLayout;
  columns->addWidget(ValueListEditor_color_, 1);
  columns->addLayout(right);
  // Which file Close writes: beside the program, or the user's own.
  auto* file = NamedLabel("Label_file", tr("Settings file: %1").arg(ShownPath(config_.path())));
  file->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns, 1);
  layout->addWidget(file);

  connect(ValueListEditor_color_, &ColorGrid::doubleClicked, this,
          &OptionsWindow::ValueListEditor_colorDblClick);
  connect(ValueListEditor_color_, &ColorGrid::insertRowRequested, this, &OptionsWindow::InsertRow);
  connect(ValueListEditor_color_, &QTableWidget::itemChanged, this, &OptionsWindow::CellEdited);
  connect(Edit_time_, &QLineEdit::textChanged, this,
          [this](const QString& text) { model_.set_time_pattern(Bytes(text)); });
  connect(Button_restore_, &QPushButton::clicked, this, &OptionsWindow::Button_restoreClick);
  connect(Button1_, &QPushButton::clicked, this, &OptionsWindow::Button1Click);

  // FormActivate: the window is created afresh for each opening.
  const ConfigFile snapshot = config_.Snapshot();  // one read of the file for all its values
  model_.Open(snapshot);
  // A file that exists but cannot be read shows the defaults; said once
  // the window is up, as the main window and quorlix-cli say it.
  if (!snapshot.unreadable_reason().empty()) {
    const QString warning = ErrorBoxText(QString::fromStdString(
        FormatText(Tr("Warning: %s; the defaults apply"), {snapshot.unreadable_reason()})));
    QTimer::singleShot(0, this, [this, warning] { messages_.ShowError(this, warning); });
  }
  Edit_time_->setText(Latin1(model_.time_pattern()));
  // A word of the settings shows translated, any other as it is written.
  const int depth = ComboBox_timedisplay_depth_->findData(Latin1(model_.depth()));
  if (depth >= 0) {
    ComboBox_timedisplay_depth_->setCurrentIndex(depth);
  } else {
    ComboBox_timedisplay_depth_->setCurrentText(Latin1(model_.depth()));
  }
  CheckBox_disable_polbot_->setChecked(model_.suppress_bot_lines());
  ShowRows();
  if (ValueListEditor_color_->rowCount() > 0)
    ValueListEditor_color_->setCurrentCell(0, kColorColumn);

  resize(392, 245);
}

OptionsWindow::~OptionsWindow() {
  // An editor still open commits its text while the children go, after
  // this window's own part is gone: nothing may reach it then.
  ValueListEditor_color_->disconnect(this);
  Edit_time_->disconnect(this);
}

void OptionsWindow::ShowRows() {
  showing_rows_ = true;
  const std::vector<ColorRow>& rows = model_.rows();
  ValueListEditor_color_->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const ColorRow& row = rows[static_cast<size_t>(i)];
    ValueListEditor_color_->setItem(i, kNameColumn, new QTableWidgetItem(Latin1(row.name)));
    ValueListEditor_color_->setItem(i, kColorColumn, new QTableWidgetItem(Latin1(row.color)));
  }
  showing_rows_ = false;
}

void OptionsWindow::InsertRow(int at) {
  model_.InsertEmptyRow(static_cast<size_t>(at));
  const int column = std::max(ValueListEditor_color_->currentColumn(), 0);
  ShowRows();
  ValueListEditor_color_->setCurrentCell(at, column);
}

void OptionsWindow::CellEdited(QTableWidgetItem* item) {
  if (showing_rows_) return;
  const auto row = static_cast<size_t>(item->row());
  if (item->column() == kColorColumn) {
    model_.SetRowColor(row, Bytes(item->text()));
    return;
  }
  const std::string name = Bytes(item->text());
  if (model_.SetRowName(row, name)) return;
  // Refused: the cell shows the name it had, and the message comes once
  // the editor has closed.
  showing_rows_ = true;
  item->setText(Latin1(model_.rows()[row].name));
  showing_rows_ = false;
  const QString message = ErrorBoxText(QString::fromStdString(ChannelNameProblem(name)));
  QTimer::singleShot(0, this, [this, message] { messages_.ShowError(this, message); });
}

void OptionsWindow::ValueListEditor_colorDblClick() {
  RunHandler(messages_, this, [this] {
    const std::ptrdiff_t current = ValueListEditor_color_->currentRow();
    const std::optional<uint32_t> chosen = picker_.PickColor(this, model_.PickerSeedFor(current));
    if (!chosen) return;
    model_.AcceptPickedColor(current, *chosen);
    const int column = std::max(ValueListEditor_color_->currentColumn(), kColorColumn);
    ShowRows();
    const int row =
        current >= 0 ? static_cast<int>(current) : ValueListEditor_color_->rowCount() - 1;
    ValueListEditor_color_->setCurrentCell(row, column);
  });
}

void OptionsWindow::Button_restoreClick() {
  RunHandler(messages_, this, [this] {
    model_.RestoreDefault(config_);
    ShowRows();
  });
}

void OptionsWindow::Button1Click() {
  // A failed write shows the error and leaves the window open with its
  // edits; the file stays as it was.
  RunHandler(messages_, this, [this] {
    model_.Close(config_);
    accept();
  });
}

}  // namespace quorlix
