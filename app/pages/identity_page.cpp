#include "pages/identity_page.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QValidator>

#include "device/board.h"
#include "gbk.h"
#include "pages/page_host.h"
#include "resources/string_table.h"

namespace {

using tav::str;
using namespace tav::string_ids;

// Keeps a name within the board's name slot, counted in the boards' 8-bit text.
class GbkLengthValidator : public QValidator {
 public:
  GbkLengthValidator(std::size_t maxBytes, QObject* parent)
      : QValidator(parent), maxBytes_(maxBytes) {}
  State validate(QString& input, int&) const override {
    return qor::utf8ToGbk(tav::u8(input)).size() > maxBytes_ ? Invalid : Acceptable;
  }

 private:
  std::size_t maxBytes_;
};

QLabel* ValueText(QWidget* parent, const char* name, const QString& text = {}) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QLatin1String(name));
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  l->setTextFormat(Qt::PlainText);  // board texts (ID, versions) are never markup
  return l;
}

}  // namespace

CRightView0::CRightView0(tav::PageHost& host, QWidget* parent) : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CRightView0"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(QString::fromUtf8(str(kStrIdentityPage))));
  form_ = new QFormLayout;
  form_->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  address_ = ValueText(this, "currentAddress", QStringLiteral("192.168.18.1"));
  type_ = ValueText(this, "typeName");
  version_ = ValueText(this, "version");
  baseband_ = ValueText(this, "baseband");
  mac_ = ValueText(this, "mac", QStringLiteral("00:00:00:00:00"));
  serial_ = ValueText(this, "serialNumber");
  id_ = ValueText(this, "uniqueId");
  addRow(form_, QStringLiteral("当前IP地址"), address_);
  addRow(form_, QStringLiteral("类型"), type_);
  addRow(form_, QStringLiteral("软件版本"), version_);
  addRow(form_, QStringLiteral("基带版本"), baseband_);
  addRow(form_, QStringLiteral("MAC地址"), mac_);
  addRow(form_, QString::fromUtf8(str(kStrSerialNumber)), serial_);
  addRow(form_, QString::fromUtf8(str(kStrIdNumber)), id_);
  ip_ = new tav::IpField(this);
  ip_->setObjectName(QStringLiteral("ip"));
  mask_ = new tav::IpField(this);
  mask_->setObjectName(QStringLiteral("mask"));
  gateway_ = new tav::IpField(this);
  gateway_->setObjectName(QStringLiteral("gateway"));
  addRow(form_, QStringLiteral("IP地址"), ip_);
  addRow(form_, QStringLiteral("子网掩码"), mask_);
  addRow(form_, QStringLiteral("网关"), gateway_);
  dhcp_ = new QCheckBox(QStringLiteral("DHCP"), this);
  dhcp_->setObjectName(QStringLiteral("dhcp"));
  form_->addRow(dhcp_);
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("name"));
  name_->setValidator(new GbkLengthValidator(tav::kIdentityNameMaxBytes, this));
  name_->setMinimumWidth(name_->fontMetrics().horizontalAdvance(QString(16, QChar(0x6C49))));
  addRow(form_, QStringLiteral("设备名称"), name_);
  column->addLayout(form_);
  form_->setRowVisible(serial_, false);
  form_->setRowVisible(id_, false);

  auto* buttons = new QHBoxLayout;
  auto* refresh = addButton(buttons, QStringLiteral("刷新"), "refresh");
  auto* apply = addButton(buttons, QStringLiteral("应用"), "apply");
  buttons->addStretch(1);
  column->addSpacing(8);
  column->addLayout(buttons);
  column->addStretch(1);
  action().addButton(refresh);
  action().addButton(apply);
  for (QWidget* w : {address_, type_, version_, baseband_, mac_, serial_, id_}) addDataControl(w);
  connect(refresh, &QPushButton::clicked, this, &CRightView0::refresh);
  connect(apply, &QPushButton::clicked, this, &CRightView0::apply);
  connect(dhcp_, &QCheckBox::clicked, this, &CRightView0::toggleDhcp);
}

