#include "batch/new_search_dlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "pages/settings_page.h"
#include "resources/string_table.h"
#include "shell/qt_notifier.h"

namespace {

QString qs(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
QString qstr(int id) {
  return QString::fromUtf8(tav::str(id));
}

QPushButton* AddButton(QWidget* parent, QBoxLayout* row, const QString& text, const char* name) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  b->setAccessibleName(text);
  row->addWidget(b);
  return b;
}

}  // namespace

CNewSearchDlg::CNewSearchDlg(tav::batch::MaintenanceTransport& transport, QWidget* parent,
                             tav::Notifier* dialogs)
    : QDialog(parent), transport_(transport) {
  setObjectName(QStringLiteral("CNewSearchDlg"));
  setModal(true);
  if (parent) setWindowTitle(parent->windowTitle());
  if (!dialogs) {
    boxes_ = std::make_unique<tav::QtNotifier>(this, [](std::string_view) {});
    dialogs = boxes_.get();
  }
  notifier_ = dialogs;
  session_ = std::make_unique<tav::batch::MaintenanceSession>(transport, *notifier_);

  auto* layout = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  search_ = AddButton(this, buttons, qstr(119), "button1000");
  restart_ = AddButton(this, buttons, tr("重启"), "button1184");
  reset_ = AddButton(this, buttons, tr("恢复出厂值"), "button1185");
  buttons->addStretch();
  layout->addLayout(buttons);

  auto* target = new QHBoxLayout;
  auto* addressLabel = new QLabel(tr("设备地址"), this);
  address_ = new tav::IpField(this);
  address_->setObjectName(QStringLiteral("ip1031"));
  address_->setAccessibleName(addressLabel->text());
  address_->setReadOnly(true);  // shows the board picked in the list
  addressLabel->setBuddy(address_);
  target->addWidget(addressLabel);
  target->addWidget(address_);
  layout->addLayout(target);

  auto* commandRow = new QHBoxLayout;
  auto* commandLabel = new QLabel(tr("命令"), this);
  command_ = new QLineEdit(this);
  command_->setObjectName(QStringLiteral("edit1032"));
  command_->setAccessibleName(commandLabel->text());
  command_->setMaxLength(static_cast<int>(tav::batch::kCommandTextMax));
  command_->setPlaceholderText(tr("最多107个字节"));
  commandLabel->setBuddy(command_);
  execute_ = new QPushButton(tr("执行"), this);
  execute_->setObjectName(QStringLiteral("button1183"));
  execute_->setAccessibleName(execute_->text());
  commandRow->addWidget(commandLabel);
  commandRow->addWidget(command_, 1);
  commandRow->addWidget(execute_);
  layout->addLayout(commandRow);

  list_ = new QTableWidget(0, 3, this);
  list_->setObjectName(QStringLiteral("DeviceList"));
  list_->setAccessibleName(QStringLiteral("DeviceList"));
  list_->setHorizontalHeaderLabels({qstr(120), qstr(122), qstr(281)});
  list_->verticalHeader()->hide();
  list_->setShowGrid(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->setColumnWidth(0, 120);
  list_->setColumnWidth(1, 140);
  layout->addWidget(list_, 2);

  log_ = new QPlainTextEdit(this);
  log_->setObjectName(QStringLiteral("edit1040"));
  log_->setAccessibleName(tr("日志"));
  log_->setReadOnly(true);
  layout->addWidget(log_, 1);
  resize(520, 420);

  session_->logged = [this](const std::string&) { log_->setPlainText(qs(session_->LogText())); };
  session_->rowAdded = [this](int at) {
    const auto& row = session_->Rows()[static_cast<std::size_t>(at)];
    list_->insertRow(at);
    const std::string texts[] = {row.address, row.mac, row.mask};
    for (int c = 0; c < 3; ++c) {
      auto* item = new QTableWidgetItem(qs(texts[c]));  // plain text
      item->setData(Qt::UserRole, row.boardIndex);
      list_->setItem(at, c, item);
    }
  };

  passTimer_.setInterval(0);
  connect(&passTimer_, &QTimer::timeout, this, &CNewSearchDlg::OnPass);
  connect(search_, &QPushButton::clicked, this, &CNewSearchDlg::OnSearch);
  connect(restart_, &QPushButton::clicked, this, &CNewSearchDlg::OnRestart);
  connect(reset_, &QPushButton::clicked, this, &CNewSearchDlg::OnReset);
  connect(execute_, &QPushButton::clicked, this, &CNewSearchDlg::OnExecute);
  connect(list_, &QTableWidget::cellClicked, this, [this](int row, int) { OnRowClicked(row); });
  UpdateButtons();
}

CNewSearchDlg::~CNewSearchDlg() {
  passTimer_.stop();
  transport_.Close();
}

bool CNewSearchDlg::Waiting() const {
  return session_->Waiting();
}

void CNewSearchDlg::OnSearch() {
  if (Waiting()) return;
  list_->setRowCount(0);
  session_->StartSearch();
  StartWait();
}

bool CNewSearchDlg::Picked() {
  if (session_->SelectedAddress() != 0) return true;
  notifier_->message(tr("请先在设备列表中选择设备。").toStdString(), tav::NoticeIcon::Warning);
  return false;
}

void CNewSearchDlg::OnRestart() {
  if (Waiting() || !Picked()) return;
  session_->Restart();
  StartWait();  // a wait only runs when the session asks for one
}

void CNewSearchDlg::OnReset() {
  if (Waiting() || !Picked()) return;
  session_->FactoryReset();
  StartWait();
}

void CNewSearchDlg::OnExecute() {
  if (Waiting() || !Picked()) return;
  if (session_->Execute(command_->text().toStdString())) StartWait();
}

void CNewSearchDlg::OnRowClicked(int row) {
  if (row < 0 || row >= list_->rowCount()) return;
  session_->SelectRow(row);
  address_->setAddress(session_->SelectedAddress());
}

void CNewSearchDlg::StartWait() {
  UpdateButtons();
  if (Waiting()) passTimer_.start();
}

void CNewSearchDlg::OnPass() {
  // A result box opened by a pass runs its own event loop; ticks meanwhile wait for it.
  if (inPass_) return;
  inPass_ = true;
  const bool more = session_->Pass();
  inPass_ = false;
  if (!more) {
    passTimer_.stop();
    UpdateButtons();
  }
}

void CNewSearchDlg::UpdateButtons() {
  const bool idle = !Waiting();
  search_->setText(qs(session_->SearchButtonText()));
  search_->setEnabled(idle);
  restart_->setEnabled(idle);
  reset_->setEnabled(idle);
  execute_->setEnabled(idle);
  command_->setEnabled(idle);
}
