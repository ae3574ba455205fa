#include "shell/adapter_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/shell_info.h"

CAdapterSetDlg::CAdapterSetDlg(QWidget* parent, Enumerate enumerate)
    : QDialog(parent), enumerate_(std::move(enumerate)) {
  setObjectName(QStringLiteral("CAdapterSetDlg"));
  setWindowTitle(tr("网卡设置"));
  auto* label = new QLabel(tr("网卡列表"), this);
  adapters_ = new QComboBox(this);
  adapters_->setObjectName(QStringLiteral("adapterBox"));
  adapters_->setEditable(true);
  adapters_->setInsertPolicy(QComboBox::NoInsert);
  adapters_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  adapters_->setMinimumContentsLength(24);
  label->setBuddy(adapters_);
  for (const auto& a : Adapters()) adapters_->addItem(QString::fromStdString(a.description));
  adapters_->model()->sort(0);  // the box lists its adapters alphabetically
  adapters_->setCurrentIndex(-1);
  adapters_->setEditText(QString());

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
  buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
  connect(buttons, &QDialogButtonBox::accepted, this, &CAdapterSetDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(adapters_);
  layout->addStretch(1);
  layout->addWidget(buttons);
}

std::vector<tav::platform::Adapter> CAdapterSetDlg::Adapters() const {
  return tav::platform::boardAdapters(enumerate_ ? enumerate_() : tav::platform::listAdapters());
}

void CAdapterSetDlg::accept() {
  // Enumerated afresh: the adapters may have changed while the dialog was open.
  if (auto address =
          tav::ChosenAdapterAddress(Adapters(), adapters_->currentText().toStdString())) {
    chosenAddress_ = *address;
    chosen_ = true;
  }
  QDialog::accept();
}

CAdapterConfirm::CAdapterConfirm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CAdapterConfirm"));
  setWindowTitle(tr("提示"));
  auto* text = new QLabel(tr("检测到多块网卡，请先点选网卡设置并设置接收数据的网卡"), this);
  text->setWordWrap(false);
  auto* ok = new QPushButton(tr("确定"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addLayout(row);
}