void CRightView0::refresh() {
  CBoard* board = currentBoard();
  if (!board) {
    reportPlain(str(kStrStatusReadFailed));
    markBoardRead(false);
    return;
  }
  struct Read {
    int status = 0;  // 0 also when the record is shown as it is
    tav::UniqueIds ids;
  };
  tav::PcNetwork pc = host().pcNetwork();
  // A board that does not look like a neighbour is shown as the record has it.
  const bool readsBoard = tav::RefreshReadsBoard(board->ip(), pc.hostAddress);
  runOnBoard(
      *board,
      [readsBoard](CBoard& copy, tav::BoardLink& l, tav::Notifier&) {
        Read r;
        if (readsBoard) r.status = copy.RefreshStatus(l);
        if (r.status == 0) r.ids = tav::ReadUniqueIds(copy, l);
        return r;
      },
      [this, readsBoard](Read r, CBoard* b) {
        if (r.status != 0 || !b) {
          reportPlain(str(kStrStatusReadFailed));
          markBoardRead(false);
          return;
        }
        if (readsBoard) log(str(kStrIdentityReadOk));
        markBoardRead(true);
        showIdentity(tav::ShowIdentity(*b));
        showUniqueIds(r.ids);
      });
}

void CRightView0::showIdentity(const tav::IdentityShown& s) {
  type_->setText(tav::qs(s.typeName));
  version_->setText(tav::qs(s.versionText));
  address_->setText(tav::qs(s.addressText));
  mac_->setText(tav::qs(s.macText));
  name_->setText(tav::qs(s.name));
  baseband_->setText(tav::qs(s.basebandText));
  showAddresses(s.addresses, s.dhcp);
}

void CRightView0::showAddresses(const tav::IdentityAddresses& a, bool dhcp) {
  ip_->setAddress(a.ip);
  mask_->setAddress(a.mask);
  gateway_->setAddress(a.gateway);
  dhcpOn_ = dhcp;
  dhcp_->setChecked(dhcp);
  for (QWidget* w :
       {static_cast<QWidget*>(ip_), static_cast<QWidget*>(mask_), static_cast<QWidget*>(gateway_)})
    w->setEnabled(!dhcp);
}

void CRightView0::showUniqueIds(const tav::UniqueIds& ids) {
  serial_->setText(tav::qs(ids.serialNumber.value_or("")));
  id_->setText(tav::qs(ids.id.value_or("")));
  form_->setRowVisible(serial_, ids.serialNumber.has_value());
  form_->setRowVisible(id_, ids.id.has_value());
}

void CRightView0::toggleDhcp() {
  showAddresses(tav::DhcpToggled(!dhcpOn_), !dhcpOn_);
}

void CRightView0::apply() {
  tav::IdentityInput input{{ip_->address(), mask_->address(), gateway_->address()},
                           tav::u8(name_->text())};
  // Under DHCP the fields are off and hold 0.0.0.0; otherwise each must be a whole address.
  if (!dhcpOn_) {
    auto ip = readAddress(ip_, "IP地址");
    auto mask = ip ? readAddress(mask_, "子网掩码") : std::nullopt;
    auto gateway = mask ? readAddress(gateway_, "网关") : std::nullopt;
    if (!gateway) return;
    input.addresses = {*ip, *mask, *gateway};
  }
  CBoard* board = currentBoard();
  if (!board) {
    report(str(kStrIdentitySetFailed), tav::NoticeIcon::Error);
    return;
  }
  const auto pcAdapter = host().pcNetwork().firstAdapter;
  runOnBoard(
      *board,
      [input, pcAdapter](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) {
        return tav::ApplyIdentity(copy, input, pcAdapter, n, l);
      },
      [this](tav::IdentityOutcome outcome, CBoard* b) {
        if (outcome != tav::IdentityOutcome::Done || !b) return;
        // The fields keep what was entered; the texts follow the board record.
        address_->setText(tav::qs(b->AddressText()));
        mac_->setText(tav::qs(b->MacText()));
        host().boardIdentityChanged();
      });
}
