// The main window's loading of logs: Load, Add log, the merged set read
// through the private copies, and the lines a growing log gains (the
// watch's check and Take in). The rest of the window is main_window.cc.
#include "app/main_window.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include "app/cache_dir.h"
#include "app/dialogs.h"
#include "app/error_box.h"
#include "app/input_page.h"
#include "app/left_panel.h"
#include "app/line_view.h"
#include "app/log_watch.h"
#include "app/main_pages.h"
#include "app/pane_text.h"
#include "app/scenes_panel.h"
#include "app/selection_panel.h"
#include "app/status_texts.h"
#include "config/config_file.h"
#include "config/engine_settings.h"
#include "core/files/platform.h"
#include "core/log/loader.h"
#include "core/log/log_merge.h"
#include "core/log/log_summary.h"
#include "core/log/scene_finder.h"
#include "core/log/temp_log.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {

void MainWindow::Load() {
  const QStringList chosen = file_dialogs_.GetOpenFileNames(this, recent_.LastFolder());
  if (chosen.isEmpty()) return;
  recent_.SetLastFolderOf(chosen.front());
  LoadPaths(chosen);
}

void MainWindow::AddLog() {
  if (log_paths_.isEmpty()) return;
  const QStringList chosen = file_dialogs_.GetOpenFileNames(this, recent_.LastFolder());
  if (chosen.isEmpty()) return;
  recent_.SetLastFolderOf(chosen.front());
  LoadPaths(log_paths_ + chosen, /*keep=*/true);
}

void MainWindow::LoadPaths(const QStringList& chosen, bool keep) {
  // A file that cannot be loaded is refused before anything is cleared.
  for (const QString& path : chosen) {
    if (const QString problem = LogFileProblem(path); !problem.isEmpty()) {
      throw Error(problem.toStdString());
    }
  }
  // A file named twice (by two names, a link or a hard link) is read once.
  QStringList paths, named_twice;
  std::vector<platform::FileId> ids;
  for (const QString& path : chosen) {
    platform::FileId id;
    if (platform::IdentifyPath(LocalPath(path), id)) {
      if (std::find(ids.begin(), ids.end(), id) != ids.end()) {
        named_twice << path;
        continue;
      }
      ids.push_back(id);
    }
    paths << path;
  }
  status_text_->clear();  // the counts of the logs being replaced no longer hold
  watch_->Watch({});
  pages_->input()->ShowGrowth(0, {});
  // The view shows the lines in place: it lets go of them until the pass
  // has ended, since the Working window lets the window system draw while
  // the engine changes them.
  pages_->input()->view()->SetLines(nullptr);
  scenes_->Clear();
  state_.ReplaceRawLines();
  pages_->ShowInputPage();

  const std::string dir = temp_dir_.empty() ? DefaultTempLogDir() : temp_dir_;
  std::vector<LogToMerge> logs;
  std::vector<LogMark> marks;
  left_->convert_button()->setEnabled(false);
  const ConfigFile config = ReadConfig();
  const LoadSettings settings = ReadLoadSettings(config);
  try {
    for (const QString& chosen_path : paths) {
      const std::string path = LocalPath(chosen_path);
      try {
        LineStore lines = LoadThroughTempLog(path, dir);
        marks.push_back(MarkLog(path, lines));
        logs.push_back(LogToMerge{path, std::move(lines)});
      } catch (const std::bad_alloc&) {
        throw Error(FormatText(Tr("Not enough memory for %s"), {path}));
      }
    }
    MergedLogs merged = MergeLogs(std::move(logs), settings);
    duplicates_ = merged.duplicates;
    state_.ReplaceRawLines(std::move(merged.lines));
    RunLoadPass(state_, settings, working_windows_);
  } catch (...) {
    log_paths_.clear();
    marks_.clear();
    ShowLoadedState();
    throw;
  }
  if (keep) {
    pages_->input()->view()->SetLines(&state_.input_lines());
    left_->selection()->FillKeeping(state_);
  } else {
    ShowLoadedState();
  }
  SetLoadedCommands();
  RefreshScenes();
  log_paths_ = paths;
  marks_ = std::move(marks);
  named_twice_ = named_twice;
  recent_.Add(paths);
  watch_->Watch(paths);
  ShowLogCounts();
}

