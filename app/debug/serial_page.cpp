#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "debug/debug_pages.h"
#include "debug/maintenance_port.h"
#include "debug/serial_control.h"
#include "device/board.h"
#include "resources/string_table.h"

using tav::qs;
using tav::str;
using namespace tav::string_ids;
using tav::u8;

namespace {

const char* KeyName(tav::PtzKey key) {
  switch (key) {
    case tav::PtzKey::Up:
      return "ptzUp";
    case tav::PtzKey::Down:
      return "ptzDown";
    case tav::PtzKey::Left:
      return "ptzLeft";
    case tav::PtzKey::Right:
      return "ptzRight";
    case tav::PtzKey::Stop:
      return "ptzStop";
    case tav::PtzKey::ZoomIn:
      return "ptzZoomIn";
    case tav::PtzKey::ZoomOut:
      return "ptzZoomOut";
    case tav::PtzKey::FocusNear:
      return "ptzFocusNear";
    case tav::PtzKey::FocusFar:
      return "ptzFocusFar";
  }
  return "";
}

// Where each key sits: the direction cross on the left, zoom and focus on the right.
struct KeyPlace {
  tav::PtzKey key;
  int row, column;
};
constexpr KeyPlace kPlaces[] = {
    {tav::PtzKey::Up, 0, 1},      {tav::PtzKey::Left, 1, 0},      {tav::PtzKey::Stop, 1, 1},
    {tav::PtzKey::Right, 1, 2},   {tav::PtzKey::Down, 2, 1},      {tav::PtzKey::ZoomIn, 0, 4},
    {tav::PtzKey::ZoomOut, 0, 5}, {tav::PtzKey::FocusNear, 1, 4}, {tav::PtzKey::FocusFar, 1, 5},
};

}  // namespace

CRightViewSerial::CRightViewSerial(tav::PageHost& host, QWidget* parent)
    : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CRightViewSerial"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(qs(str(kStrSerialPage))));

  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  baud_ = new QComboBox(this);
  baud_->setObjectName(QStringLiteral("baud"));
  baud_->setEditable(true);
  baud_->setInsertPolicy(QComboBox::NoInsert);
  for (std::string_view choice : tav::kBaudChoices) baud_->addItem(qs(choice));
  baud_->setMinimumContentsLength(10);
  baud_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  auto* baudRow = new QHBoxLayout;
  baudRow->addWidget(baud_);
  auto* refresh = addButton(baudRow, tr("刷新"), "refresh");
  auto* apply = addButton(baudRow, tr("应用"), "apply");
  auto* baudLabel = new QLabel(tr("串口波特率"), this);
  baudLabel->setBuddy(baud_);
  baud_->setAccessibleName(baudLabel->text());
  form->addRow(baudLabel, baudRow);

  sendText_ = new QLineEdit(qs(tav::kInitialSendText), this);
  sendText_->setObjectName(QStringLiteral("sendText"));
  sendText_->setMinimumWidth(
      sendText_->fontMetrics().horizontalAdvance(QString::fromLatin1(tav::PtzKeys()[0].text)) + 24);
  sendText_->setAccessibleName(tr("发送数据"));
  auto* sendRow = new QHBoxLayout;
  sendRow->addWidget(sendText_, 1);
  auto* sendButton = addButton(sendRow, tr("发送"), "send");
  auto* sendLabel = new QLabel(tr("发送数据"), this);
  sendLabel->setBuddy(sendText_);
  form->addRow(sendLabel, sendRow);
  column->addLayout(form);

  auto* keypad = new QGroupBox(tr("云台控制（Pelco-D）"), this);
  auto* grid = new QGridLayout(keypad);
  grid->setColumnMinimumWidth(3, 16);
  for (const KeyPlace& p : kPlaces) {
    const tav::PtzKeyInfo& info = tav::PtzKeyOf(p.key);
    auto* b = new QPushButton(qs(info.label), keypad);
    b->setObjectName(QLatin1String(KeyName(p.key)));
    b->setAccessibleName(qs(info.label));
    b->setToolTip(qs(info.text));
    grid->addWidget(b, p.row, p.column);
    connect(b, &QPushButton::clicked, this,
            [this, key = p.key] { sendText_->setText(qs(tav::PtzKeyOf(key).text)); });
  }
  grid->setColumnStretch(6, 1);
  auto* keypadRow = new QHBoxLayout;
  keypadRow->addWidget(keypad);
  keypadRow->addStretch(1);
  column->addLayout(keypadRow);
  column->addStretch(1);

  for (QPushButton* b : {refresh, apply, sendButton}) {
    b->setAccessibleName(b->text());
    action().addButton(b);
  }
  connect(refresh, &QPushButton::clicked, this, &CRightViewSerial::refreshBaud);
  connect(apply, &QPushButton::clicked, this, &CRightViewSerial::applyBaud);
  connect(sendButton, &QPushButton::clicked, this, &CRightViewSerial::send);
}

void CRightViewSerial::refreshBaud() {
  CBoard* board = currentBoard();
  if (!board) return;
  runOnBoard(
      *board,
      [](CBoard& copy, tav::BoardLink& link, tav::Notifier& n) {
        tav::BoardMaintenancePort port(copy, link);
        tav::SerialControl page(link, port, copy.AddressText(), n);
        page.refreshBaud();
        return page.baudText;
      },
      [this](std::string text, CBoard*) { baud_->setEditText(qs(text)); });
}

void CRightViewSerial::applyBaud() {
  CBoard* board = currentBoard();
  if (!board) return;
  const std::string baud = u8(baud_->currentText());
  if (auto problem = tav::BaudProblem(baud)) {
    notifier().message(*problem, tav::NoticeIcon::Warning);
    return;
  }
  runOnBoard(
      *board,
      [baud](CBoard& copy, tav::BoardLink& link, tav::Notifier& n) {
        tav::BoardMaintenancePort port(copy, link);
        tav::SerialControl page(link, port, copy.AddressText(), n);
        page.baudText = baud;
        return page.applyBaud();
      },
      [](int, CBoard*) {});
}

void CRightViewSerial::send() {
  CBoard* board = currentBoard();
  if (!board) return;
  const std::string baud = u8(baud_->currentText());
  const std::string text = u8(sendText_->text());
  if (text.size() < 2) return;  // too short to hold a value: nothing is sent, nothing said
  // The record carries the combo's rate; a text that is not one is refused, not sent as 9600.
  if (auto problem = tav::BaudProblem(baud)) {
    notifier().message(*problem, tav::NoticeIcon::Warning);
    return;
  }
  runOnBoard(
      *board,
      [baud, text](CBoard& copy, tav::BoardLink& link, tav::Notifier& n) {
        tav::BoardMaintenancePort port(copy, link);
        tav::SerialControl page(link, port, copy.AddressText(), n);
        page.baudText = baud;
        page.sendText = text;
        return page.send().status;
      },
      [](tav::SendStatus, CBoard*) {});
}
