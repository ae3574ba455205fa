#include "shell/manual_add_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "pages/field_text.h"
#include "pages/page_action.h"
#include "shell/main_window.h"
#include "shell/manual_add.h"
#include "wire.h"

namespace tav {

IpAddressEdit::IpAddressEdit(QWidget* parent) : QLineEdit(parent) {
  // Up to three digits a part, so "300" stays as typed and is refused with a message rather
  // than cut to "30".
  static const QRegularExpression dotted(QStringLiteral(R"(^\s*(\d{0,3}\.){0,3}\d{0,3}\s*$)"));
  setValidator(new QRegularExpressionValidator(dotted, this));
  setPlaceholderText(QStringLiteral("0.0.0.0"));
  setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 24);
}

std::optional<std::uint32_t> IpAddressEdit::Address() const {
  const ParsedAddress parsed = Entry();
  if (parsed.entry != AddressEntry::Complete) return std::nullopt;
  return parsed.address;
}

ParsedAddress IpAddressEdit::Entry() const {
  return ParseAddressField(text().toStdString());
}

}  // namespace tav

CManualAddDlg::CManualAddDlg(CTavmonDlg& main) : QDialog(&main), main_(main) {
  setObjectName(QStringLiteral("CManualAddDlg"));
  setWindowTitle(tr("手动添加设备"));
  auto* label = new QLabel(tr("设备IP地址"), this);
  address_ = new tav::IpAddressEdit(this);
  address_->setObjectName(QStringLiteral("addressEdit"));
  label->setBuddy(address_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setText(tr("确定"));
  ok_->setEnabled(false);
  buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
  connect(buttons, &QDialogButtonBox::accepted, this, &CManualAddDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(address_, &QLineEdit::textChanged, this,
          [this] { ok_->setEnabled(!address_->text().trimmed().isEmpty()); });
  action_ = new tav::PageAction(this, main_.notifier());
  action_->addButton(ok_);
  action_->addButton(address_);

  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(address_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

void CManualAddDlg::accept() {
  const tav::ParsedAddress entry = address_->Entry();
  if (entry.entry != tav::AddressEntry::Complete) {
    main_.notifier().message(tav::AddressEntryText(tr("设备IP地址").toStdString(), entry.entry),
                             tav::NoticeIcon::Warning);
    return;
  }
  const auto address = std::optional<std::uint32_t>(entry.address);
  // The board is asked on a worker (up to a few seconds when nobody answers); the dialog waits
  // with its buttons off, the main window keeps repainting.
  tav::BoardLink* link = &main_.link();
  action_->run([a = *address, link](tav::Notifier&) { return tav::ProbeBoard(a, *link); },
               [this](tav::ManualProbe probe) {
                 const int index = tav::AddProbedBoard(main_.BoardList(), probe, main_.notifier());
                 if (index < 0) {
                   reject();
                   return;
                 }
                 main_.InsertBoardRow(index);
                 QDialog::accept();
               });
}

bool CManualAddDlg::Busy() const {
  return action_->busy();
}