void MainWindow::CheckLogs() {
  if (log_paths_.isEmpty()) return;
  if (busy_) {  // after the command: its lines are not to be looked at meanwhile
    QTimer::singleShot(500, this, &MainWindow::CheckLogs);
    return;
  }
  QString changed;
  int64_t new_lines = 0;
  try {
    std::vector<LogToMerge> grown;
    for (int i = 0; i < log_paths_.size(); ++i) {
      const std::string path = LocalPath(log_paths_[i]);
      LogTail tail = ReadLogTail(path, marks_[static_cast<std::size_t>(i)]);
      const QString shown = QDir::toNativeSeparators(log_paths_[i]);
      if (tail.kind == LogTail::Kind::kReplaced) {
        changed = tr("%1 was replaced or shortened: reload to read it again").arg(shown);
        break;
      }
      if (tail.kind == LogTail::Kind::kGone) {
        changed = tr("%1 is gone; the lines loaded stay").arg(shown);
        break;
      }
      if (tail.kind == LogTail::Kind::kGrown) {
        grown.push_back(LogToMerge{path, std::move(tail.lines), i + 1});
      }
    }
    if (changed.isEmpty() && !grown.empty()) {
      if (log_paths_.size() == 1) {
        new_lines = static_cast<int64_t>(grown.front().lines.size());
      } else {
        const LoadSettings settings = ReadLoadSettings(ConfigFile(config_).Snapshot());
        new_lines = static_cast<int64_t>(MergeLogs(std::move(grown), settings, true).lines.size());
      }
    }
  } catch (const Error& e) {
    changed = QString::fromStdString(e.what());
  }
  pages_->input()->ShowGrowth(new_lines, changed);
}

// The lines the logs gained go after those loaded; the lists, the time
// tree and the scenes are made again, the selections that still apply
// and the Output page stay.
void MainWindow::TakeInLines() {
  const LoadSettings settings = ReadLoadSettings(ReadConfig());
  std::vector<LogToMerge> grown;
  std::vector<LogMark> marks = marks_;
  for (int i = 0; i < log_paths_.size(); ++i) {
    const std::string path = LocalPath(log_paths_[i]);
    LogTail tail = ReadLogTail(path, marks_[static_cast<std::size_t>(i)]);
    if (tail.kind == LogTail::Kind::kReplaced || tail.kind == LogTail::Kind::kGone) {
      CheckLogs();  // offers the reload instead
      return;
    }
    if (tail.kind != LogTail::Kind::kGrown) continue;
    grown.push_back(
        LogToMerge{path, std::move(tail.lines), i + 1, marks_[static_cast<std::size_t>(i)].lines});
    marks[static_cast<std::size_t>(i)] = tail.mark;
  }
  if (grown.empty()) {
    pages_->input()->ShowGrowth(0, {});
    return;
  }
  // One log's raw lines go on as they are; several logs' new lines are
  // merged among themselves.
  LineStore more;
  if (log_paths_.size() == 1) {
    more = std::move(grown.front().lines);
  } else {
    MergedLogs merged = MergeLogs(std::move(grown), settings, true);
    duplicates_ += merged.duplicates;
    more = std::move(merged.lines);
  }
  LineStore joined = AppendLines(state_.raw_lines(), more);
  more = LineStore();
  // The lines loaded keep their rows: the view stays where the user was.
  const int scrolled = pages_->input()->view()->verticalScrollBar()->value();
  pages_->input()->view()->SetLines(nullptr);
  state_.ReplaceRawLines(std::move(joined));
  marks_ = std::move(marks);
  left_->convert_button()->setEnabled(false);
  try {
    RunLoadPass(state_, settings, working_windows_);
  } catch (...) {
    ShowLoadedState();
    throw;
  }
  pages_->input()->view()->SetLines(&state_.input_lines());
  pages_->input()->view()->verticalScrollBar()->setValue(scrolled);
  left_->selection()->FillKeeping(state_);
  SetLoadedCommands();
  RefreshScenes();
  pages_->input()->ShowGrowth(0, {});
  ShowLogCounts();
}

void MainWindow::ShowLogCounts() {
  QString counts = StatusTexts::Loaded(SummarizeLog(state_));
  QStringList names;
  for (const QString& path : log_paths_) names << QFileInfo(path).fileName();
  QString heading = names.join(QStringLiteral(", "));
  if (log_paths_.size() > 1) {
    const QString merged =
        StatusTexts::Merged(log_paths_.size(), static_cast<int64_t>(duplicates_));
    counts += QStringLiteral(" · ") + merged;
    heading = merged + QStringLiteral(": ") + heading;
  }
  for (const QString& path : named_twice_) {
    heading += QStringLiteral(" · ") +
               tr("%1 was named twice and is merged once").arg(QFileInfo(path).fileName());
  }
  status_text_->setText(counts);
  pages_->input()->SetHeading(heading);
}

}  // namespace quorlix
