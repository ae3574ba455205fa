#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "debug/debug_pages.h"
#include "debug/maintenance_port.h"
#include "device/board.h"
#include "resources/string_table.h"
#include "shell/page_table.h"

namespace tav {
namespace {

QLineEdit* NumberEdit(QWidget* parent, const char* name, const QString& text) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(QLatin1String(name));
  e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("0x00000000")) + 24);
  return e;
}

QPlainTextEdit* ListBox(QWidget* parent, const char* name, const QString& accessible) {
  auto* e = MonoTextBox(parent, name, QStringLiteral("0x00,0x00"), 12);
  e->setAccessibleName(accessible);
  return e;
}

}  // namespace

RegisterPageView::RegisterPageView(RegisterPageKind kind, PageHost& host, QWidget* parent)
    : SettingsPage(host, parent), kind_(kind) {
  auto* column = new QVBoxLayout(this);
  const PageRow* row =
      FindPageRow(kind == RegisterPageKind::I2c ? kCodeRegisterDebug : kCodeGeneralI2c);
  title_ = makeTitle(qs(str(row ? row->labelId : 267)));
  column->addWidget(title_);

  auto* single = new QGroupBox(QStringLiteral("Single"), this);
  auto* singleRow = new QHBoxLayout(single);
  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  device_ = NumberEdit(this, "device", QStringLiteral("0x42"));
  register_ = NumberEdit(this, "register", QStringLiteral("0x10"));
  value_ = NumberEdit(this, "value", QString());
  addRow(form, tr("I2C地址:"), device_);
  addRow(form, tr("寄存器:"), register_);
  addRow(form, tr("寄存器值:"), value_);
  if (kind == RegisterPageKind::General) {
    bus_ = new QComboBox(this);
    bus_->setObjectName(QStringLiteral("bus"));
    bus_->addItems({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")});
    bus_->setCurrentIndex(0);
    addRow(form, tr("I2C总线:"), bus_);
  }
  singleRow->addLayout(form);
  auto* singleButtons = new QVBoxLayout;
  auto* write = addButton(singleButtons, tr("写入"), "writeSingle");
  auto* read = addButton(singleButtons, tr("读出"), "readSingle");
  singleButtons->addStretch(1);
  singleRow->addLayout(singleButtons);
  singleRow->addStretch(1);
  column->addWidget(single);

  auto* lists = new QGridLayout;
  left_ = ListBox(this, "writeList", tr("写入列表"));
  right_ = ListBox(this, "readList", tr("读出列表"));
  auto* copy = new QPushButton(tr("<-- 复制"), this);
  copy->setObjectName(QStringLiteral("copyList"));
  auto* writeAllButton = new QPushButton(tr("写入所有"), this);
  writeAllButton->setObjectName(QStringLiteral("writeAll"));
  auto* readAllButton = new QPushButton(tr("读出所有"), this);
  readAllButton->setObjectName(QStringLiteral("readAll"));
  lists->addWidget(left_, 0, 0);
  lists->addWidget(copy, 0, 1, Qt::AlignVCenter);
  lists->addWidget(right_, 0, 2);
  lists->addWidget(writeAllButton, 1, 0, Qt::AlignLeft);
  lists->addWidget(readAllButton, 1, 2, Qt::AlignLeft);
  lists->setColumnStretch(0, 1);
  lists->setColumnStretch(2, 1);
  lists->setRowStretch(0, 1);
  column->addLayout(lists, 1);

  for (QPushButton* b : {write, read, writeAllButton, readAllButton}) {
    b->setAccessibleName(b->text());
    action().addButton(b);
  }
  copy->setAccessibleName(tr("复制读出列表到写入列表"));
  action().addButton(copy);  // the lists are rewritten when an exchange ends
  connect(write, &QPushButton::clicked, this, &RegisterPageView::writeSingle);
  connect(read, &QPushButton::clicked, this, &RegisterPageView::readSingle);
  connect(writeAllButton, &QPushButton::clicked, this, &RegisterPageView::writeAll);
  connect(readAllButton, &QPushButton::clicked, this, &RegisterPageView::readAll);
  connect(copy, &QPushButton::clicked, this, &RegisterPageView::copyList);
}

void RegisterPageView::onInitialUpdate() {
  CBoard* board = currentBoard();
  if (!board || kind_ != RegisterPageKind::I2c) return;
  const int type = board->deviceType();
  if (const PageRow* row = FindPageRow(kCodeRegisterDebug))
    title_->setText(qs(str(PageLabel(*row, type))));
  // The set-up only decides the register width; it sends nothing.
  NullBoardLink none;
  BoardMaintenancePort port(*board, none);
  RegisterDebug page(kind_, port, notifier());
  page.initialUpdate(type);
  wide_ = page.wide();
  if (wide_) {
    device_->clear();
    device_->setEnabled(false);
  }
}

RegisterPageView::Fields RegisterPageView::fields() const {
  Fields f;
  f.device = u8(device_->text());
  f.reg = u8(register_->text());
  f.value = u8(value_->text());
  f.left = u8(left_->toPlainText());
  f.right = u8(right_->toPlainText());
  f.bus = bus_ ? bus_->currentIndex() : 0;
  f.wide = wide_;
  return f;
}

void RegisterPageView::showFields(const Fields& f) {
  if (!f.wide) device_->setText(qs(f.device));
  register_->setText(qs(f.reg));
  value_->setText(qs(f.value));
  if (BoxText(f.left) != left_->toPlainText()) left_->setPlainText(BoxText(f.left));
  if (BoxText(f.right) != right_->toPlainText()) right_->setPlainText(BoxText(f.right));
}

void RegisterPageView::writeSingle() {
  run(Op::WriteSingle);
}
void RegisterPageView::readSingle() {
  run(Op::ReadSingle);
}
void RegisterPageView::writeAll() {
  run(Op::WriteAll);
}
void RegisterPageView::readAll() {
  run(Op::ReadAll);
}
void RegisterPageView::copyList() {
  left_->setPlainText(right_->toPlainText());
}

void RegisterPageView::run(Op op) {
  CBoard* board = currentBoard();
  if (!board) return;
  const Fields in = fields();
  // A number that does not fit its field is refused before anything is sent.
  std::optional<std::string> problem;
  if (op == Op::WriteAll) {
    if (!in.wide) problem = NumberFieldProblem("I2C地址", in.device, 0xFFFF);
    if (!problem) problem = RegisterListProblem(in.left);
  } else {
    NullBoardLink none;
    BoardMaintenancePort port(*board, none);
    RegisterDebug check(kind_, port, notifier());
    check.setWide(in.wide);
    check.deviceText = in.device;
    check.registerText = in.reg;
    check.valueText = in.value;
    problem = check.fieldProblem(op == Op::WriteSingle);
  }
  if (problem) {
    notifier().message(*problem, NoticeIcon::Warning);
    return;
  }
  runOnBoard(
      *board,
      [op, in, kind = kind_](CBoard& copy, BoardLink& link, Notifier& n) {
        BoardMaintenancePort port(copy, link);
        RegisterDebug page(kind, port, n);
        page.setWide(in.wide);
        page.deviceText = in.device;
        page.registerText = in.reg;
        page.valueText = in.value;
        page.leftList = in.left;
        page.rightList = in.right;
        page.bus = in.bus;
        switch (op) {
          case Op::WriteSingle:
            page.writeSingle();
            break;
          case Op::ReadSingle:
            page.readSingle();
            break;
          case Op::WriteAll:
            page.writeAll();
            break;
          case Op::ReadAll:
            page.readAll();
            break;
        }
        Fields out = in;
        out.device = page.deviceText;
        out.reg = page.registerText;
        out.value = page.valueText;
        out.left = page.leftList;
        out.right = page.rightList;
        return out;
      },
      [this](Fields out, CBoard*) { showFields(out); });
}

}  // namespace tav

RVdebug::RVdebug(tav::PageHost& host, QWidget* parent)
    : RegisterPageView(tav::RegisterPageKind::I2c, host, parent) {
  setObjectName(QStringLiteral("RVdebug"));
}

RVComDebug::RVComDebug(tav::PageHost& host, QWidget* parent)
    : RegisterPageView(tav::RegisterPageKind::General, host, parent) {
  setObjectName(QStringLiteral("RVComDebug"));
}
