#include "app/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <new>

#include "app/about_window.h"
#include "app/archive_export.h"
#include "app/cache_dir.h"
#include "app/conversion_options_panel.h"
#include "app/dialogs.h"
#include "app/error_box.h"
#include "app/input_page.h"
#include "app/left_panel.h"
#include "app/line_view.h"
#include "app/log_watch.h"
#include "app/main_menu.h"
#include "app/main_pages.h"
#include "app/options_window.h"
#include "app/output_posts.h"
#include "app/output_saving.h"
#include "app/output_view.h"
#include "app/pane_text.h"
#include "app/post_strip.h"
#include "app/scenes_panel.h"
#include "app/selection_panel.h"
#include "app/status_texts.h"
#include "app/widget_names.h"
#include "config/config_file.h"
#include "config/engine_settings.h"
#include "config/scene_gap.h"
#include "core/archive/archive_files.h"
#include "core/archive/archive_writer.h"
#include "core/convert/converter.h"
#include "core/dialects/markdown_cut.h"
#include "core/files/output_store.h"
#include "core/files/platform.h"
#include "core/log/loader.h"
#include "core/log/log_merge.h"
#include "core/log/log_summary.h"
#include "core/log/scene_finder.h"
#include "core/log/temp_log.h"
#include "core/text/error.h"
#include "core/text/translation.h"
#include "core/text/version.h"

