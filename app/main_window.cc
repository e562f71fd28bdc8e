#include "app/main_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "app/about_window.h"
#include "app/cache_dir.h"
#include "app/dialogs.h"
#include "app/edit_commands.h"
#include "app/error_box.h"
#include "app/find_bar.h"
#include "app/go_to_time_bar.h"
#include "app/line_view.h"
#include "app/list_filter_bar.h"
#include "app/options_window.h"
#include "app/output_posts.h"
#include "app/output_view.h"
#include "app/pane_text.h"
#include "app/post_preview.h"
#include "app/post_strip.h"
#include "app/scenes_panel.h"
#include "app/translations.h"
#include "config/config_file.h"
#include "config/engine_settings.h"
#include "core/atomic_write.h"
#include "core/converter.h"
#include "core/error.h"
#include "core/loader.h"
#include "core/log_summary.h"
#include "core/output_store.h"
#include "core/output_target.h"
#include "core/temp_log.h"
#include "core/translation.h"
#include "core/version.h"

namespace quorlix {
namespace {

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QAction* NamedAction(QObject* parent, const char* name, const QString& text,
                     const QKeySequence& shortcut = {}) {
  auto* action = new QAction(text, parent);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(shortcut);
  return action;
}

// "1 line" or "2,400,477 lines": `singular` or `plural`, translated, with
// %1 the number.
QString Counted(qlonglong n, const QString& singular, const QString& plural) {
  return (n == 1 ? singular : plural).arg(GroupedNumber(n));
}

QString SummaryText(const LogSummary& summary) {
  QString text =
      Counted(summary.lines, MainWindow::tr("%1 line"), MainWindow::tr("%1 lines")) +
      QStringLiteral(" · ") +
      Counted(summary.persons, MainWindow::tr("%1 person"), MainWindow::tr("%1 persons")) +
      QStringLiteral(" · ") +
      Counted(summary.channels, MainWindow::tr("%1 channel"), MainWindow::tr("%1 channels"));
  if (!summary.first_day.empty()) {
    text += QStringLiteral(" · ") + QString::fromStdString(summary.first_day) +
            QStringLiteral(" – ") + QString::fromStdString(summary.last_day);
  }
  return text;
}

// The window's first size, inside the screen's free area with room for
// the frame the window manager adds.
QSize FirstWindowSize(const QScreen* screen) {
  const QSize wanted(1042, 807);
  if (screen == nullptr) return wanted;
  return wanted.boundedTo(screen->availableGeometry().size() - QSize(16, 48));
}

// A filtered list or tree follows its check box: the window colour and
// enabled when ticked, the scroll-bar colour and disabled when not. The
// colour is set first; the selection is left alone.
void CoupleToFilter(const QCheckBox* filter, QAbstractItemView* view) {
  QPalette palette = view->palette();
  palette.setColor(QPalette::Base, filter->isChecked()
                                       ? QApplication::palette().color(QPalette::Base)
                                       : MainWindow::ScrollBarColor());
  view->setPalette(palette);
  view->setEnabled(filter->isChecked());
}

// Entries of a greyed list stay readable, as grey text on grey.
void SetGreyedTextColor(QAbstractItemView* view) {
  QPalette palette = view->palette();
  palette.setColor(QPalette::Disabled, QPalette::Text,
                   QApplication::palette().color(QPalette::Dark).darker(150));
  view->setPalette(palette);
}

void FillList(QListWidget* list, const std::vector<ListEntry>& entries) {
  list->clear();
  for (const ListEntry& entry : entries) list->addItem(BytesToText(entry.name));
}

void ReadSelection(const QListWidget* list, std::vector<ListEntry>& entries) {
  const int count = std::min(list->count(), static_cast<int>(entries.size()));
  for (int i = 0; i < count; ++i)
    entries[static_cast<size_t>(i)].selected = list->item(i)->isSelected();
}

// Each node shows, in its second column, the lines it would convert.
void AddTreeItems(const TimeTree& tree, const std::vector<int64_t>& counts, int id,
                  QTreeWidgetItem* item) {
  item->setText(0, BytesToText(tree.node(id).text));
  item->setData(0, Qt::UserRole, id);
  const int64_t count = counts[static_cast<size_t>(id)];
  if (count >= 0) item->setText(1, GroupedNumber(count));
  item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  for (int child : tree.node(id).children) {
    AddTreeItems(tree, counts, child, new QTreeWidgetItem(item));
  }
}

void ReadTreeSelection(QTreeWidgetItem* item, TimeTree& tree) {
  const int id = item->data(0, Qt::UserRole).toInt();
  if (id >= 0 && id < tree.size()) tree.node(id).selected = item->isSelected();
  for (int i = 0; i < item->childCount(); ++i) ReadTreeSelection(item->child(i), tree);
}

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A FIFO or device cannot be replaced: the output goes straight into it,
// as quorlix-cli's -o does.
void WriteIntoStream(const std::string& path, const EditableLines& lines) {
  const int fd = OpenStreamTarget(path);
  int error = fd < 0 ? errno : 0;
  if (fd >= 0) {
    lines.WriteBytes([&](std::string_view bytes) {
      if (error == 0 && !WriteAllToStream(fd, bytes.data(), bytes.size())) error = errno;
    });
    ::close(fd);
  }
  if (error != 0) {
    throw Error(FormatText(Tr("Cannot write file %s. %s"), {path, std::strerror(error)}));
  }
}

}  // namespace

MainWindow::MainWindow(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent),
      file_dialogs_(services.file_dialogs ? *services.file_dialogs : DefaultFileDialogs()),
      color_picker_(services.color_picker ? *services.color_picker : DefaultColorPicker()),
      messages_(services.messages ? *services.messages : DefaultMessageSink()),
      unsaved_edits_(services.unsaved_edits ? *services.unsaved_edits
                                            : DefaultUnsavedEditsQuestion()),
      config_(services.config_path.empty() ? LocateConfig()
                                           : ConfigLocation{services.config_path, ""}),
      temp_dir_(std::move(services.temp_dir)),
      working_windows_(this),
      recent_(services.settings_file),
      scenes_(new ScenesPanel(config_, services.settings_file, messages_)) {
  setObjectName(QStringLiteral("Form1"));
  // FormCreate: the caption with the version; the dialect index is set
  // before the change signal is connected, so it raises no change.
  setWindowTitle(tr("Quorlix Version %1").arg(QString::fromStdString(GetExeVersion())));

  BuildMenu();
  auto* central = Named(new QWidget, "central");
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(BuildBanner());
  // The left panel starts at 413 pixels and gives way to the pages.
  auto* body = Named(new QSplitter(Qt::Horizontal), "Splitter1");
  body->addWidget(BuildLeftPanel());
  body->addWidget(BuildPages());
  body->setStretchFactor(1, 1);
  body->setChildrenCollapsible(false);
  body->setSizes({413, 1042 - 413});
  layout->addWidget(body, 1);
  setCentralWidget(central);
  BuildEditMenu();
  Named(statusBar(), "StatusBar1");
  status_text_ = Named(new QLabel, "status_text");
  statusBar()->addWidget(status_text_, 1);
  statusBar()->addPermanentWidget(scenes_->count_label());
  setAcceptDrops(true);

  combo_code_->setCurrentIndex(static_cast<int>(Dialect::kUbb));
  for (auto [filter, view] :
       {std::pair<QCheckBox*, QAbstractItemView*>{cb_filter_person_, lb_person_},
        {cb_filter_channel_, lb_channel_},
        {cb_filter_time_, TreeView_time_}}) {
    SetGreyedTextColor(view);
    CoupleToFilter(filter, view);
  }
  Convert1_->setEnabled(false);
  Save1_->setEnabled(false);
  bt_convert_->setEnabled(false);
  bt_save_->setEnabled(false);
  Connect();
  UpdateSceneCommand();
  resize(FirstWindowSize(screen()));
}

MainWindow::~MainWindow() = default;

// The light grey of a scroll bar's trough.
QColor MainWindow::ScrollBarColor() { return QApplication::palette().color(QPalette::Midlight); }

void MainWindow::BuildMenu() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->setObjectName(QStringLiteral("File1"));
  file->menuAction()->setObjectName(QStringLiteral("File1Action"));
  Load1_ = NamedAction(this, "Load1", tr("&Load"), QKeySequence(Qt::CTRL | Qt::Key_O));
  Convert1_ = NamedAction(this, "Convert1", tr("&Convert"), QKeySequence(Qt::Key_F5));
  ConvertScene1_ =
      NamedAction(this, "ConvertScene1", tr("Convert sce&ne"), QKeySequence(Qt::CTRL | Qt::Key_F5));
  Save1_ = NamedAction(this, "Save1", tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
  Options1_ = NamedAction(this, "Options1", tr("&Options"));
  Exit1_ = NamedAction(this, "Exit1", tr("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
  RecentLogs1_ = new QMenu(tr("&Recent logs"), file);
  RecentLogs1_->setObjectName(QStringLiteral("RecentLogs1"));
  connect(RecentLogs1_, &QMenu::aboutToShow, this, &MainWindow::FillRecentMenu);
  file->addAction(Load1_);
  file->addMenu(RecentLogs1_);
  file->addAction(Convert1_);
  file->addAction(ConvertScene1_);
  file->addAction(Save1_);
  file->addAction(Options1_);
  file->addAction(Exit1_);
  About1_ = NamedAction(this, "About1", tr("&About"));
  menuBar()->addAction(About1_);
  menuBar()->setObjectName(QStringLiteral("MainMenu1"));
}

// The clipboard entries for the page in front; Find, Go to time and the
// scene's ends for the Input page.
void MainWindow::BuildEditMenu() {
  QMenu* edit = new QMenu(tr("&Edit"), menuBar());
  edit->setObjectName(QStringLiteral("Edit1"));
  menuBar()->insertMenu(About1_, edit);
  edit_commands_ = new EditCommands(
      {TabSheet1_, memo_input_, TabSheet2_, memo_output_, TabSheet3_, posts_->preview()->browser(),
       posts_->strip(), [this] { return PageControl1_->currentWidget(); }},
      this);
  edit_commands_->AddTo(edit);
  const auto add = [&](const char* name, const QString& text, const QKeySequence& keys,
                       auto handler) {
    QAction* action = NamedAction(this, name, text, keys);
    connect(action, &QAction::triggered, this, handler);
    edit->addAction(action);
  };
  const auto on_input_page = [this] { PageControl1_->setCurrentWidget(TabSheet1_); };
  add("Find1", tr("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F), [this, on_input_page] {
    on_input_page();
    go_to_time_bar_->hide();
    find_bar_->Open();
  });
  add("FindNext1", tr("Find &next"), QKeySequence(Qt::Key_F3), [this, on_input_page] {
    on_input_page();
    find_bar_->FindNext(false);
  });
  add("FindPrevious1", tr("Find pre&vious"), QKeySequence(Qt::SHIFT | Qt::Key_F3),
      [this, on_input_page] {
        on_input_page();
        find_bar_->FindNext(true);
      });
  add("GoToTime1", tr("&Go to time..."), QKeySequence(Qt::CTRL | Qt::Key_G), [this, on_input_page] {
    on_input_page();
    find_bar_->hide();
    go_to_time_bar_->Open();
  });
}

QWidget* MainWindow::BuildBanner() {
  auto* panel = Named(new QFrame, "Panel3");
  panel->setFixedHeight(73);
  panel->setFrameShape(QFrame::NoFrame);
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* image = Named(new QLabel, "Image1");
  image->setPixmap(QPixmap(QStringLiteral(":/quorlix/banner.png")));
  image->setFixedSize(497, 69);
  layout->addWidget(image);
  layout->addStretch(1);
  return panel;
}

QWidget* MainWindow::BuildLeftPanel() {
  auto* panel = Named(new QWidget, "Panel1");
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(8, 6, 8, 8);

  auto* commands = new QHBoxLayout;
  tb_load_ = Named(new QPushButton(tr("&Load")), "tb_load");
  bt_convert_ = Named(new QPushButton(tr("&Convert")), "bt_convert");
  bt_save_ = Named(new QPushButton(tr("&Save")), "bt_save");
  for (QPushButton* button : {tb_load_, bt_convert_, bt_save_}) {
    button->setMinimumHeight(32);
    commands->addWidget(button);
  }
  layout->addLayout(commands);

  auto* bar = Named(new QFrame, "Panel2");
  bar->setFrameShape(QFrame::Panel);
  bar->setFrameShadow(QFrame::Sunken);
  bar->setFixedHeight(9);
  bar->setMaximumWidth(389);
  layout->addWidget(bar, 0, Qt::AlignHCenter);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  cb_filter_person_ = Named(new QCheckBox(tr("Filter Persons")), "cb_filter_person");
  lb_person_ = Named(new QListWidget, "lb_person");
  cb_filter_channel_ = Named(new QCheckBox(tr("Filter Channel")), "cb_filter_channel");
  lb_channel_ = Named(new QListWidget, "lb_channel");
  for (QListWidget* list : {lb_person_, lb_channel_}) {
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  }
  auto* persons = new QVBoxLayout;
  persons->addWidget(cb_filter_person_);
  persons->addWidget(new ListFilterBar(lb_person_, QStringLiteral("lb_person")));
  persons->addWidget(lb_person_, 1);
  auto* channels = new QVBoxLayout;
  channels->addWidget(cb_filter_channel_);
  channels->addWidget(new ListFilterBar(lb_channel_, QStringLiteral("lb_channel")));
  channels->addWidget(lb_channel_, 1);

  auto* options = new QVBoxLayout;
  options->addWidget(Named(new QLabel(tr("Convert to:")), "Label5"));
  combo_code_ = Named(new QComboBox, "combo_code");
  combo_code_->addItems(
      {QStringLiteral("UBB"), QStringLiteral("Html"), QStringLiteral("Markdown (Discord)")});
  combo_code_->setEditable(false);
  options->addWidget(combo_code_);
  check_channel_ = Named(new QCheckBox(tr("Show Channelname")), "check_channel");
  check_channel_color_ = Named(new QCheckBox(tr("Use Colors for Channels")), "check_channel_color");
  check_showtime_ = Named(new QCheckBox(tr("Show Time")), "check_showtime");
  check_marklink_ = Named(new QCheckBox(tr("Mark Removed Links")), "check_marklink");
  CheckBox_delete_tags_ =
      Named(new QCheckBox(tr("Delete all Tags in Chatlines")), "CheckBox_delete_tags");
  options->addWidget(check_channel_);
  auto* indented = new QHBoxLayout;
  indented->addSpacing(18);
  indented->addWidget(check_channel_color_);
  options->addLayout(indented);
  options->addWidget(check_showtime_);
  options->addWidget(check_marklink_);
  options->addWidget(CheckBox_delete_tags_);
  options->addStretch(1);

  cb_filter_time_ = Named(new QCheckBox(tr("Filter Time")), "cb_filter_time");
  TreeView_time_ = Named(new QTreeWidget, "TreeView_time");
  TreeView_time_->setHeaderHidden(true);
  TreeView_time_->setColumnCount(2);  // the node, and the lines it holds
  // The node's text is never cut: where it and the count do not fit, the
  // tree scrolls sideways.
  TreeView_time_->header()->setStretchLastSection(true);
  TreeView_time_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  TreeView_time_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  TreeView_time_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  TreeView_time_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  auto* time = new QVBoxLayout;
  time->addWidget(cb_filter_time_);
  time->addWidget(TreeView_time_, 1);

  grid->addLayout(persons, 0, 0);
  grid->addLayout(options, 0, 1);
  grid->addLayout(channels, 1, 0);
  auto* time_page = Named(new QWidget, "time_page");
  time->setContentsMargins(0, 4, 0, 0);
  time_page->setLayout(time);
  auto* time_tabs = Named(new QTabWidget, "time_tabs");
  time_tabs->addTab(time_page, tr("Time"));
  time_tabs->addTab(scenes_, tr("Scenes"));
  grid->addWidget(time_tabs, 1, 1);
  grid->setRowStretch(0, 1);
  grid->setRowStretch(1, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid, 1);
  return panel;
}

QWidget* MainWindow::BuildPages() {
  PageControl1_ = Named(new QTabWidget, "PageControl1");
  TabSheet1_ = Named(new QWidget, "TabSheet1");
  TabSheet2_ = Named(new QWidget, "TabSheet2");
  memo_input_ = Named(new LineView, "memo_input");
  memo_output_ = Named(new OutputView, "memo_output");
  memo_output_->setFocusPolicy(Qt::StrongFocus);  // reachable with Tab (where Tab is typed)
  find_bar_ = new FindBar(memo_input_);
  go_to_time_bar_ = new GoToTimeBar(memo_input_);
  memo_input_->AddContextActions({ConvertScene1_});
  posts_ = new OutputPosts(memo_output_, config_, messages_, this);
  for (auto [page, pane] : {std::pair<QWidget*, QWidget*>{TabSheet1_, memo_input_},
                            std::pair<QWidget*, QWidget*>{TabSheet2_, memo_output_}}) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    if (page == TabSheet2_) layout->addWidget(posts_->strip());
    layout->addWidget(pane);
    if (page == TabSheet1_) {
      layout->addWidget(find_bar_);
      layout->addWidget(go_to_time_bar_);
    }
  }
  TabSheet3_ = Named(posts_->preview(), "TabSheet3");
  PageControl1_->addTab(TabSheet1_, tr("Input"));
  PageControl1_->addTab(TabSheet2_, tr("Ouput"));
  PageControl1_->addTab(TabSheet3_, tr("Preview"));
  PageControl1_->setCurrentWidget(TabSheet1_);
  return PageControl1_;
}

void MainWindow::Connect() {
  for (auto [button, action, handler] :
       {std::tuple{tb_load_, Load1_, &MainWindow::tb_loadClick},
        std::tuple{bt_convert_, Convert1_, &MainWindow::bt_convertClick},
        std::tuple{bt_save_, Save1_, &MainWindow::bt_saveClick}}) {
    connect(button, &QPushButton::clicked, this, handler);
    connect(action, &QAction::triggered, this, handler);
  }
  connect(cb_filter_person_, &QCheckBox::clicked, this, &MainWindow::cb_filter_personClick);
  connect(cb_filter_channel_, &QCheckBox::clicked, this, &MainWindow::cb_filter_channelClick);
  connect(cb_filter_time_, &QCheckBox::clicked, this, &MainWindow::cb_filter_timeClick);
  connect(check_channel_, &QCheckBox::clicked, this, &MainWindow::check_channelClick);
  // activated: raised by the user's choice only, never by setCurrentIndex.
  connect(combo_code_, &QComboBox::activated, this, &MainWindow::combo_codeChange);
  connect(PageControl1_, &QTabWidget::currentChanged, this,
          [this] { posts_->SetPreviewShown(PageControl1_->currentWidget() == TabSheet3_); });
  connect(Options1_, &QAction::triggered, this, &MainWindow::Options1Click);
  connect(About1_, &QAction::triggered, this, &MainWindow::About1Click);
  connect(Exit1_, &QAction::triggered, this, &MainWindow::Exit1Click);
  connect(ConvertScene1_, &QAction::triggered, this, &MainWindow::ConvertScene1Click);
  connect(memo_input_, &LineView::sceneChanged, this, &MainWindow::UpdateSceneCommand);
  for (QCheckBox* filter : {cb_filter_person_, cb_filter_channel_}) {
    connect(filter, &QCheckBox::clicked, this, &MainWindow::RefreshScenes);
  }
  for (QListWidget* list : {lb_person_, lb_channel_}) {
    connect(list, &QListWidget::itemSelectionChanged, this, &MainWindow::RefreshScenes);
  }
  connect(scenes_, &ScenesPanel::sceneChosen, this, [this](int64_t first, int64_t last) {
    PageControl1_->setCurrentWidget(TabSheet1_);
    memo_input_->GoToRow(static_cast<int>(last));
    memo_input_->SetSceneStart(static_cast<int>(first));
    memo_input_->scrollTo(memo_input_->line_model()->index(static_cast<int>(first)),
                          QAbstractItemView::PositionAtTop);
  });
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

void MainWindow::tb_loadClick() {
  RunCommand([this] {
    if (MayReplaceOutput()) Load();
  });
}

void MainWindow::bt_convertClick() {
  RunCommand([this] {
    if (MayReplaceOutput()) ConvertLog();
  });
}

void MainWindow::bt_saveClick() {
  RunCommand([this] { SaveOutput(); });
}

void MainWindow::cb_filter_personClick() { CoupleToFilter(cb_filter_person_, lb_person_); }
void MainWindow::cb_filter_channelClick() { CoupleToFilter(cb_filter_channel_, lb_channel_); }
void MainWindow::cb_filter_timeClick() { CoupleToFilter(cb_filter_time_, TreeView_time_); }

void MainWindow::check_channelClick() {
  if (check_channel_->isChecked()) {
    check_channel_color_->setEnabled(true);
  } else {
    check_channel_color_->setChecked(false);
    check_channel_color_->setEnabled(false);
  }
}

void MainWindow::combo_codeChange(int index) {
  const Dialect dialect = static_cast<Dialect>(index);
  check_marklink_->setEnabled(dialect == Dialect::kUbb || dialect == Dialect::kHtml ||
                              dialect == Dialect::kMarkdown);
}

void MainWindow::Options1Click() {
  RunCommand([this] {
    OptionsWindow options(config_, color_picker_, messages_, this);
    options.exec();
  });
}

void MainWindow::About1Click() {
  RunCommand([this] {
    AboutWindow about(this);
    about.exec();
  });
}

void MainWindow::Exit1Click() { close(); }

void MainWindow::ConvertScene1Click() {
  RunCommand([this] {
    if (MayReplaceOutput()) ConvertSceneLog();
  });
}

void MainWindow::LoadFile(const QString& path) {
  RunCommand([this, &path] {
    if (MayReplaceOutput()) LoadPath(path);
  });
}

void MainWindow::LoadCheckedFile(const QString& path) {
  const QString problem = LogFileProblem(path);
  if (!problem.isEmpty()) {
    messages_.ShowError(this, ErrorBoxText(problem));
    return;
  }
  LoadFile(path);
}

QString MainWindow::StatusText() const { return status_text_->text(); }

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QString path;
  const QString problem = DroppedLogProblem(event->mimeData()->urls(), path);
  event->acceptProposedAction();
  if (!problem.isEmpty()) {
    messages_.ShowError(this, ErrorBoxText(problem));
    return;
  }
  // After the drop has ended: the load may ask about the edits first, and
  // the program the file came from should not wait on that question.
  QMetaObject::invokeMethod(
      this, [this, path] { LoadFile(path); }, Qt::QueuedConnection);
}

// Entries whose file has gone are shown disabled.
void MainWindow::FillRecentMenu() {
  RecentLogs1_->clear();
  const QStringList logs = recent_.Logs();
  for (int i = 0; i < logs.size(); ++i) {
    const QString& path = logs[i];
    QAction* action = RecentLogs1_->addAction(
        QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path)));
    action->setEnabled(QFileInfo(path).isFile());
    connect(action, &QAction::triggered, this, [this, path] { LoadCheckedFile(path); });
  }
  if (logs.isEmpty()) RecentLogs1_->addAction(tr("(none)"))->setEnabled(false);
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
  if (!memo_output_->IsEditedSinceSave()) return true;
  switch (unsaved_edits_.Ask(this, moment)) {
    case UnsavedEditsQuestion::Answer::kDiscard: return true;
    case UnsavedEditsQuestion::Answer::kCancel: return false;
    case UnsavedEditsQuestion::Answer::kSave: break;
  }
  SaveOutput();
  return !memo_output_->IsEditedSinceSave();
}

