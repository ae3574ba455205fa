#include "batch/batch_window.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <ctime>
#include <mutex>

#include "batch/new_search_dlg.h"
#include "detect/detection_views.h"
#include "device/board.h"
#include "device/board_list.h"
#include "pages/page_action.h"
#include "pages/page_factory.h"
#include "resources/app_icon.h"
#include "resources/string_table.h"
#include "shell/ctrl_wnd.h"
#include "shell/device_tree.h"
#include "shell/main_window.h"
#include "shell/shell_hooks.h"

namespace tav::batch {
namespace {

QString qs(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
QString qstr(int id) {
  return QString::fromUtf8(str(id));
}
std::string u8(const QString& text) {
  return text.toUtf8().toStdString();
}

class MainBatchHost final : public BatchHost {
 public:
  explicit MainBatchHost(CTavmonDlg& main) : main_(main) {}
  CBoard* CurrentBoard() override { return main_.CurrentBoard(); }
  CBoardCtrl& BoardList() override { return main_.BoardList(); }
  Notifier& notifier() override { return main_.notifier(); }
  BoardLink& link() override { return main_.link(); }
  std::vector<int> SelectedBoards() override {
    std::vector<int> selected;
    main_.SelectedBoards(selected);
    return selected;
  }

 private:
  CTavmonDlg& main_;
};

// The worker's own copy of the board list: the main list may change while a run goes on.
std::shared_ptr<CBoardCtrl> Snapshot(const CBoardCtrl& boards) {
  auto copy = std::make_shared<CBoardCtrl>();
  for (const CBoard& b : boards) copy->Add(b);
  return copy;
}

QPushButton* AddButton(QWidget* page, QBoxLayout* layout, const QString& text, const char* name) {
  auto* b = new QPushButton(text, page);
  b->setObjectName(QLatin1String(name));
  b->setAccessibleName(text);
  layout->addWidget(b);
  return b;
}

QTableWidget* MakeList(QWidget* parent, const char* name, const QStringList& titles,
                       const std::vector<int>& widths) {
  auto* list = new QTableWidget(0, static_cast<int>(titles.size()), parent);
  list->setObjectName(QLatin1String(name));
  list->setAccessibleName(QLatin1String(name));
  list->setHorizontalHeaderLabels(titles);
  list->verticalHeader()->hide();
  list->setShowGrid(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list->horizontalHeader()->setStretchLastSection(true);
  for (int i = 0; i < static_cast<int>(widths.size()); ++i) list->setColumnWidth(i, widths[i]);
  return list;
}

void SetRow(QTableWidget* list, int row, const std::vector<std::string>& texts) {
  for (int c = 0; c < static_cast<int>(texts.size()); ++c)
    list->setItem(row, c, new QTableWidgetItem(qs(texts[c])));  // items show plain text
}

// Runs `task` on the window's thread while `page` lives.
template <class Page>
void Post(const QPointer<Page>& page, std::function<void(Page&)> task) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [page, task = std::move(task)] {
        if (page) task(*page);
      },
      Qt::QueuedConnection);
}

}  // namespace

std::unique_ptr<BatchHost> MakeMainBatchHost(CTavmonDlg& main) {
  return std::make_unique<MainBatchHost>(main);
}

void InstallBatchHooks() {
  shellHooks().createBatchWindow = [](CTavmonDlg& main) -> QWidget* {
    return new CCtrlWndMul(MakeMainBatchHost(main));
  };
  shellHooks().runMaintenanceDialog = [](CTavmonDlg& main) {
    auto transport = MakeSocketTransport();
    CNewSearchDlg dialog(*transport, &main);
    dialog.exec();
  };
}

// ---- the frame every run page shares

BatchPageBase::BatchPageBase(BatchHost& host, QWidget* parent)
    : QWidget(parent), host_(host), action_(new PageAction(this, host.notifier())) {
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
}

BatchPageBase::~BatchPageBase() {
  if (stopFlag_) *stopFlag_ = true;
}

bool BatchPageBase::busy() const {
  return action_->busy();
}

void BatchPageBase::addProgressArea(QBoxLayout* layout) {
  progress_ = new QPlainTextEdit(this);
  progress_->setObjectName(QStringLiteral("progressBox"));
  progress_->setAccessibleName(tr("各设备结果"));
  progress_->setReadOnly(true);
  progress_->setMinimumHeight(60);
  layout->addWidget(progress_, 1);
  auto* row = new QHBoxLayout;
  row->addStretch();
  stop_ = AddButton(this, row, tr("停止"), "stopButton");
  stop_->setEnabled(false);
  layout->addLayout(row);
  connect(stop_, &QPushButton::clicked, this, [this] { requestStop(); });
}

std::shared_ptr<std::atomic<bool>> BatchPageBase::beginRun() {
  progress_->clear();
  stopFlag_ = std::make_shared<std::atomic<bool>>(false);
  stop_->setEnabled(true);
  return stopFlag_;
}

void BatchPageBase::endRun() {
  stop_->setEnabled(false);
}

void BatchPageBase::showProgress(const QString& line) {
  progress_->appendPlainText(line);
}

void BatchPageBase::requestStop() {
  if (stopFlag_) *stopFlag_ = true;
  stop_->setEnabled(false);
}

}  // namespace tav::batch