namespace quorlix {
namespace {

// The window's first size, inside the screen's free area with room for
// the frame the window manager adds.
QSize FirstWindowSize(const QScreen* screen) {
  const QSize wanted(1042, 807);
  if (screen == nullptr) return wanted;
  return wanted.boundedTo(screen->availableGeometry().size() - QSize(16, 48));
}

}  // namespace

MainWindow::MainWindow(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent),
      file_dialogs_(services.file_dialogs ? *services.file_dialogs : DefaultFileDialogs()),
      color_picker_(services.color_picker ? *services.color_picker : DefaultColorPicker()),
      messages_(services.messages ? *services.messages : DefaultMessageSink()),
      unsaved_edits_(services.unsaved_edits ? *services.unsaved_edits
                                            : DefaultUnsavedEditsQuestion()),
      archive_questions_(services.archive_questions ? *services.archive_questions
                                                    : DefaultArchiveQuestions()),
      config_(services.config_path.empty() ? LocateConfig()
                                           : ConfigLocation{services.config_path, ""}),
      temp_dir_(std::move(services.temp_dir)),
      working_windows_(this),
      recent_(services.settings_file),
      scenes_(new ScenesPanel(config_, services.settings_file, messages_)),
      watch_(new LogWatch(this)) {
  setObjectName(QStringLiteral("Form1"));
  // FormCreate: the caption with the version; the options panel sets the
  // dialect index before the change signal is connected, so it raises no
  // change.
  setWindowTitle(tr("Quorlix Version %1").arg(QString::fromStdString(GetExeVersion())));

  menu_ = new MainMenu(menuBar(), recent_, this);
  auto* central = Named(new QWidget, "central");
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(BuildBanner());
  // The left panel starts at 413 pixels and gives way to the pages.
  auto* body = Named(new QSplitter(Qt::Horizontal), "Splitter1");
  left_ = new LeftPanel(scenes_);
  // On a small screen, or at a large scale, the panel scrolls rather than
  // making the window taller than the screen.
  auto* left_scroll = Named(new QScrollArea, "left_scroll");
  left_scroll->setWidget(left_);
  left_scroll->setWidgetResizable(true);
  left_scroll->setFrameShape(QFrame::NoFrame);
  body->addWidget(left_scroll);
  pages_ = new MainPages(menu_->convert_scene(), config_, messages_, this);
  body->addWidget(pages_);
  body->setStretchFactor(1, 1);
  body->setChildrenCollapsible(false);
  body->setSizes({413, 1042 - 413});
  // Where the user last put the splitter, the next run puts it too.
  body->restoreState(recent_.SplitterState());
  connect(body, &QSplitter::splitterMoved, this,
          [this, body] { recent_.SetSplitterState(body->saveState()); });
  layout->addWidget(body, 1);
  setCentralWidget(central);
  pages_->AddEditEntriesTo(menu_->edit());
  Named(statusBar(), "StatusBar1");
  status_text_ = Named(new QLabel, "status_text");
  statusBar()->addWidget(status_text_, 1);
  statusBar()->addPermanentWidget(scenes_->count_label());
  connect(pages_->posts()->strip(), &PostStrip::told, status_text_, &QLabel::setText);
  setAcceptDrops(true);

  menu_->convert()->setEnabled(false);
  menu_->export_archive()->setEnabled(false);
  menu_->save()->setEnabled(false);
  left_->convert_button()->setEnabled(false);
  left_->save_button()->setEnabled(false);
  Connect();
  UpdateSceneCommand();
  resize(FirstWindowSize(screen()));
}

MainWindow::~MainWindow() = default;

QColor MainWindow::ScrollBarColor() { return SelectionPanel::ScrollBarColor(); }

// The banner's picture holds the name; what Quorlix does is drawn over it
// in the user's language.
QPixmap MainWindow::BannerPicture() {
  QPixmap picture(QStringLiteral(":/quorlix/banner.png"));
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QFont font(QStringLiteral("Helvetica"));
  font.setPixelSize(15);
  painter.setFont(font);
  painter.setPen(QColor(0xd8, 0xec, 0xff));
  painter.drawText(190, 30, tr("chat logs to forum code"));
  painter.drawText(190, 52, tr("and web pages"));
  return picture;
}

QWidget* MainWindow::BuildBanner() {
  auto* panel = Named(new QFrame, "Panel3");
  panel->setFixedHeight(73);
  panel->setFrameShape(QFrame::NoFrame);
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* image = Named(new QLabel, "Image1");
  image->setPixmap(BannerPicture());
  image->setFixedSize(497, 69);
  layout->addWidget(image);
  layout->addStretch(1);
  return panel;
}

void MainWindow::Connect() {
  for (auto [button, action, handler] :
       {std::tuple{left_->load_button(), menu_->load(), &MainWindow::tb_loadClick},
        std::tuple{left_->convert_button(), menu_->convert(), &MainWindow::bt_convertClick},
        std::tuple{left_->save_button(), menu_->save(), &MainWindow::bt_saveClick}}) {
    connect(button, &QPushButton::clicked, this, handler);
    connect(action, &QAction::triggered, this, handler);
  }
  const SelectionPanel* selection = left_->selection();
  connect(selection->person_filter(), &QCheckBox::clicked, this,
          &MainWindow::cb_filter_personClick);
  connect(selection->channel_filter(), &QCheckBox::clicked, this,
          &MainWindow::cb_filter_channelClick);
  connect(selection->time_filter(), &QCheckBox::clicked, this, &MainWindow::cb_filter_timeClick);
  connect(selection, &SelectionPanel::namesChanged, this, &MainWindow::RefreshScenes);
  const ConversionOptionsPanel* options = left_->options();
  connect(options->channel_name(), &QCheckBox::clicked, this, &MainWindow::check_channelClick);
  // activated: raised by the user's choice only, never by setCurrentIndex.
  connect(options->dialect_list(), &QComboBox::activated, this, &MainWindow::combo_codeChange);
  connect(menu_->options(), &QAction::triggered, this, &MainWindow::Options1Click);
  connect(menu_->about(), &QAction::triggered, this, &MainWindow::About1Click);
  connect(menu_->exit(), &QAction::triggered, this, &MainWindow::Exit1Click);
  connect(menu_->convert_scene(), &QAction::triggered, this, &MainWindow::ConvertScene1Click);
  connect(menu_, &MainMenu::recentChosen, this, &MainWindow::LoadCheckedFiles);
  connect(menu_->add_log(), &QAction::triggered, this, &MainWindow::AddLog1Click);
  connect(watch_, &LogWatch::changed, this, &MainWindow::CheckLogs);
  connect(pages_->input(), &InputPage::takeInWanted, this, &MainWindow::TakeInClick);
  connect(pages_->input(), &InputPage::reloadWanted, this, &MainWindow::ReloadClick);
  connect(menu_->export_archive(), &QAction::triggered, this, &MainWindow::ExportArchive1Click);
  connect(pages_->input()->view(), &LineView::sceneChanged, this, &MainWindow::UpdateSceneCommand);
  connect(scenes_, &ScenesPanel::sceneChosen, pages_->input(), &InputPage::ShowScene);
  connect(scenes_, &ScenesPanel::convertRequested, this, &MainWindow::ConvertScene1Click);
}

template <typename Body>
void MainWindow::RunCommand(Body&& body) {
  if (busy_) return;
  busy_ = true;
  RunHandler(messages_, this, body);
  busy_ = false;
  if (close_requested_) close();
}

// A command that replaces the output asks about the user's edits first.
void MainWindow::RunReplacingCommand(void (MainWindow::*command)()) {
  RunCommand([this, command] {
    if (MayReplaceOutput()) (this->*command)();
  });
}

void MainWindow::tb_loadClick() { RunReplacingCommand(&MainWindow::Load); }
void MainWindow::bt_convertClick() { RunReplacingCommand(&MainWindow::ConvertLog); }

void MainWindow::bt_saveClick() {
  RunCommand([this] { SaveOutput(); });
}

void MainWindow::cb_filter_personClick() { left_->selection()->CouplePersons(); }
void MainWindow::cb_filter_channelClick() { left_->selection()->CoupleChannels(); }
void MainWindow::cb_filter_timeClick() { left_->selection()->CoupleTime(); }
void MainWindow::check_channelClick() { left_->options()->CoupleChannelColors(); }
void MainWindow::combo_codeChange(int index) { left_->options()->FollowDialect(index); }

void MainWindow::Options1Click() {
  RunCommand([this] { OptionsWindow(config_, color_picker_, messages_, this).exec(); });
}

void MainWindow::About1Click() {
  RunCommand([this] { AboutWindow(this).exec(); });
}

void MainWindow::Exit1Click() { close(); }
void MainWindow::ConvertScene1Click() { RunReplacingCommand(&MainWindow::ConvertSceneLog); }

void MainWindow::ExportArchive1Click() {
  RunCommand([this] { ExportArchive(); });
}

void MainWindow::AddLog1Click() {
  RunCommand([this] { AddLog(); });
}

void MainWindow::TakeInClick() {
  RunCommand([this] { TakeInLines(); });
}

// The logs read again from their start: the Output page stays.
void MainWindow::ReloadClick() {
  RunCommand([this] { LoadPaths(log_paths_, /*keep=*/true); });
}

void MainWindow::LoadFiles(const QStringList& paths) {
  RunCommand([this, &paths] {
    if (MayReplaceOutput()) LoadPaths(paths);
  });
}

void MainWindow::LoadCheckedFiles(const QStringList& paths) {
  for (const QString& path : paths) {
    const QString problem = LogFileProblem(path);
    if (!problem.isEmpty()) {
      messages_.ShowError(this, ErrorBoxText(problem));
      return;
    }
  }
  LoadFiles(paths);
}

QString MainWindow::StatusText() const { return status_text_->text(); }

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList paths;
  const QString problem = DroppedLogProblem(event->mimeData()->urls(), paths);
  event->acceptProposedAction();
  if (!problem.isEmpty()) {
    messages_.ShowError(this, ErrorBoxText(problem));
    return;
  }
  // After the drop has ended: the load may ask about the edits first, and
  // the program the file came from should not wait on that question.
  QMetaObject::invokeMethod(
      this, [this, paths] { LoadFiles(paths); }, Qt::QueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A close request that arrives while a command draws its progress is
  // carried out when the command has ended.
  if (busy_) {
    close_requested_ = true;
    event->ignore();
    return;
  }
  bool may_close = false;
  busy_ = true;
  RunHandler(messages_, this, [this, &may_close] {
    may_close = MayReplaceOutput(UnsavedEditsQuestion::Moment::kClosing);
  });
  busy_ = false;
  if (!may_close) {
    event->ignore();
    return;
  }
  event->accept();
}

// Edits the user made since the last save cannot be got back: ask first.
bool MainWindow::MayReplaceOutput(UnsavedEditsQuestion::Moment moment) {
  if (!pages_->output()->IsEditedSinceSave()) return true;
  switch (unsaved_edits_.Ask(this, moment)) {
    case UnsavedEditsQuestion::Answer::kDiscard: return true;
    case UnsavedEditsQuestion::Answer::kCancel: return false;
    case UnsavedEditsQuestion::Answer::kSave: break;
  }
  SaveOutput();
  return !pages_->output()->IsEditedSinceSave();
}

void MainWindow::ShowLoadedState() {
  pages_->input()->view()->SetLines(&state_.input_lines());
  left_->selection()->Fill(state_);
  pages_->ShowOutput(nullptr);
}

void MainWindow::ConvertLog() {
  ConvertIntoOutputPage([this](const ConvertSettings& settings, OutputSink& out) {
    return ConvertIntoSink(state_, options_, settings, out, working_windows_);
  });
}

// The lines selected on the Input page, as one range with one footer; the
// time filter does not apply.
void MainWindow::ConvertSceneLog() {
  Scene scene;
  int first = 0, last = -1;
  if (!pages_->input()->view()->SceneRange(first, last)) return;
  scene.first = first;
  scene.last = last;
  ConvertIntoOutputPage([this, &scene](const ConvertSettings& settings, OutputSink& out) {
    return ConvertSceneIntoSink(state_, scene, options_, settings, out, working_windows_);
  });
}

void MainWindow::ConvertIntoOutputPage(
    const std::function<int64_t(const ConvertSettings&, OutputSink&)>& convert) {
  status_text_->clear();
  left_->options()->ReadInto(options_);
  left_->selection()->ReadInto(state_);
  // One reading of config.cfg serves the conversion and the post limit.
  const ConfigFile config = ReadConfig();
  ConvertSettings settings = ReadConvertSettings(config, options_);
  // A web page's title: the logs' names.
  QStringList names;
  for (const QString& path : log_paths_) names << QFileInfo(path).fileName();
  settings.log_name = names.join(QStringLiteral(", ")).toStdString();
  // The old output goes before the new one is made: converting again
  // costs no more than converting once.
  pages_->ShowOutput(nullptr);
  // The Preview shows the dialect the output is made in.
  pages_->posts()->SetDialect(options_.dialect);
  pages_->posts()->ReadLimit(config);
  auto output = std::make_shared<OutputStore>(temp_dir_.empty() ? DefaultTempLogDir() : temp_dir_,
                                              state_.input_lines().size());
  // A chat app refuses a post over its limit: long Markdown lines go in
  // pieces that fit the limit read here.
  const bool cut = options_.dialect == Dialect::kMarkdown;
  MarkdownCutSink pieces(*output, cut ? pages_->posts()->strip()->limit() : 0);
  int64_t converted = 0;
  try {
    converted = convert(settings, pieces);
    output->Finish();
  } catch (...) {
    // The lines converted before the error stay, if the disk kept them.
    try {
      output->Finish();
      pages_->ShowOutput(output);
    } catch (const Error&) {
    }
    throw;
  }
  pages_->ShowOutput(output);
  SetConvertedCommands();
  status_text_->setText(StatusTexts::Converted(converted));
}

void MainWindow::RefreshScenes() {
  // Not while a load has let go of the lines, nor before a log is loaded.
  if (pages_->input()->view()->line_model()->lines() == nullptr || !menu_->convert()->isEnabled())
    return;
  left_->selection()->ReadNamesInto(state_);
  scenes_->Refresh(state_);
}

// config.cfg as it is now. One that exists but cannot be read gives the
// defaults, and says so once, as quorlix-cli does on stderr.
ConfigFile MainWindow::ReadConfig() {
  ConfigFile config = ConfigFile(config_).Snapshot();
  if (config.unreadable_reason().empty()) {
    config_warned_ = false;
  } else if (!config_warned_) {
    config_warned_ = true;
    messages_.ShowError(
        this, ErrorBoxText(QString::fromStdString(FormatText(Tr("Warning: %s; the defaults apply"),
                                                             {config.unreadable_reason()}))));
  }
  return config;
}

void MainWindow::UpdateSceneCommand() {
  int first = 0, last = -1;
  menu_->convert_scene()->setEnabled(menu_->convert()->isEnabled() &&
                                     pages_->input()->view()->SceneRange(first, last));
}

void MainWindow::SaveOutput() {
  const std::vector<SaveFileType> types = SaveFileTypesFor(options_.dialect);
  const QString chosen = file_dialogs_.GetSaveFileName(
      this, SuggestedSavePath(log_paths_.value(0), recent_.LastFolder(), types.front().suffix),
      types);
  if (chosen.isEmpty()) return;
  recent_.SetLastFolderOf(chosen);
  SaveOutputLines(pages_->output()->lines(), chosen, log_paths_);
  pages_->output()->MarkSaved();
}

void MainWindow::ExportArchive() {
  const QString folder = archive_questions_.ChooseFolder(this, recent_.LastFolder());
  if (folder.isEmpty()) return;
  left_->options()->ReadInto(options_);
  left_->selection()->ReadInto(state_);
  const ConfigFile config = ReadConfig();
  ArchiveRequest request;
  request.folder = LocalPath(folder);
  QStringList names;
  for (const QString& path : log_paths_) names << QFileInfo(path).fileName();
  request.log_names = names.join(QStringLiteral(", ")).toStdString();
  request.options = options_;
  request.options.dialect = Dialect::kPage;
  request.settings = ReadConvertSettings(config, request.options);
  request.settings.log_name = request.log_names;
  const SceneList scenes = FindScenes(state_, ReadSceneGap(config));
  ArchiveResult result;
  for (;;) {
    try {
      result = WriteArchiveWithProgress(this, state_, scenes, request);
      break;
    } catch (const ForeignFilesError& e) {
      if (request.force ||
          !archive_questions_.WriteAmongForeignFiles(this, QString::fromStdString(e.what()))) {
        return;
      }
      request.force = true;
    }
  }
  const QString summary =
      StatusTexts::ArchiveWritten(result.scenes, result.written, result.removed, result.stopped);
  status_text_->setText(summary);
  if (result.stopped) return;
  if (archive_questions_.OpenIndexNow(this, summary)) {
    archive_questions_.OpenPage(QDir(folder).filePath(
        QString::fromUtf8(kArchiveIndexName.data(), kArchiveIndexName.size())));
  }
}

void MainWindow::SetLoadedCommands() {
  left_->convert_button()->setEnabled(true);
  menu_->add_log()->setEnabled(true);
  menu_->convert()->setEnabled(true);
  menu_->export_archive()->setEnabled(true);
  menu_->save()->setEnabled(false);
  left_->save_button()->setEnabled(false);
  UpdateSceneCommand();
}

void MainWindow::SetConvertedCommands() {
  pages_->ShowOutputPage();
  left_->save_button()->setEnabled(true);
  menu_->save()->setEnabled(true);
}

}  // namespace quorlix
