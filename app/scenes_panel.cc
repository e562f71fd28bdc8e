#include "app/scenes_panel.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTreeView>
#include <QVBoxLayout>

#include <memory>

#include "app/error_box.h"
#include "app/pane_text.h"
#include "app/translations.h"
#include "config/scene_gap.h"
#include "core/text/error.h"
#include "core/text/utc_time.h"

namespace quorlix {
namespace {

// Two lines a row, so that the panel's width shows all a scene is picked
// by: the day and time span above its first persons, its lines above its
// duration.
enum Column { kScene, kLines, kColumns };

constexpr const char* kMinLinesKey = "scenes/min_lines";
constexpr int kPersonsShown = 3;
constexpr int kMostGapMinutes = 525600;  // a year

std::unique_ptr<QSettings> OpenSettings(const QString& file) {
  if (file.isEmpty()) {
    return std::make_unique<QSettings>(QStringLiteral("Quorlix"), QStringLiteral("Quorlix"));
  }
  return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

QString Day(int64_t t) {
  const UtcTime u = ToUtc(t);
  return QStringLiteral("%1-%2-%3")
      .arg(u.year, 4, 10, QLatin1Char('0'))
      .arg(u.month, 2, 10, QLatin1Char('0'))
      .arg(u.day, 2, 10, QLatin1Char('0'));
}

QString Clock(int64_t t) {
  const UtcTime u = ToUtc(t);
  return QStringLiteral("%1:%2")
      .arg(u.hour, 2, 10, QLatin1Char('0'))
      .arg(u.minute, 2, 10, QLatin1Char('0'));
}

// "1:05" for an hour and five minutes; "0:00" under a minute.
QString Duration(int64_t seconds) {
  const int64_t minutes = seconds / 60;
  return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

void SceneTableModel::SetScenes(SceneList scenes, int64_t min_lines) {
  scenes_ = std::move(scenes);
  SetMinLines(min_lines);
}

void SceneTableModel::SetMinLines(int64_t min_lines) {
  beginResetModel();
  shown_.clear();
  for (std::size_t k = 0; k < scenes_.scenes.size(); ++k) {
    if (scenes_.scenes[k].lines >= min_lines) shown_.push_back(k);
  }
  endResetModel();
}

int SceneTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int SceneTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QString SceneTableModel::Persons(std::size_t k) const {
  QStringList names;
  for (const ScenePerson& person : scenes_.PersonsOf(k)) {
    if (names.size() == kPersonsShown) {
      names.back() += QStringLiteral(", …");
      break;
    }
    names << BytesToText(scenes_.names[person.name]);
  }
  return names.join(QStringLiteral(", "));
}

// Every person of the scene with their lines, one a line.
QString SceneTableModel::PersonsWithLines(std::size_t k) const {
  QStringList lines;
  for (const ScenePerson& person : scenes_.PersonsOf(k)) {
    lines << QStringLiteral("%1 (%2)").arg(BytesToText(scenes_.names[person.name]),
                                           GroupedNumber(person.lines));
  }
  return lines.join(QLatin1Char('\n'));
}

QVariant SceneTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const SceneInfo& s = scene(index.row());
  if (role == Qt::TextAlignmentRole && index.column() == kLines) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (role == Qt::ToolTipRole) return PersonsWithLines(SceneNumber(index.row()));
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kScene:
      return Day(s.first_time) + QLatin1Char(' ') + Clock(s.first_time) + QStringLiteral("–") +
             Clock(s.last_time) + QLatin1Char('\n') + Persons(SceneNumber(index.row()));
    case kLines:
      return GroupedNumber(s.lines) + QLatin1Char('\n') + Duration(s.last_time - s.first_time);
  }
  return {};
}

QVariant SceneTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kScene: return ScenesPanel::tr("Day, time (UTC), persons");
    case kLines: return ScenesPanel::tr("Lines");
  }
  return {};
}