using tav::batch::BatchButton;
using tav::batch::BatchRun;
using tav::batch::BoardProgress;
using namespace tav::batch;

namespace {

// What the progress box shows of one board: "[2/5] 设备[10.0.0.2]:重启成功".
QString ProgressLine(const BoardProgress& p) {
  // A group datagram that left says so; its failure carries the page's failure text.
  const QString text = p.boardIndex < 0 && p.text.empty()
                           ? QCoreApplication::translate("CMULTIPLE_RIGHTVIEW0", "群发命令已发出。")
                           : qs(p.text);
  return QStringLiteral("[%1/%2] %3").arg(p.position).arg(p.count).arg(text);
}

QString EndLine(const BatchRun& run) {
  if (run.refused) return {};
  if (!run.boards.empty() && run.boards.front().boardIndex < 0) return {};  // a group datagram
  if (run.stopped) return QCoreApplication::translate("CMULTIPLE_RIGHTVIEW0", "已停止。");
  return QCoreApplication::translate("CMULTIPLE_RIGHTVIEW0", "完成：%1台设备，失败%2台。")
      .arg(run.boards.size())
      .arg(run.failures());
}

// Starts a run of `runBatch` on the page's worker with the main list as it is now.
template <class Page, class RunBatch>
void StartRun(Page* page, BatchHost& host, RunBatch runBatch) {
  auto boards = Snapshot(host.BoardList());
  const std::vector<int> selected = host.SelectedBoards();  // taken at the moment of the click
  auto stop = page->beginRun();
  QPointer<Page> guard(page);
  tav::BoardLink* link = &host.link();
  page->action().run(
      [=](tav::Notifier& n) {
        auto sender = MakeLinkSender(*link);
        BatchEvents events;
        events.stop = stop.get();
        events.progress = [guard](const BoardProgress& p) {
          const QString line = ProgressLine(p);
          Post<Page>(guard, [line](Page& pg) { pg.showProgress(line); });
        };
        return runBatch(*boards, selected, *sender, n, events);
      },
      [guard, stop](BatchRun run) {
        if (!guard) return;
        const QString end = EndLine(run);
        if (!end.isEmpty()) guard->showProgress(end);
        guard->endRun();
      });
}

// The run buttons of a batch page, one under the other (or in a row): each is registered with
// the page's action and runs page->Run(key) when clicked.
template <class Page, class Key, std::size_t N>
void AddRunButtons(Page* page, QBoxLayout* layout, const std::pair<const char*, Key> (&buttons)[N],
                   const char* const (&names)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    QPushButton* b = AddButton(page, layout, Page::tr(buttons[i].first), names[i]);
    page->action().addButton(b);
    QObject::connect(b, &QPushButton::clicked, page,
                     [page, key = buttons[i].second] { page->Run(key); });
  }
}

}  // namespace

// ---- CMULTIPLE_RIGHTVIEW4

CMULTIPLE_RIGHTVIEW4::CMULTIPLE_RIGHTVIEW4(BatchHost& host, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("CMULTIPLE_RIGHTVIEW4"));
  list_ = MakeList(this, "list1052", {qstr(120), qstr(121), qstr(124)}, {120, 100, 145});
  list_->setAccessibleName(qstr(235));
  const auto rows = SelectedDeviceRows(host.BoardList(), host.SelectedBoards());
  list_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r)
    SetRow(list_, r, {rows[r].address, rows[r].name, rows[r].typeName});
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
}

// ---- CMULTIPLE_RIGHTVIEW0

CMULTIPLE_RIGHTVIEW0::CMULTIPLE_RIGHTVIEW0(BatchHost& host, QWidget* parent)
    : BatchPageBase(host, parent) {
  setObjectName(QStringLiteral("CMULTIPLE_RIGHTVIEW0"));
  auto* layout = new QVBoxLayout(this);
  const std::pair<const char*, BatchButton> buttons[] = {
      {QT_TR_NOOP("重启所选设备"), BatchButton::Selected},
      {QT_TR_NOOP("重启所有设备"), BatchButton::All},
      {QT_TR_NOOP("重启所有编码板"), BatchButton::Encoders},
      {QT_TR_NOOP("重启所有解码板"), BatchButton::Decoders}};
  AddRunButtons(this, layout, buttons, {"button1050", "button1000", "button1001", "button1002"});
  addProgressArea(layout);
}

