// The Scenes page of the left panel: the log's scenes (core/log/scene_finder.h)
// under the person and channel filters, one row each with its day, start
// and end time (UTC), duration, lines and first persons (all of them, with
// their lines, in the row's tool tip). A click on a row
// asks for its lines to be selected; Enter (or a double click) and the
// Convert scene button ask for it to be converted. A field sets the gap,
// written to config.cfg; another hides scenes of fewer lines, remembered
// with the window's other settings.
#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractTableModel>
#include <QWidget>

#include "config/config_file.h"
#include "core/log/scene_finder.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTreeView;

namespace quorlix {

class MessageSink;

// The scenes with at least a given number of lines, as rows.
class SceneTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetScenes(SceneList scenes, int64_t min_lines);
  // Shows the scenes of at least `min_lines` lines.
  void SetMinLines(int64_t min_lines);
  const SceneList& scenes() const { return scenes_; }
  // The scene shown in `row`.
  const SceneInfo& scene(int row) const { return scenes_.scenes[shown_[static_cast<size_t>(row)]]; }
  std::size_t SceneNumber(int row) const { return shown_[static_cast<size_t>(row)]; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QString Persons(std::size_t k) const;
  QString PersonsWithLines(std::size_t k) const;

  SceneList scenes_;
  std::vector<std::size_t> shown_;  // scene numbers of the rows
};

class ScenesPanel : public QWidget {
  Q_OBJECT

 public:
  // `settings_file` as MainWindowServices has it (empty: the user's QSettings).
  ScenesPanel(ConfigLocation config, QString settings_file, MessageSink& messages,
              QWidget* parent = nullptr);

  // Finds the scenes of `state` anew, with the gap config.cfg holds now.
  void Refresh(const ChatState& state);
  // Shows no scenes (while no log is loaded).
  void Clear();

  QTreeView* view() const { return view_; }
  SceneTableModel* model() const { return model_; }
  // "12 scenes" for the status bar; it is updated with the list.
  QLabel* count_label() const { return count_; }

 signals:
  // The input lines first to last (inclusive) of the scene clicked.
  void sceneChosen(int64_t first, int64_t last);
  void convertRequested();

 private:
  void GapChanged(int minutes);
  void MinLinesChanged(int lines);
  void Show();
  void Choose(const QModelIndex& index);

  ConfigLocation config_;
  QString settings_file_;
  MessageSink& messages_;
  const ChatState* state_ = nullptr;  // the log shown, while one is loaded
  QSpinBox* gap_;
  QSpinBox* min_lines_;
  QTreeView* view_;
  SceneTableModel* model_;
  QPushButton* convert_;
  QLabel* count_;
};

}  // namespace quorlix
