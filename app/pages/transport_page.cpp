#include "pages/transport_page.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "device/board.h"
#include "pages/field_text.h"
#include "pages/page_host.h"
#include "resources/string_table.h"

using tav::str;
using namespace tav::string_ids;

CRightView1::CRightView1(tav::PageHost& host, QWidget* parent) : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CRightView1"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(QString::fromUtf8(str(kStrTransportPage))));
  kind_ = new QLabel(this);
  kind_->setTextFormat(Qt::PlainText);
  kind_->setObjectName(QStringLiteral("boardKind"));
  column->addWidget(kind_);

  auto* box = new QGroupBox(this);
  box->setObjectName(QStringLiteral("choices"));
  auto* grid = new QGridLayout(box);
  choices_ = new QButtonGroup(this);
  for (std::size_t i = 0; i < tav::kChoiceCount; ++i) {
    auto* r = new QRadioButton(box);
    r->setObjectName(QStringLiteral("choice%1").arg(tav::kChoiceModes[i]));
    choices_->addButton(r, static_cast<int>(i));
    grid->addWidget(r, static_cast<int>(i / 3), static_cast<int>(i % 3));
  }
  switch_ = new QCheckBox(QStringLiteral("切换"), box);
  switch_->setObjectName(QStringLiteral("switch"));
  grid->addWidget(switch_, 3, 0);
  column->addWidget(box);

  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  address_ = new tav::IpField(this);
  address_->setObjectName(QStringLiteral("address"));
  addressLabel_ = addRow(form, QString::fromUtf8(str(kStrDecoderReceiveAddress)), address_);
  port_ = new QLineEdit(this);
  port_->setObjectName(QStringLiteral("port"));
  port_->setMaximumWidth(port_->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 16);
  addRow(form, QStringLiteral("端口"), port_);
  url_ = new QLineEdit(this);
  url_->setObjectName(QStringLiteral("url"));
  url_->setMinimumWidth(
      url_->fontMetrics().horizontalAdvance(QStringLiteral("rtsp://192.168.18.235:8554/webcam")) +
      24);
  urlLabel_ = addRow(form, QStringLiteral("URL"), url_);
  user_ = new QLineEdit(this);
  user_->setObjectName(QStringLiteral("user"));
  userLabel_ = addRow(form, QStringLiteral("用户名"), user_);
  password_ = new QLineEdit(this);
  password_->setObjectName(QStringLiteral("password"));
  passwordLabel_ = addRow(form, QStringLiteral("密码"), password_);
  column->addLayout(form);

  hint_ = new QLabel(this);
  hint_->setTextFormat(Qt::PlainText);  // may hold the board's RTSP address
  hint_->setObjectName(QStringLiteral("hint"));
  hint_->setWordWrap(true);
  hint_->setMinimumHeight(hint_->fontMetrics().lineSpacing() * 2);
  column->addWidget(hint_);

  auto* buttons = new QHBoxLayout;
  auto* refresh = addButton(buttons, QStringLiteral("刷新"), "refresh");
  auto* apply = addButton(buttons, QStringLiteral("应用"), "apply");
  buttons->addStretch(1);
  column->addLayout(buttons);
  column->addStretch(1);

  action().addButton(refresh);
  action().addButton(apply);
  addDataControl(kind_);
  addDataControl(hint_);
  addDataControl(addressLabel_);
  addDataControl(box);
  connect(refresh, &QPushButton::clicked, this, &CRightView1::refresh);
  connect(apply, &QPushButton::clicked, this, &CRightView1::apply);
  connect(choices_, &QButtonGroup::idClicked, this, &CRightView1::choose);
  connect(switch_, &QCheckBox::clicked, this, &CRightView1::switchClicked);
  render();
}