void CMULTIPLE_RIGHTVIEW0::Run(BatchButton button) {
  StartRun(this, host_,
           [button](const CBoardCtrl& boards, const std::vector<int>& selected, BatchSender& sender,
                    tav::Notifier& n, const BatchEvents& events) {
             return RunBatchRestart(button, boards, selected, sender, n, events);
           });
}

// ---- CMULTIPLE_RIGHTVIEW1

CMULTIPLE_RIGHTVIEW1::CMULTIPLE_RIGHTVIEW1(BatchHost& host, QWidget* parent)
    : BatchPageBase(host, parent) {
  setObjectName(QStringLiteral("CMULTIPLE_RIGHTVIEW1"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  user_ = new QLineEdit(QString::fromUtf8(kFactoryUserDefault), this);
  user_->setObjectName(QStringLiteral("edit1102"));
  user_->setAccessibleName(tr("用户名"));
  password_ = new QLineEdit(QString::fromUtf8(kFactoryPasswordDefault), this);
  password_->setObjectName(QStringLiteral("edit1103"));
  password_->setAccessibleName(tr("密码"));
  password_->setEchoMode(QLineEdit::Password);
  form->addRow(tr("用户名"), user_);
  form->addRow(tr("密码"), password_);
  layout->addLayout(form);
  const std::pair<const char*, BatchButton> buttons[] = {
      {QT_TR_NOOP("所选设备恢复出厂值"), BatchButton::Selected},
      {QT_TR_NOOP("所有设备恢复出厂值"), BatchButton::All},
      {QT_TR_NOOP("所有编码板恢复出厂值"), BatchButton::Encoders},
      {QT_TR_NOOP("所有解码板恢复出厂值"), BatchButton::Decoders}};
  AddRunButtons(this, layout, buttons, {"button1050", "button1000", "button1001", "button1002"});
  addProgressArea(layout);
}

void CMULTIPLE_RIGHTVIEW1::Run(BatchButton button) {
  // The credentials as they stand when the button is pressed; checked before anything is sent.
  const std::string user = u8(user_->text()), password = u8(password_->text());
  StartRun(
      this, host_,
      [button, user, password](const CBoardCtrl& boards, const std::vector<int>& selected,
                               BatchSender& sender, tav::Notifier& n, const BatchEvents& events) {
        return RunBatchFactoryReset(button, user, password, boards, selected, sender, n, events);
      });
}

// ---- CMULTIPLE_RIGHTVIEW2

struct CMULTIPLE_RIGHTVIEW2::RunState {
  tav::ForwardNotifier forward;
  std::unique_ptr<tav::upgrade::UpgradeEngine> engine;
};

CMULTIPLE_RIGHTVIEW2::CMULTIPLE_RIGHTVIEW2(BatchHost& host, QWidget* parent)
    : BatchPageBase(host, parent) {
  setObjectName(QStringLiteral("CMULTIPLE_RIGHTVIEW2"));
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(tr("选择升级文件"), this);
  auto* form = new QFormLayout(group);
  auto field = [&](const char* name, const QString& label) {
    auto* e = new QLineEdit(group);
    e->setObjectName(QLatin1String(name));
    e->setAccessibleName(label);
    e->setReadOnly(true);
    form->addRow(label, e);
    return e;
  };
  path_ = field("edit1090", tr("文件名"));
  magic_ = field("edit1091", tr("文件标识"));
  length_ = field("edit1092", tr("文件长度"));
  auto* choose = new QPushButton(tr("选择文件"), group);
  choose->setObjectName(QStringLiteral("button1000"));
  choose->setAccessibleName(choose->text());
  form->addRow(QString(), choose);
  info_ = new QLabel(QString::fromUtf8(tav::upgrade::kInfoEmpty), group);
  info_->setObjectName(QStringLiteral("static1094"));
  info_->setAccessibleName(tr("文件信息："));
  info_->setTextFormat(Qt::PlainText);
  info_->setWordWrap(true);
  form->addRow(info_);
  layout->addWidget(group);
  action().addButton(choose);
  connect(choose, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, tr("选择文件"));
    if (!path.isEmpty()) ChooseFile(path);
  });

  auto* buttons = new QHBoxLayout;
  const std::pair<const char*, tav::upgrade::BatchSet> sets[] = {
      {QT_TR_NOOP("升级所选设备"), tav::upgrade::BatchSet::Selected},
      {QT_TR_NOOP("升级所有编码板"), tav::upgrade::BatchSet::Encoders},
      {QT_TR_NOOP("升级所有解码板"), tav::upgrade::BatchSet::Decoders}};
  AddRunButtons(this, buttons, sets, {"button1051", "button1050", "button1052"});
  layout->addLayout(buttons);

  log_ = new QPlainTextEdit(this);
  log_->setObjectName(QStringLiteral("edit1093"));
  log_->setAccessibleName(tr("升级日志"));
  log_->setReadOnly(true);
  // Lines carry a tab before the result: a short stop keeps each line on one row.
  log_->setTabStopDistance(log_->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 2);
  layout->addWidget(log_, 2);
  addProgressArea(layout);
  progressBox()->hide();  // the log box above shows each component as it comes
}