void MainWindow::Load() {
  const QString chosen = file_dialogs_.GetOpenFileName(this, recent_.LastFolder());
  if (chosen.isEmpty()) return;
  recent_.SetLastFolderOf(chosen);
  LoadPath(chosen);
}

void MainWindow::LoadPath(const QString& chosen) {
  // A file that cannot be loaded is refused before anything is cleared.
  if (const QString problem = LogFileProblem(chosen); !problem.isEmpty()) {
    throw Error(problem.toStdString());
  }
  status_text_->clear();  // the counts of the log being replaced no longer hold
  // The view shows the lines in place: it lets go of them until the pass
  // has ended, since the Working window lets the window system draw while
  // the engine changes them.
  memo_input_->SetLines(nullptr);
  scenes_->Clear();
  state_.ReplaceRawLines();
  PageControl1_->setCurrentWidget(TabSheet1_);

  const std::string path = LocalPath(chosen);
  try {
    state_.ReplaceRawLines(
        LoadThroughTempLog(path, temp_dir_.empty() ? DefaultTempLogDir() : temp_dir_));
  } catch (const std::bad_alloc&) {
    throw Error(FormatText(Tr("Not enough memory for %s"), {path}));
  }
  bt_convert_->setEnabled(false);
  const ConfigFile config = ReadConfig();
  try {
    RunLoadPass(state_, ReadLoadSettings(config), working_windows_);
  } catch (...) {
    ShowLoadedState();
    throw;
  }
  ShowLoadedState();
  SetLoadedCommands();
  RefreshScenes();
  log_path_ = chosen;
  recent_.Add(chosen);
  status_text_->setText(SummaryText(SummarizeLog(state_)));
}