void CRightView1::refresh() {
  CBoard* board = currentBoard();
  if (!board) {
    reportPlain(str(kStrStatusReadFailed));
    markBoardRead(false);
    return;
  }
  struct Read {
    int status = 0;
    int extra = -1;  // the stream-information or stream-access read, when one was needed
  };
  runOnBoard(
      *board,
      [](CBoard& copy, tav::BoardLink& l, tav::Notifier&) {
        Read r;
        r.status = copy.RefreshStatus(l);
        if (r.status != 0) return r;
        tav::TransportSettings probe;
        probe.Load(copy.statusBlock());
        switch (probe.NeededExtra()) {
          case tav::TransportExtra::StreamInfo:
            r.extra = copy.RefreshStreamInfo(l);
            break;
          case tav::TransportExtra::StreamAccess:
            r.extra = copy.RefreshStreamAccess(l);
            break;
          case tav::TransportExtra::None:
            break;
        }
        return r;
      },
      [this](Read r, CBoard* b) {
        if (r.status != 0 || !b) {
          reportPlain(str(kStrStatusReadFailed));
          markBoardRead(false);
          return;
        }
        log(str(kStrTransportReadOk));
        markBoardRead(true);
        settings_.Load(b->statusBlock());
        switch (settings_.NeededExtra()) {
          case tav::TransportExtra::StreamInfo:
            if (r.extra == 0) {
              qor::Bytes info(b->streamInfo());
              settings_.TakeStreamInfo(&info);
            } else {
              settings_.TakeStreamInfo(nullptr);
            }
            break;
          case tav::TransportExtra::StreamAccess:
            if (r.extra == 0) settings_.TakeStreamAccess(b->streamAccess());
            break;
          case tav::TransportExtra::None:
            break;
        }
        render();
      });
}

bool CRightView1::takeControls(bool promptOnBadPort) {
  tav::TransportForm& f = settings_.form;
  f.address = address_->address();
  f.switchOn = switch_->isChecked();
  f.url = tav::u8(url_->text());
  f.user = tav::u8(user_->text());
  f.password = tav::u8(password_->text());
  if (promptOnBadPort) {
    if (address_->isEnabled()) {
      auto address = readAddress(address_, tav::u8(addressLabel_->text()));
      if (!address) return false;
      f.address = *address;
    }
    return readInt(port_, f.port, "端口", tav::kPortRange);
  }
  if (auto port = tav::ParseIntegerField(tav::u8(port_->text()))) f.port = *port;
  return true;
}

void CRightView1::choose(int choice) {
  takeControls(false);
  settings_.Choose(tav::kChoiceModes[static_cast<std::size_t>(choice)]);
  render();
}

void CRightView1::switchClicked(bool on) {
  takeControls(false);
  settings_.SetSwitch(on);
  render();
}

void CRightView1::apply() {
  if (!takeControls(true)) return;
  auto plan = settings_.Plan();
  if (!plan) {
    report(tav::TransportRefusalText(plan.refusal()), tav::NoticeIcon::Error);
    return;
  }
  CBoard* board = currentBoard();
  if (!board) {
    report(str(kStrTransportSetFailed), tav::NoticeIcon::Error);
    return;
  }
  runOnBoard(
      *board,
      [plan = *plan](CBoard& copy, tav::BoardLink& l, tav::Notifier&) {
        return tav::WriteTransport(copy, plan, l);
      },
      [this](int rc, CBoard*) {
        if (rc == 0)
          report(str(kStrTransportSetOk), tav::NoticeIcon::Information);
        else
          report(str(kStrTransportSetFailed), tav::NoticeIcon::Error);
      });
}

void CRightView1::render() {
  const tav::TransportForm& f = settings_.form;
  kind_->setText(tav::qs(tav::TransportKindLabel(f.kind)));
  addressLabel_->setText(tav::qs(tav::TransportAddressLabel(f.kind)));
  address_->setAccessibleName(addressLabel_->text());
  choices_->setExclusive(false);
  for (std::size_t i = 0; i < tav::kChoiceCount; ++i) {
    tav::ChoiceLook look = tav::TransportChoiceLook(f.kind, i);
    QAbstractButton* b = choices_->button(static_cast<int>(i));
    b->setText(tav::qs(look.label));
    b->setEnabled(look.enabled);
    b->setChecked(tav::kChoiceModes[i] == f.checkedMode);
  }
  choices_->setExclusive(true);
  address_->setAddress(f.address);
  address_->setEnabled(f.addressEnabled);
  port_->setText(QString::number(f.port));
  port_->setEnabled(f.portEnabled);
  switch_->setVisible(f.switchVisible);
  switch_->setEnabled(f.switchEnabled);
  switch_->setChecked(f.switchOn);
  url_->setText(tav::qs(f.url));
  url_->setVisible(f.urlShown);
  url_->setEnabled(f.urlShown);
  urlLabel_->setVisible(f.urlShown);
  user_->setText(tav::qs(f.user));
  password_->setText(tav::qs(f.password));
  for (QWidget* w : {static_cast<QWidget*>(user_), static_cast<QWidget*>(password_),
                     static_cast<QWidget*>(userLabel_), static_cast<QWidget*>(passwordLabel_)})
    w->setVisible(f.credentialsShown);
  hint_->setText(tav::qs(f.hint));
}