CMULTIPLE_RIGHTVIEW2::~CMULTIPLE_RIGHTVIEW2() {
  if (run_) run_->engine->Stop();
}

void CMULTIPLE_RIGHTVIEW2::ChooseFile(const QString& path) {
  using namespace tav::upgrade;
  const std::string p = u8(path);
  const PackageRead read = ReadPackageFile(p, PageKind::Batch);
  if (read.tooShort) {
    host_.notifier().message(kTooShortText, tav::NoticeIcon::Warning);
    return;
  }
  file_ = {};
  file_.path = p;
  if (!read.openFailed) {
    file_.length = static_cast<std::int64_t>(read.fileLength);
    file_.magic = read.header.magic;
    file_.header = read.header;
  }
  path_->setText(path);
  magic_->setText(qs(file_.magic));
  length_->setText(QString::number(file_.length));
  info_->setText(qs(read.infoLine));
}

tav::upgrade::TargetList CMULTIPLE_RIGHTVIEW2::TargetsFor(tav::upgrade::BatchSet set) {
  using namespace tav::upgrade;
  TargetList list;
  const CBoardCtrl& boards = host_.BoardList();
  if (set == BatchSet::Selected) {
    for (int i : BoardsFor(BatchButton::Selected, boards, host_.SelectedBoards()))
      list.add(boards.At(i).ip(), boards.At(i).deviceType());
  } else {
    for (const CBoard& b : boards)
      if (InBatchSet(set, b.deviceType())) list.add(b.ip(), b.deviceType());
  }
  return list;
}

void CMULTIPLE_RIGHTVIEW2::AddLogLine(std::string_view text) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  tav::upgrade::PrependLogLine(logText_, tav::upgrade::PageLogLine(local, text));
  log_->setPlainText(qs(logText_));
}

void CMULTIPLE_RIGHTVIEW2::Run(tav::upgrade::BatchSet set) {
  using namespace tav::upgrade;
  targets_ = TargetsFor(set);
  beginRun();
  auto state = std::make_shared<RunState>();
  QPointer<CMULTIPLE_RIGHTVIEW2> guard(this);
  UpgradeEvents events;
  events.log = [guard](std::string_view text) {
    const std::string line(text);
    Post<CMULTIPLE_RIGHTVIEW2>(guard,
                               [line](CMULTIPLE_RIGHTVIEW2& page) { page.AddLogLine(line); });
  };
  state->engine = std::make_unique<UpgradeEngine>(host_.link(), state->forward,
                                                  RulesFor(PageKind::Batch), events, sleeper);
  run_ = state;
  const ChosenFile file = file_;
  const TargetList targets = targets_;
  action().run(
      [state, file, targets](tav::Notifier& n) {
        state->forward.target = &n;
        RunSummary summary = state->engine->Run(file, targets);
        state->forward.target = nullptr;
        return summary;
      },
      [guard, state](RunSummary) {
        if (!guard) return;
        // The batch page empties its target list after every run.
        guard->targets_.clear();
        if (guard->run_ == state) guard->run_.reset();
        guard->endRun();
      });
}

void CMULTIPLE_RIGHTVIEW2::requestStop() {
  if (run_) run_->engine->Stop();
  BatchPageBase::requestStop();
}

// ---- CRightView11

