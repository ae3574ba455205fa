#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QTextCursor>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>

#include "platform/adapters.h"
#include "platform/firewall.h"
#include "resources/app_icon.h"
#include "resources/string_table.h"
#include "shell/adapter_dialogs.h"
#include "shell/ctrl_wnd.h"
#include "shell/device_row.h"
#include "shell/list_order.h"
#include "shell/manual_add_dialog.h"
#include "shell/qt_notifier.h"
#include "shell/shell_hooks.h"
#include "shell/shell_info.h"

namespace tav {

ShellHooks& shellHooks() {
  static ShellHooks hooks;
  return hooks;
}

}  // namespace tav

namespace {

QString qt(std::string_view text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

constexpr int kColumnWidths[] = {120, 90, 120, 200, 265};
// Rows put into the list per tick of the list timer while a search runs: a batch takes well
// under 100 ms, so the window keeps painting during a burst of ten thousand answers.
constexpr std::size_t kRowsPerTick = 1000;
constexpr int kListTickMs = 30;
const char* const kAdapterPrompt =
    QT_TRANSLATE_NOOP("CTavmonDlg", "检测到多块网卡，请先点选网卡设置并设置接收数据的网卡");

// Message boxes and questions go to the presenter; log lines to the window's log.
class WindowNotifier final : public tav::Notifier {
 public:
  WindowNotifier(CTavmonDlg& window, tav::Notifier& boxes) : window_(window), boxes_(boxes) {}
  void message(std::string_view text, tav::NoticeIcon icon) override { boxes_.message(text, icon); }
  bool ask(std::string_view text) override { return boxes_.ask(text); }
  bool question(const tav::Question& q) override { return boxes_.question(q); }
  void log(std::string_view text) override { window_.LogLine(text); }

 private:
  CTavmonDlg& window_;
  tav::Notifier& boxes_;
};

// About box (dialog 100): the icon, the program's name and version, "确定".
class CAboutDlg : public QDialog {
 public:
  CAboutDlg(QWidget* parent, const std::function<void()>& resetSettings) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("CTavmonDlg", "关于 Tavmon"));
    auto* icon = new QLabel(this);
    icon->setPixmap(tav::AppIcon().pixmap(32, 32));
    icon->setAccessibleName(QCoreApplication::translate("CTavmonDlg", "Tavmon 图标"));
    auto* text = new QLabel(QCoreApplication::translate("CTavmonDlg", "Tavmon 1.0 版"), this);
    auto* ok = new QPushButton(QCoreApplication::translate("CTavmonDlg", "确定"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* reset = new QPushButton(QCoreApplication::translate("CTavmonDlg", "恢复默认"), this);
    reset->setObjectName(QStringLiteral("resetSettingsButton"));
    reset->setToolTip(QCoreApplication::translate("CTavmonDlg", "忘记所选网卡、窗口大小和列宽"));
    connect(reset, &QPushButton::clicked, this, [resetSettings] { resetSettings(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reset);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    setSizeGripEnabled(false);
  }
};

}  // namespace

CTavmonDlg::CTavmonDlg(tav::Notifier* dialogs, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      boxes_(std::make_unique<tav::QtNotifier>(this, nullptr)),
      windowNotifier_(std::make_unique<WindowNotifier>(*this, dialogs ? *dialogs : *boxes_)),
      search_(boards_, *windowNotifier_) {
  setObjectName(QStringLiteral("CTavmonDlg"));
  setWindowIcon(tav::AppIcon());
#ifdef TAVMON_VERSION_MAJOR
  const std::string version = tav::VersionText(TAVMON_VERSION_MAJOR, TAVMON_VERSION_MINOR,
                                               TAVMON_VERSION_PATCH, TAVMON_VERSION_TWEAK);
#else
  const std::string version;
#endif
  setWindowTitle(qt(tav::MainWindowTitle(version)));
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  setSizeGripEnabled(true);

  // Buttons across the top; their row lays itself out so the Chinese texts always fit.
  buttonBar_ = new QWidget(this);
  auto* buttons = new QHBoxLayout(buttonBar_);
  buttons->setContentsMargins(0, 0, 0, 0);
  searchButton_ = AddButton(tav::str(tav::kStrSearchButton), "searchButton");
  connect(searchButton_, &QPushButton::clicked, this, &CTavmonDlg::StartSearch);
  // Wide enough for the longer text it shows while searching.
  searchButton_->setText(QString::fromUtf8(tav::str(tav::kStrSearching)));
  searchButton_->setMinimumWidth(searchButton_->sizeHint().width());
  searchButton_->setText(QString::fromUtf8(tav::str(tav::kStrSearchButton)));
  connect(AddButton(QT_TR_NOOP("单板设置"), "singleBoardButton"), &QPushButton::clicked, this,
          &CTavmonDlg::OnSingleBoard);
  connect(AddButton(QT_TR_NOOP("批量设置"), "batchButton"), &QPushButton::clicked, this,
          &CTavmonDlg::OnBatch);
  connect(AddButton(QT_TR_NOOP("手动添加"), "manualAddButton"), &QPushButton::clicked, this,
          &CTavmonDlg::OnManualAdd);
  connect(AddButton(QT_TR_NOOP("网卡设置"), "adapterButton"), &QPushButton::clicked, this,
          &CTavmonDlg::OnAdapterSet);
  connect(AddButton(QT_TR_NOOP("添加信任列表"), "trustButton"), &QPushButton::clicked, this,
          &CTavmonDlg::OnTrustList);
  connect(AddButton(QT_TR_NOOP("导出列表"), "exportButton"), &QPushButton::clicked, this,
          &CTavmonDlg::OnExport);
  buttons->addStretch(1);
  filterBox_ = new QLineEdit(buttonBar_);
  filterBox_->setObjectName(QStringLiteral("filterBox"));
  filterBox_->setPlaceholderText(tr("筛选 (Ctrl+L)"));
  filterBox_->setClearButtonEnabled(true);
  filterBox_->setMinimumWidth(30);  // gives way before any button does
  filterBox_->setMaximumWidth(160);
  connect(filterBox_, &QLineEdit::textChanged, this, &CTavmonDlg::ApplyFilter);
  buttons->addWidget(filterBox_);
  countLabel_ = new QLabel(buttonBar_);
  countLabel_->setObjectName(QStringLiteral("countLabel"));
  buttons->addWidget(countLabel_);
  connect(AddButton(QT_TR_NOOP("帮助"), "helpButton"), &QPushButton::clicked, this,
          &CTavmonDlg::OnAbout);
  // "关于 Tavmon(&A)..." in the window's own menu (right click on the window or its buttons).
  auto* about = new QAction(QString::fromUtf8(tav::str(tav::kStrAboutMenu)), this);
  about->setObjectName(QStringLiteral("aboutAction"));
  connect(about, &QAction::triggered, this, &CTavmonDlg::OnAbout);
  addAction(about);
  buttonBar_->addAction(about);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  buttonBar_->setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(AddButton(tav::str(tav::kStrExit), "exitButton"), &QPushButton::clicked, this, &QDialog::reject);

  deviceList_ = new tav::DeviceListView(this);
  listModel_ = new tav::DeviceListModel(boards_, deviceList_);
  deviceList_->setModel(listModel_);
  deviceList_->setObjectName(QStringLiteral("DeviceList"));
  deviceList_->setAccessibleName(tr("设备列表"));
  deviceList_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  deviceList_->horizontalHeader()->setStretchLastSection(true);
  for (int c = 0; c < 5; ++c) deviceList_->setColumnWidth(c, kColumnWidths[c]);
  deviceList_->verticalHeader()->hide();
  deviceList_->verticalHeader()->setDefaultSectionSize(deviceList_->fontMetrics().height() + 8);
  deviceList_->setShowGrid(true);
  deviceList_->setWordWrap(false);
  deviceList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  deviceList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  deviceList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  deviceList_->setSortingEnabled(false);  // sorted by SortByColumn: addresses by value
  deviceList_->horizontalHeader()->setSectionsClickable(true);
  connect(deviceList_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &CTavmonDlg::SortByColumn);
  connect(deviceList_, &tav::DeviceListView::cellDoubleClicked, this, [this] {
    std::vector<int> selected;
    if (SelectedBoards(selected) > 0) OpenCtrlWnd();
  });

  logBox_ = new QPlainTextEdit(this);
  logBox_->setObjectName(QStringLiteral("MessageLog"));
  logBox_->setAccessibleName(tr("消息记录"));
  logBox_->setReadOnly(true);
  logBox_->setLineWrapMode(QPlainTextEdit::NoWrap);

  searchTimer_.setSingleShot(true);
  searchTimer_.setTimerType(Qt::PreciseTimer);  // a coarse one may close the window 150 ms early
  connect(&searchTimer_, &QTimer::timeout, this, &CTavmonDlg::OnSearchTimer);
  listTimer_.setInterval(kListTickMs);
  connect(&listTimer_, &QTimer::timeout, this, [this] {
    OnDiscoveryReply();
    ListFoundBoards(false);
  });
  search_.receiveInBackground = true;

  auto* maintenance = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
  maintenance->setContext(Qt::WindowShortcut);
  connect(maintenance, &QShortcut::activated, this, &CTavmonDlg::OnMaintenance);
  auto* filter = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
  filter->setContext(Qt::WindowShortcut);
  connect(filter, &QShortcut::activated, this, [this] {
    filterBox_->setFocus(Qt::ShortcutFocusReason);
    filterBox_->selectAll();
  });
  ApplyFilter();

  setMinimumSize(buttonBar_->minimumSizeHint().width() + 20, 240);
  // The 605 x 345 dialog units of the original, wider when the buttons and the filter want it.
  resize(std::max({910, minimumWidth(), buttonBar_->sizeHint().width() + 20}), 560);
}

CTavmonDlg::~CTavmonDlg() {
  delete ctrlWnd_.data();
  delete deviceList_;  // with its model, while the board list the model reads is still here
}

QPushButton* CTavmonDlg::AddButton(const char* text, const char* objectName) {
  auto* button = new QPushButton(tr(text), buttonBar_);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setAutoDefault(false);
  static_cast<QHBoxLayout*>(buttonBar_->layout())->addWidget(button);
  return button;
}

void CTavmonDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const QRect client = rect();
  const tav::MainLayout l =
      tav::MainWindowLayout(client.left(), client.top(), client.right() + 1, client.bottom() + 1);
  deviceList_->setGeometry(l.list.x, l.list.y, l.list.width, l.list.height);
  logBox_->setGeometry(l.log.x, l.log.y, l.log.width, l.log.height);
  const int barHeight = std::min(buttonBar_->sizeHint().height(), 36);
  buttonBar_->setGeometry(l.list.x, (l.list.y - barHeight) / 2, l.list.width, barHeight);
}

// ---- log and board access

void CTavmonDlg::LogLine(std::string_view text) {
  std::string line = log_.Add(text);
  if (line.empty()) return;
  line.resize(line.size() - 2);  // the box shows lines, not the "\r\n" of the log text
  QTextCursor top(logBox_->document());
  top.movePosition(QTextCursor::Start);
  top.insertText(qt(line) + QLatin1Char('\n'));
  logBox_->moveCursor(QTextCursor::Start);
  if (dialogs_) dialogs_->log(text);
}

tav::Notifier& CTavmonDlg::notifier() {
  return *windowNotifier_;
}

CBoard* CTavmonDlg::CurrentBoard() {
  const int index = listModel_->BoardAt(deviceList_->currentRow());
  return index >= 0 && index < boards_.Count() ? &boards_.At(index) : nullptr;
}

int CTavmonDlg::SelectedBoards(std::vector<int>& out) const {
  out.clear();
  if (const QItemSelectionModel* selection = deviceList_->selectionModel()) {
    QModelIndexList rows = selection->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : rows) out.push_back(listModel_->BoardAt(index.row()));
  }
  return out.empty() ? -1 : int(out.size());
}

int CTavmonDlg::SelectRowByAddress(std::uint32_t address) {
  for (int row = 0; row < deviceList_->rowCount(); ++row) {
    if (boards_.At(listModel_->BoardAt(row)).ContactAddress() == address) {
      deviceList_->setCurrentCell(row, 0, QItemSelectionModel::NoUpdate);
      return row;
    }
  }
  return -1;
}

int CTavmonDlg::DecoderIndices(std::vector<int>& out) const {
  out.clear();
  for (int i = 0; i < boards_.Count(); ++i) {
    const int t = boards_.At(i).deviceType();
    if (t == 2 || t == 4 || t == 21) out.push_back(i);
  }
  return int(out.size());
}

int CTavmonDlg::EncoderIndices(std::vector<int>& out) const {
  out.clear();
  for (int i = 0; i < boards_.Count(); ++i) {
    const int t = boards_.At(i).deviceType();
    if (t == 1 || t == 3 || t == 5 || t == 7 || t == 9 || t == 20 || t == 11) out.push_back(i);
  }
  return int(out.size());
}

void CTavmonDlg::openStatisticsWindow(std::uint32_t encoderAddress) {
  SetOpenStatisticsPage(true);
  const int row = SelectRowByAddress(encoderAddress);
  if (row < 0) {  // the encoder left the list meanwhile: nothing to open
    SetOpenStatisticsPage(false);
    return;
  }
  // The encoder's row alone is selected, so the list shows which board the new window is for.
  deviceList_->selectionModel()->select(
      deviceList_->model()->index(row, 0),
      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (CCtrlWnd* old = ctrlWnd_) {  // the window holding the asking page; it deletes itself later
    ctrlWnd_ = nullptr;
    old->close();
  }
  std::vector<int> selected;
  if (SelectedBoards(selected) == 1) OpenCtrlWnd();
}

bool CTavmonDlg::TakeOpenStatisticsPage() {
  const bool open = openStatisticsPage_;
  openStatisticsPage_ = false;
  return open;
}

void CTavmonDlg::InsertBoardRow(int boardIndex) {
  std::vector<std::uint32_t> addresses;
  addresses.reserve(std::size_t(deviceList_->rowCount()));
  for (int row = 0; row < deviceList_->rowCount(); ++row)
    addresses.push_back(boards_.At(listModel_->BoardAt(row)).ContactAddress());
  const int row = int(tav::SortedRowPosition(addresses, boards_.At(boardIndex).ContactAddress()));
  listModel_->InsertRow(row, boardIndex);
}

void CTavmonDlg::ListFoundBoards(bool all) {
  for (int index : search_.TakeNewBoards()) foundRows_.push_back(index);
  if (foundRows_.empty()) return;
  const std::size_t take = all ? foundRows_.size() : std::min(foundRows_.size(), kRowsPerTick);
  const std::vector<int> added(foundRows_.begin(), foundRows_.begin() + std::ptrdiff_t(take));
  foundRows_.erase(foundRows_.begin(), foundRows_.begin() + std::ptrdiff_t(take));

  std::vector<int> order = listModel_->Boards();
  if (sortColumn_ >= 0) {
    order.insert(order.end(), added.begin(), added.end());
    order = tav::SortedRows(boards_, order, sortColumn_, sortDescending_);
  } else {
    // Address order: the batch sorted (arrival order kept among equal addresses), then merged
    // below the rows already listed with the same address.
    auto key = [this](int index) {
      return tav::DottedOrderKey(boards_.At(index).ContactAddress());
    };
    std::vector<int> batch = added;
    std::stable_sort(batch.begin(), batch.end(), [&](int a, int b) { return key(a) < key(b); });
    std::vector<int> merged;
    merged.reserve(order.size() + batch.size());
    std::merge(order.begin(), order.end(), batch.begin(), batch.end(), std::back_inserter(merged),
               [&](int a, int b) { return key(a) < key(b); });
    order = std::move(merged);
  }
  listModel_->AddInOrder(added, order);
  FitColumns();
  ApplyFilter();
}

// Columns keep their widths but grow when a text would be cut.
void CTavmonDlg::FitColumns() {
  for (int c = 0; c < 4; ++c) {
    const int width = deviceList_->columnWidth(c);
    deviceList_->resizeColumnToContents(c);
    if (deviceList_->columnWidth(c) < width) deviceList_->setColumnWidth(c, width);
  }
}

void CTavmonDlg::boardIdentityChanged() {
  CBoard* board = CurrentBoard();
  if (!board) return;
  const int row = deviceList_->currentRow();
  listModel_->RefreshRow(row);
  if (sortColumn_ >= 0) {
    ApplySort();
  } else {
    // A new address moves the row to its place in address order.
    const int index = listModel_->BoardAt(row);
    std::vector<int> rows;
    std::vector<std::uint32_t> addresses;
    for (int r = 0; r < deviceList_->rowCount(); ++r) {
      if (r == row) continue;
      const int i = listModel_->BoardAt(r);
      rows.push_back(i);
      addresses.push_back(boards_.At(i).ContactAddress());
    }
    const std::size_t at = tav::SortedRowPosition(addresses, board->ContactAddress());
    rows.insert(rows.begin() + std::ptrdiff_t(at), index);
    ReorderRows(rows);
  }
  FitColumns();
  ApplyFilter();
  if (ctrlWnd_)
    ctrlWnd_->setWindowTitle(qt(tav::CtrlWindowTitle(board->AddressText(), board->Name())));
}

// ---- search

void CTavmonDlg::StartSearch() {
  if (search_.Running()) return;
  search_.Announce();

  const std::vector<tav::platform::Adapter> adapters = tav::platform::listAdapters();
  adapterCount_ = tav::CountSearchAdapters(adapters);
  if (adapterCount_ > 1 && !adapterChosen_) {
    if (adapterPromptPending_) {
      adapterPromptPending_ = false;
      ShowAdapterPrompt();
    } else {
      LogLine(tr(kAdapterPrompt).toStdString());
    }
  }

  listModel_->Clear();
  foundRows_.clear();
  sortColumn_ = -1;  // a new search lists in address order again
  deviceList_->horizontalHeader()->setSortIndicatorShown(false);
  ApplyFilter();
  search_.linkDiagnosis = tav::shellHooks().diagnoseLinks;
  search_.Open(tav::ChooseListenTarget(adapters, chosenAdapterAddress_));
  searchTimer_.start(tav::kSearchWindow);
  listTimer_.start();
  searchButton_->setEnabled(false);
  searchButton_->setText(QString::fromUtf8(tav::str(tav::kStrSearching)));
}

void CTavmonDlg::ShowAdapterPrompt() {
  CAdapterConfirm prompt(this);
  prompt.exec();
}

// The listener's own thread reads the answers as they arrive, however busy the window is;
// each tick of the list timer turns what it read into boards, then into rows.
void CTavmonDlg::OnDiscoveryReply() {
  search_.Drain();
}

void CTavmonDlg::OnSearchTimer() {
  searchTimer_.stop();
  if (!search_.Running()) return;
  // Catch what arrived since the last tick and list it, then stop listening.
  listTimer_.stop();
  OnDiscoveryReply();
  ListFoundBoards(true);
  search_.Finish();
  ListFoundBoards(true);        // what the last Drain had no time for
  std::map<int, QString> tips;  // board index -> what it conflicts on
  for (const tav::BoardConflict& c : search_.Conflicts()) {
    const QString line = qt(tav::ConflictLine(boards_, c));
    for (int index : c.boards) {
      QString& tip = tips[index];
      tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + line;
    }
  }
  listModel_->SetConflictTips(std::move(tips));
  searchButton_->setText(QString::fromUtf8(tav::str(tav::kStrSearchButton)));
  searchButton_->setEnabled(true);
}

// ---- buttons

void CTavmonDlg::OnSingleBoard() {
  std::vector<int> selected;
  if (SelectedBoards(selected) == 1) OpenCtrlWnd();
}

void CTavmonDlg::OpenCtrlWnd() {
  CBoard* board = CurrentBoard();
  if (!board || ctrlWnd_) return;
  ctrlWnd_ = new CCtrlWnd(*this, TakeOpenStatisticsPage());
  ctrlWnd_->setWindowTitle(qt(tav::CtrlWindowTitle(board->AddressText(), board->Name())));
  ctrlWnd_->setWindowIcon(tav::AppIcon());

  const QPoint topLeft = deviceList_->mapToGlobal(QPoint(0, 0));
  const QScreen* screen = this->screen();
  const int screenTop = screen ? screen->availableGeometry().top() : 0;
  const tav::Box place = tav::CtrlWindowPlacement(
      {topLeft.x(), topLeft.y(), deviceList_->width(), deviceList_->height()}, screenTop);
  ctrlWnd_->setGeometry(place.x, place.y, place.width, place.height);

  connect(ctrlWnd_, &CCtrlWnd::closed, this, [this] { setEnabled(true); });
  setEnabled(false);
  ctrlWnd_->show();
  ctrlWnd_->activateWindow();
}

void CTavmonDlg::OnBatch() {
  if (boards_.Count() == 0 || !tav::shellHooks().createBatchWindow) return;
  QWidget* batch = tav::shellHooks().createBatchWindow(*this);
  if (!batch) return;
  batch->setAttribute(Qt::WA_DeleteOnClose);
  batch->setWindowTitle(QString::fromUtf8(tav::str(tav::kStrBatchSettings)));
  batch->setWindowIcon(tav::AppIcon());
  const QPoint topLeft = deviceList_->mapToGlobal(QPoint(0, 0));
  const int width = 500, height = 350;
  batch->setGeometry(topLeft.x() + (deviceList_->width() - width) / 2,
                     topLeft.y() + deviceList_->height() - height, width, height);
  batch->show();
}

void CTavmonDlg::OnManualAdd() {
  CManualAddDlg dialog(*this);
  dialog.exec();
  ApplySort();
}

void CTavmonDlg::OnAdapterSet() {
  CAdapterSetDlg dialog(this);
  dialog.exec();
  // Either button: Cancel leaves the dialog's empty choice, which clears an earlier one.
  chosenAdapterAddress_ = dialog.ChosenAddress();
  adapterChosen_ = dialog.Chosen();
}

void CTavmonDlg::OnTrustList() {
  // The firewall front ends can take seconds per rule: run them off the window's thread so it
  // keeps repainting, and keep the button off until they are done.
  auto* button = findChild<QPushButton*>(QStringLiteral("trustButton"));
  if (button) button->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  auto result = std::make_shared<tav::platform::TrustResult>();
  QThread* worker = QThread::create([result] { *result = tav::platform::addTrustRules(); });
  connect(worker, &QThread::finished, this, [this, worker, button, result] {
    worker->deleteLater();
    QApplication::restoreOverrideCursor();
    if (button) button->setEnabled(true);
    const std::string text = tav::platform::trustMessage(*result);
    LogLine(text);
    notifier().message(text, result->outcome == tav::platform::TrustOutcome::Failed
                                 ? tav::NoticeIcon::Error
                                 : tav::NoticeIcon::Information);
  });
  worker->start();
}

void CTavmonDlg::OnAbout() {
  CAboutDlg about(this, [this] { ResetSettings(); });
  about.exec();
}

void CTavmonDlg::OnMaintenance() {
  if (tav::shellHooks().runMaintenanceDialog) tav::shellHooks().runMaintenanceDialog(*this);
}

// ---- export, sort, filter, remembered settings

std::vector<int> CTavmonDlg::ShownRows() const {
  std::vector<int> rows;
  for (int row = 0; row < deviceList_->rowCount(); ++row)
    if (!deviceList_->isRowHidden(row)) rows.push_back(listModel_->BoardAt(row));
  return rows;
}

bool CTavmonDlg::ExportList(const QString& path, tav::ListFormat format) {
  std::string error;
  const std::string bytes = tav::DeviceListFile(boards_, ShownRows(), format);
  if (!tav::WriteListFile(path.toStdString(), bytes, error)) {
    const QString text =
        tr("导出列表失败：%1\n%2").arg(path, QString::fromLocal8Bit(error.c_str()));
    LogLine(text.toStdString());
    notifier().message(text.toStdString(), tav::NoticeIcon::Error);
    return false;
  }
  LogLine(tr("设备列表已导出到 %1").arg(path).toStdString());
  return true;
}

void CTavmonDlg::OnExport() {
  const QString csv = tr("CSV 文件 (*.csv)");
  const QString json = tr("JSON 文件 (*.json)");
  QSettings settings;
  const QString folder = settings.value(QStringLiteral("export/folder")).toString();
  QString filter = csv;
  QString path = QFileDialog::getSaveFileName(
      this, tr("导出列表"), QDir(folder).filePath(QStringLiteral("tavmon-devices.csv")),
      csv + QStringLiteral(";;") + json, &filter);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += filter == json ? ".json" : ".csv";
  settings.setValue(QStringLiteral("export/folder"), QFileInfo(path).absolutePath());
  ExportList(path, tav::ListFormatForPath(path.toStdString()));
}

void CTavmonDlg::SortByColumn(int column) {
  if (column < 0 || column >= listModel_->columnCount()) return;
  sortDescending_ = column == sortColumn_ && !sortDescending_;
  sortColumn_ = column;
  ApplySort();
}

void CTavmonDlg::ApplySort() {
  QHeaderView* header = deviceList_->horizontalHeader();
  header->setSortIndicatorShown(sortColumn_ >= 0);
  if (sortColumn_ < 0) {
    ApplyFilter();  // a row added in address order still meets the filter and the count
    return;
  }
  header->setSortIndicator(sortColumn_, sortDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder);

  const std::vector<int> rows =
      tav::SortedRows(boards_, listModel_->Boards(), sortColumn_, sortDescending_);
  ReorderRows(rows);
  ApplyFilter();
}

void CTavmonDlg::ReorderRows(const std::vector<int>& rows) {
  listModel_->Reorder(rows);  // the selection and the selection mark stay on their boards
}

void CTavmonDlg::ApplyFilter() {
  const std::string filter = filterBox_->text().toStdString();
  int shown = 0;
  for (int row = 0; row < deviceList_->rowCount(); ++row) {
    const bool match = filter.empty() || tav::RowMatches(boards_, listModel_->BoardAt(row), filter);
    deviceList_->setRowHidden(row, !match);
    if (match) {
      ++shown;
    } else if (deviceList_->isRowSelected(row)) {
      // A hidden row takes no part in "单板设置" or the batch window.
      deviceList_->selectionModel()->select(
          deviceList_->model()->index(row, 0),
          QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }
  }
  countLabel_->setText(tr("显示 %1/%2").arg(shown).arg(deviceList_->rowCount()));
}

void CTavmonDlg::RestoreSettings() {
  QSettings settings;
  const QByteArray geometry = settings.value(QStringLiteral("window/geometry")).toByteArray();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  const QVariantList widths = settings.value(QStringLiteral("list/columnWidths")).toList();
  for (int c = 0; c < int(widths.size()) && c < 4; ++c)
    if (const int w = widths[c].toInt(); w > 10 && w < 2000) deviceList_->setColumnWidth(c, w);
  chosenAdapterAddress_ =
      settings.value(QStringLiteral("adapter/address")).toString().toStdString();
  adapterChosen_ = settings.value(QStringLiteral("adapter/chosen")).toBool();
}

void CTavmonDlg::SaveSettings() {
  QSettings settings;
  settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
  QVariantList widths;
  for (int c = 0; c < 4; ++c) widths << deviceList_->columnWidth(c);
  settings.setValue(QStringLiteral("list/columnWidths"), widths);
  settings.setValue(QStringLiteral("adapter/address"),
                    QString::fromStdString(chosenAdapterAddress_));
  settings.setValue(QStringLiteral("adapter/chosen"), adapterChosen_);
}

void CTavmonDlg::ResetSettings() {
  QSettings().clear();
  for (int c = 0; c < 5; ++c) deviceList_->setColumnWidth(c, kColumnWidths[c]);
  resize(std::max({910, minimumWidth(), buttonBar_->sizeHint().width() + 20}), 560);
  chosenAdapterAddress_.clear();
  adapterChosen_ = false;
  LogLine(tr("已恢复默认设置。").toStdString());
}