ScenesPanel::ScenesPanel(ConfigLocation config, QString settings_file, MessageSink& messages,
                         QWidget* parent)
    : QWidget(parent),
      config_(std::move(config)),
      settings_file_(std::move(settings_file)),
      messages_(messages) {
  setObjectName(QStringLiteral("scenes_panel"));
  gap_ = new QSpinBox;
  gap_->setObjectName(QStringLiteral("scene_gap"));
  gap_->setRange(0, kMostGapMinutes);
  gap_->setSuffix(tr(" min"));
  gap_->setKeyboardTracking(false);  // one change when the number is complete
  gap_->setValue(static_cast<int>(ReadSceneGap(ConfigFile(config_))));
  gap_->setToolTip(tr("A new scene starts after a silence of more than this"));
  min_lines_ = new QSpinBox;
  min_lines_->setObjectName(QStringLiteral("scene_min_lines"));
  min_lines_->setRange(1, 1000000);
  min_lines_->setKeyboardTracking(false);
  min_lines_->setToolTip(tr("Scenes of fewer lines are hidden"));
  min_lines_->setValue(OpenSettings(settings_file_)->value(QLatin1String(kMinLinesKey), 1).toInt());
  auto* fields = new QFormLayout;
  fields->addRow(tr("&Gap:"), gap_);
  fields->addRow(tr("Mi&n. lines:"), min_lines_);

  model_ = new SceneTableModel(this);
  view_ = new QTreeView;
  view_->setObjectName(QStringLiteral("scene_list"));
  view_->setModel(model_);
  view_->setRootIsDecorated(false);
  view_->setUniformRowHeights(true);
  view_->setAllColumnsShowFocus(true);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setTextElideMode(Qt::ElideRight);
  view_->setAlternatingRowColors(true);  // where each two-line row ends
  view_->header()->setStretchLastSection(false);
  view_->header()->setSectionResizeMode(kScene, QHeaderView::Stretch);
  view_->header()->setSectionResizeMode(kLines, QHeaderView::ResizeToContents);

  convert_ = new QPushButton(tr("Conve&rt scene"));
  convert_->setObjectName(QStringLiteral("scene_convert"));
  convert_->setToolTip(tr("Convert the lines of the chosen scene"));
  convert_->setEnabled(false);
  count_ = new QLabel;
  count_->setObjectName(QStringLiteral("scene_count"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 4, 0, 0);
  layout->addLayout(fields);
  layout->addWidget(view_, 1);
  layout->addWidget(convert_);

  connect(gap_, &QSpinBox::valueChanged, this, &ScenesPanel::GapChanged);
  connect(min_lines_, &QSpinBox::valueChanged, this, &ScenesPanel::MinLinesChanged);
  connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& index) { Choose(index); });
  connect(view_, &QTreeView::clicked, this, &ScenesPanel::Choose);
  // Enter, or a double click: converted at once.
  connect(view_, &QTreeView::activated, this, [this](const QModelIndex& index) {
    Choose(index);
    if (index.isValid()) emit convertRequested();
  });
  connect(convert_, &QPushButton::clicked, this, [this] {
    Choose(view_->currentIndex());
    if (view_->currentIndex().isValid()) emit convertRequested();
  });
}

void ScenesPanel::Refresh(const ChatState& state) {
  state_ = &state;
  const QSignalBlocker blocker(gap_);
  gap_->setValue(static_cast<int>(ReadSceneGap(ConfigFile(config_))));
  model_->SetScenes(FindScenes(state, gap_->value()), min_lines_->value());
  Show();
}

void ScenesPanel::Clear() {
  state_ = nullptr;
  model_->SetScenes({}, 1);
  count_->clear();
  convert_->setEnabled(false);
}

void ScenesPanel::Show() {
  const auto all = static_cast<qlonglong>(model_->scenes().scenes.size());
  const qlonglong shown = model_->rowCount();
  QString text = (all == 1 ? tr("%1 scene") : tr("%1 scenes")).arg(GroupedNumber(all));
  if (shown != all) text += QLatin1Char(' ') + tr("(%1 shown)").arg(GroupedNumber(shown));
  if (all == 0 && state_ != nullptr) text = tr("No scenes");
  count_->setText(text);
  convert_->setEnabled(false);
}

void ScenesPanel::GapChanged(int minutes) {
  try {
    ConfigFile config(config_);
    WriteSceneGap(config, minutes);
  } catch (const Error& e) {
    messages_.ShowError(this, ErrorBoxText(QString::fromUtf8(e.what())));
  }
  if (state_ != nullptr) Refresh(*state_);
}

void ScenesPanel::MinLinesChanged(int lines) {
  OpenSettings(settings_file_)->setValue(QLatin1String(kMinLinesKey), lines);
  if (state_ == nullptr) return;
  model_->SetMinLines(lines);
  Show();
}

void ScenesPanel::Choose(const QModelIndex& index) {
  convert_->setEnabled(index.isValid());
  if (!index.isValid()) return;
  const SceneInfo& scene = model_->scene(index.row());
  emit sceneChosen(scene.first_line, scene.last_line);
}

}  // namespace quorlix