CRightView11::CRightView11(tav::PageHost& host, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("CRightView11"));
  view_ = std::make_unique<tav::AllEncodersView>(host.BoardList(), host.notifier());
  auto* layout = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  auto* start =
      AddButton(this, buttons, QString::fromUtf8(tav::trText(tav::kTextStart)), "button1000");
  auto* stop =
      AddButton(this, buttons, QString::fromUtf8(tav::trText(tav::kTextStop)), "button1050");
  buttons->addStretch();
  layout->addLayout(buttons);
  auto* label = new QLabel(QString::fromUtf8(tav::trText(tav::kTextStreamStatistics)), this);
  layout->addWidget(label);
  QStringList titles;
  std::vector<int> widths;
  for (const auto& c : tav::AllEncodersColumns()) {
    titles << QString::fromUtf8(tav::trText(c.title));
    widths.push_back(c.width);
  }
  list_ = MakeList(this, "list1089", titles, widths);
  list_->setAccessibleName(label->text());
  label->setBuddy(list_);
  layout->addWidget(list_, 1);
  timer_.setInterval(static_cast<int>(tav::kDetectionPollPeriod.count()));
  connect(&timer_, &QTimer::timeout, this, &CRightView11::Tick);
  connect(start, &QPushButton::clicked, this, &CRightView11::Start);
  connect(stop, &QPushButton::clicked, this, &CRightView11::Stop);
}

CRightView11::~CRightView11() {
  timer_.stop();
  view_.reset();  // stops the lines this page started
}

void CRightView11::Start() {
  view_->Start();
  if (view_->TimerArmed() && !timer_.isActive()) timer_.start();
}

void CRightView11::Stop() {
  timer_.stop();
  view_->Stop();
}

void CRightView11::Tick() {
  // A failed read shows a message box; ticks arriving while it is open find nothing to read.
  view_->Tick();
  Redraw();
}

void CRightView11::Redraw() {
  const auto& rows = view_->Rows();
  list_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r)
    SetRow(list_, r, std::vector<std::string>(rows[r].begin(), rows[r].end()));
}

// ---- CLeftViewMul and CCtrlWndMul

CLeftViewMul::CLeftViewMul(QWidget* parent) : QTreeWidget(parent) {
  SetUpFunctionTree(this, QStringLiteral("CLeftViewMul"), tr("批量功能"));
  for (const BatchTreeItem& entry : BatchTreeItems()) {
    auto* item = new QTreeWidgetItem(this, {qstr(entry.stringId)});
    item->setData(0, Qt::UserRole, static_cast<int>(entry.page));
  }
  setCurrentIndex(QModelIndex());
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
    emit pageChosen(current ? current->data(0, Qt::UserRole).toInt()
                            : static_cast<int>(BatchPage::Blank));
  });
  connect(this, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { emit pageChosen(item->data(0, Qt::UserRole).toInt()); });
}

QTreeWidgetItem* CLeftViewMul::ItemFor(BatchPage page) const {
  for (int i = 0; i < topLevelItemCount(); ++i)
    if (topLevelItem(i)->data(0, Qt::UserRole).toInt() == static_cast<int>(page))
      return topLevelItem(i);
  return nullptr;
}

CCtrlWndMul::CCtrlWndMul(std::unique_ptr<BatchHost> host)
    : QWidget(nullptr, Qt::Window), host_(std::move(host)) {
  setObjectName(QStringLiteral("CCtrlWndMul"));
  setWindowTitle(qstr(234));
  setWindowIcon(tav::AppIcon());
  splitter_ = new CMySplitterWnd(this);
  tree_ = new CLeftViewMul(splitter_);
  splitter_->addWidget(tree_);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter_);
  connect(tree_, &CLeftViewMul::pageChosen, this,
          [this](int page) { ShowPage(static_cast<BatchPage>(page)); });
  ShowPage(BatchPage::Blank);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 3);
}

CCtrlWndMul::~CCtrlWndMul() {
  // The pages go before the host they use.
  delete page_;
  page_ = nullptr;
}

void CCtrlWndMul::ShowPage(BatchPage kind) {
  QWidget* page = nullptr;
  switch (kind) {
    case BatchPage::SelectedList:
      page = new CMULTIPLE_RIGHTVIEW4(*host_, nullptr);
      break;
    case BatchPage::Restart:
      page = new CMULTIPLE_RIGHTVIEW0(*host_, nullptr);
      break;
    case BatchPage::FactoryReset:
      page = new CMULTIPLE_RIGHTVIEW1(*host_, nullptr);
      break;
    case BatchPage::Upgrade:
      page = new CMULTIPLE_RIGHTVIEW2(*host_, nullptr);
      break;
    case BatchPage::EncoderStatistics:
      page = new CRightView11(*host_, nullptr);
      break;
    case BatchPage::Blank:
      page = tav::CreateRightView(tav::kViewBlank, *host_, nullptr);
      break;
  }
  splitter_->showRightPane(page_, page);
  page_ = page;
  kind_ = kind;
}

void CCtrlWndMul::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  splitter_->splitAtQuarter();
}