void MainWindow::ShowLoadedState() {
  memo_input_->SetLines(&state_.input_lines);
  FillList(lb_person_, state_.persons);
  FillList(lb_channel_, state_.channels);
  TreeView_time_->clear();
  auto* root = new QTreeWidgetItem(TreeView_time_);
  AddTreeItems(state_.time_tree, NodeLineCounts(state_), TimeTree::kRoot, root);
  root->setExpanded(true);
  ShowOutput(nullptr);
}

void MainWindow::ShowOutput(std::shared_ptr<const LineSource> output) {
  edit_commands_->SetHasOutput(output != nullptr);
  memo_output_->SetSource(std::move(output));
}

void MainWindow::ReadControlsIntoState() {
  state_.options.dialect = static_cast<Dialect>(combo_code_->currentIndex());
  state_.options.show_channel = check_channel_->isChecked();
  state_.options.channel_colors = check_channel_color_->isChecked();
  state_.options.show_time = check_showtime_->isChecked();
  state_.options.mark_links = check_marklink_->isChecked();
  state_.options.delete_tags = CheckBox_delete_tags_->isChecked();
  state_.filters.persons = cb_filter_person_->isChecked();
  state_.filters.channels = cb_filter_channel_->isChecked();
  state_.filters.time = cb_filter_time_->isChecked();
  ReadSelection(lb_person_, state_.persons);
  ReadSelection(lb_channel_, state_.channels);
  for (int i = 0; i < TreeView_time_->topLevelItemCount(); ++i) {
    ReadTreeSelection(TreeView_time_->topLevelItem(i), state_.time_tree);
  }
}

void MainWindow::ConvertLog() {
  ConvertIntoOutputPage([this](const ConvertSettings& settings, OutputSink& out) {
    return ConvertIntoSink(state_, settings, out, working_windows_);
  });
}

// The lines selected on the Input page, as one range with one footer; the
// time filter does not apply.
void MainWindow::ConvertSceneLog() {
  Scene scene;
  int first = 0, last = -1;
  if (!memo_input_->SceneRange(first, last)) return;
  scene.first = first;
  scene.last = last;
  ConvertIntoOutputPage([this, &scene](const ConvertSettings& settings, OutputSink& out) {
    return ConvertSceneIntoSink(state_, scene, settings, out, working_windows_);
  });
}

void MainWindow::ConvertIntoOutputPage(
    const std::function<int64_t(const ConvertSettings&, OutputSink&)>& convert) {
  status_text_->clear();
  ReadControlsIntoState();
  // One reading of config.cfg serves the conversion and the post limit.
  const ConfigFile config = ReadConfig();
  const ConvertSettings settings = ReadConvertSettings(config, state_.options);
  // The old output goes before the new one is made: converting again
  // costs no more than converting once.
  ShowOutput(nullptr);
  // The Preview shows the dialect the output is made in.
  posts_->SetDialect(state_.options.dialect);
  posts_->ReadLimit(config);
  auto output = std::make_shared<OutputStore>(temp_dir_.empty() ? DefaultTempLogDir() : temp_dir_,
                                              state_.input_lines.size());
  int64_t converted = 0;
  try {
    converted = convert(settings, *output);
    output->Finish();
  } catch (...) {
    // The lines converted before the error stay, if the disk kept them.
    try {
      output->Finish();
      ShowOutput(output);
    } catch (const Error&) {
    }
    throw;
  }
  ShowOutput(output);
  SetConvertedCommands();
  status_text_->setText(Counted(converted, tr("%1 line converted"), tr("%1 lines converted")));
}

void MainWindow::RefreshScenes() {
  // Not while a load has let go of the lines, nor before a log is loaded.
  if (memo_input_->line_model()->lines() == nullptr || !Convert1_->isEnabled()) return;
  state_.filters.persons = cb_filter_person_->isChecked();
  state_.filters.channels = cb_filter_channel_->isChecked();
  ReadSelection(lb_person_, state_.persons);
  ReadSelection(lb_channel_, state_.channels);
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
  ConvertScene1_->setEnabled(Convert1_->isEnabled() && memo_input_->SceneRange(first, last));
}

// The log's name with ".txt", in the folder last used.
QString MainWindow::SuggestedSavePath() const {
  if (log_path_.isEmpty()) return recent_.LastFolder();
  const QFileInfo log(log_path_);
  QString name = log.completeBaseName() + QStringLiteral(".txt");
  // Never the log itself ("log.txt" gives "log.txt.txt").
  if (name == log.fileName()) name = log.fileName() + QStringLiteral(".txt");
  const QString last = recent_.LastFolder();
  const QString folder = last.isEmpty() ? log.absolutePath() : last;
  return QDir(folder).filePath(name);
}

void MainWindow::SaveOutput() {
  const QString chosen = file_dialogs_.GetSaveFileName(this, SuggestedSavePath());
  if (chosen.isEmpty()) return;
  recent_.SetLastFolderOf(chosen);
  // The pane's text as it stands, the user's edits included, streamed:
  // unchanged lines are copied as the conversion wrote them.
  const EditableLines& lines = memo_output_->lines();
  if (const std::optional<TextPos> bad = lines.FirstCharWithoutByte()) {
    std::u16string text;
    lines.Line(bad->line, text);
    ThrowCharWithoutByte(bad->line + 1, text, bad->column);
  }
  const std::string path = LocalPath(chosen);
  if (!log_path_.isEmpty() && IsTheLog(path, LocalPath(log_path_))) {
    throw Error(FormatText(Tr("%s is the input file %s itself and is not overwritten"),
                           {path, LocalPath(log_path_)}));
  }
  if (IsStreamTarget(path)) {
    WriteIntoStream(path, lines);
  } else {
    AtomicFileWriter writer(path);
    lines.WriteBytes([&writer](std::string_view bytes) { writer.Write(bytes); });
    writer.Commit();
  }
  memo_output_->MarkSaved();
}

void MainWindow::SetLoadedCommands() {
  bt_convert_->setEnabled(true);
  Convert1_->setEnabled(true);
  Save1_->setEnabled(false);
  bt_save_->setEnabled(false);
  UpdateSceneCommand();
}

void MainWindow::SetConvertedCommands() {
  PageControl1_->setCurrentWidget(TabSheet2_);
  bt_save_->setEnabled(true);
  Save1_->setEnabled(true);
}

}  // namespace quorlix
