#include "pages/service_pages.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <climits>
#include <cstdint>
#include <utility>

#include "device/board.h"
#include "pages/field_text.h"
#include "pages/page_host.h"
#include "resources/string_table.h"

using tav::qs;
using tav::str;
using namespace tav::string_ids;
using tav::u8;

namespace {

QLineEdit* Edit(QWidget* parent, const char* name, const QString& accessible, int chars = 8) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setAccessibleName(accessible);
  e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QString(chars, QLatin1Char('0'))) + 16);
  return e;
}

QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setTextFormat(Qt::PlainText);
  return l;
}

// A field with a unit or hint after it.
QWidget* WithSuffix(QWidget* field, const QString& suffix, QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(field);
  row->addWidget(PlainLabel(suffix, box));
  row->addStretch(1);
  return box;
}

}  // namespace

namespace tav {

void ServicePage::setButtons(QPushButton* read, QPushButton* set) {
  set_ = set;
  keepUsable(read);
  setNoDataText(tr("没有设备数据：读取设备参数失败，请检查设备后按“%1”重试。").arg(read->text()));
  action().addButton(read);
  action().addButton(set);
  set->setEnabled(false);  // until a read brought the board's values
}

}  // namespace tav

CRightView17::CRightView17(tav::PageHost& host, QWidget* parent)
    : ServicePage(host, parent), logic_(host.link(), host.notifier()) {
  setObjectName(QStringLiteral("CRightView17"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(qs(str(kStrClockPage))));
  auto* row = new QHBoxLayout;
  auto* heading = PlainLabel(tr("设备时间"), this);
  row->addWidget(heading);
  const char* names[] = {"year", "month", "day", "hour", "minute", "second"};
  const QString units[] = {tr("年"), tr("月"), tr("日"), tr("时"), tr("分"), tr("秒")};
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    edits_[i] = Edit(this, names[i], tr("设备时间") + QLatin1Char(' ') + units[i], i == 0 ? 6 : 4);
    row->addWidget(edits_[i]);
    auto* unit = PlainLabel(units[i], this);
    unit->setBuddy(edits_[i]);
    row->addWidget(unit);
  }
  heading->setBuddy(edits_[0]);
  row->addStretch(1);
  column->addLayout(row);
  auto* buttons = new QHBoxLayout;
  auto* get = addButton(buttons, tr("获取时间"), "getTime");
  auto* set = addButton(buttons, tr("设置时间"), "setTime");
  auto* fromPc = addButton(buttons, tr("按当前时间设置"), "setFromPc");
  buttons->addStretch(1);
  column->addSpacing(8);
  column->addLayout(buttons);
  column->addStretch(1);
  setButtons(get, set);
  action().addButton(fromPc);
  connect(get, &QPushButton::clicked, this, &CRightView17::getTime);
  connect(set, &QPushButton::clicked, this, &CRightView17::setTime);
  connect(fromPc, &QPushButton::clicked, this, &CRightView17::setFromPc);
}

void CRightView17::getTime() {
  readBlock<tav::ClockSettings, tav::ClockTime>([this](const tav::ClockTime& time) {
    logic_.Show(time);
    for (std::size_t i = 0; i < edits_.size(); ++i) edits_[i]->setText(qs(logic_.form.fields[i]));
  });
}

void CRightView17::setTime() {
  // The record's i32 fields hold year - 1900 and month - 1; the other parts are held to a
  // calendar's ranges, so the board is never sent a 25th hour.
  constexpr tav::FieldRange kRanges[] = {
      {std::int64_t(INT32_MIN) + 1900, INT32_MAX}, {1, 12}, {1, 31}, {0, 23}, {0, 59}, {0, 59}};
  tav::ClockTime time;
  int* parts[] = {&time.year, &time.month, &time.day, &time.hour, &time.minute, &time.second};
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    std::int32_t v = 0;
    if (!readInt(edits_[i], v, u8(edits_[i]->accessibleName()), kRanges[i])) return;
    *parts[i] = v;
  }
  writeBlock<tav::ClockSettings>(time);
}

void CRightView17::setFromPc() {
  logic_.Show(pcClock());
  for (std::size_t i = 0; i < edits_.size(); ++i) edits_[i]->setText(qs(logic_.form.fields[i]));
  setTime();
}

CRightView18::CRightView18(tav::PageHost& host, QWidget* parent)
    : ServicePage(host, parent), logic_(host.link(), host.notifier()) {
  setObjectName(QStringLiteral("CRightView18"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(qs(str(kStrOsdPage))));

  auto* channelRow = new QHBoxLayout;
  auto* channelLabel = PlainLabel(tr("时间OSD"), this);
  channel_ = new QComboBox(this);
  channel_->setObjectName(QStringLiteral("channel"));
  channel_->setAccessibleName(tr("时间OSD"));
  for (const std::string& name : tav::OverlayChannelNames()) channel_->addItem(qs(name));
  channelLabel->setBuddy(channel_);
  channelRow->addWidget(channelLabel);
  channelRow->addWidget(channel_);
  channelRow->addStretch(1);
  column->addLayout(channelRow);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(16);
  const QString heads[2] = {tr("时间"), tr("通道文字")};
  grid->addWidget(PlainLabel(heads[0], this), 0, 1);
  grid->addWidget(PlainLabel(heads[1], this), 0, 2);
  const QString examples[2] = {tr("(工作时间、放假时间)"), tr("(办公室1、办公室2)")};
  Column* columns[2] = {&time_, &channelText_};
  const char* prefixes[2] = {"time", "channelText"};
  const QString rows[] = {tr("是否显示："),   tr("标志文字："),     tr("透  明  度："),
                          tr("背景透明度："), tr("坐        标："), QString(),
                          tr("文字颜色："),   tr("缩        放：")};
  for (int r = 0; r < 8; ++r)
    if (!rows[r].isEmpty()) grid->addWidget(PlainLabel(rows[r], this), r + 1, 0);
  for (int c = 0; c < 2; ++c) {
    Column& col = *columns[c];
    const QString p = QLatin1String(prefixes[c]);
    auto name = [&](const char* field) { return (p + QLatin1String(field)).toLatin1(); };
    auto acc = [&](const QString& row) { return heads[c] + QLatin1Char(' ') + row.simplified(); };
    col.shown = new QCheckBox(this);
    col.shown->setObjectName(QString::fromLatin1(name("Shown")));
    col.shown->setAccessibleName(acc(tr("是否显示")));
    col.text = Edit(this, name("Text").constData(), acc(tr("标志文字")), 20);
    col.transparency = Edit(this, name("Transparency").constData(), acc(tr("透明度")));
    col.background = Edit(this, name("Background").constData(), acc(tr("背景透明度")));
    col.x = Edit(this, name("X").constData(), acc(QStringLiteral("X")));
    col.y = Edit(this, name("Y").constData(), acc(QStringLiteral("Y")));
    col.scale = Edit(this, name("Scale").constData(), acc(tr("缩放")));
    col.colour = new QComboBox(this);
    col.colour->setObjectName(QString::fromLatin1(name("Colour")));
    col.colour->setAccessibleName(acc(tr("文字颜色")));
    for (const std::string& colour : tav::OverlayColourNames()) col.colour->addItem(qs(colour));

    auto* textCell = new QWidget(this);
    auto* textBox = new QVBoxLayout(textCell);
    textBox->setContentsMargins(0, 0, 0, 0);
    textBox->setSpacing(2);
    textBox->addWidget(col.text);
    textBox->addWidget(PlainLabel(examples[c], textCell));

    const int gc = c + 1;
    grid->addWidget(col.shown, 1, gc);
    grid->addWidget(textCell, 2, gc);
    grid->addWidget(WithSuffix(col.transparency, tr("(0为不透明)"), this), 3, gc);
    grid->addWidget(WithSuffix(col.background, QString(), this), 4, gc);
    grid->addWidget(WithSuffix(col.x, QStringLiteral("X"), this), 5, gc);
    grid->addWidget(WithSuffix(col.y, QStringLiteral("Y"), this), 6, gc);
    grid->addWidget(col.colour, 7, gc, Qt::AlignLeft);
    grid->addWidget(WithSuffix(col.scale, QStringLiteral("%"), this), 8, gc);
  }
  grid->setColumnStretch(3, 1);
  column->addLayout(grid);

  auto* buttons = new QHBoxLayout;
  auto* get = addButton(buttons, tr("获取OSD设置"), "getOsd");
  auto* set = addButton(buttons, tr("更改OSD设置"), "setOsd");
  auto* reset = addButton(buttons, tr("恢复默认设置"), "defaults");
  buttons->addStretch(1);
  column->addSpacing(8);
  column->addLayout(buttons);
  column->addStretch(1);
  setButtons(get, set);
  connect(get, &QPushButton::clicked, this, &CRightView18::getOsd);
  connect(set, &QPushButton::clicked, this, &CRightView18::setOsd);
  connect(reset, &QPushButton::clicked, this, &CRightView18::defaults);
}

void CRightView18::showForm() {
  const tav::OsdForm& f = logic_.form;
  channel_->setCurrentIndex(f.channel);
  auto show = [](Column& c, const tav::OverlayFields& v) {
    c.shown->setChecked(v.shown);
    c.text->setText(qs(v.text));
    c.transparency->setText(qs(v.transparency));
    c.background->setText(qs(v.background));
    c.x->setText(qs(v.x));
    c.y->setText(qs(v.y));
    c.scale->setText(qs(v.scale));
    c.colour->setCurrentIndex(v.colour);
  };
  show(time_, f.time);
  show(channelText_, f.channelText);
}

void CRightView18::takeForm() {
  tav::OsdForm& f = logic_.form;
  f.channel = channel_->currentIndex();
  auto take = [](const Column& c, tav::OverlayFields& v) {
    v.shown = c.shown->isChecked();
    v.text = u8(c.text->text());
    v.transparency = u8(c.transparency->text());
    v.background = u8(c.background->text());
    v.x = u8(c.x->text());
    v.y = u8(c.y->text());
    v.scale = u8(c.scale->text());
    v.colour = c.colour->currentIndex();
  };
  take(time_, f.time);
  take(channelText_, f.channelText);
}

void CRightView18::getOsd() {
  readBlock<tav::OsdSettings, tav::OverlayBlock>([this](const tav::OverlayBlock& block) {
    logic_.Show(block);
    showForm();
  });
}

void CRightView18::setOsd() {
  // The descriptor's fields are i32.
  constexpr tav::FieldRange kI32{INT32_MIN, INT32_MAX};
  std::int32_t v = 0;
  for (const Column* c : {&time_, &channelText_})
    for (QLineEdit* e : {c->transparency, c->background, c->x, c->y, c->scale})
      if (!readInt(e, v, u8(e->accessibleName()), kI32)) return;
  takeForm();
  auto block = logic_.Read();  // refuses texts longer than 64 units
  if (block) writeBlock<tav::OsdSettings>(*block, "修改成功");
}

void CRightView18::defaults() {
  logic_.Defaults();
  showForm();
}

CRightView19::CRightView19(tav::PageHost& host, QWidget* parent)
    : ServicePage(host, parent), logic_(host.link(), host.notifier()) {
  setObjectName(QStringLiteral("CRightView19"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(qs(str(kStrStoragePage))));
  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  fileSize_ = Edit(this, "fileSize", QString(), 11);
  reserved_ = Edit(this, "reserved", QString(), 11);
  addRow(form, tr("单个文件大小："), WithSuffix(fileSize_, QStringLiteral("MB"), this));
  addRow(form, tr("磁盘预留空间："), WithSuffix(reserved_, QStringLiteral("MB"), this));
  fileSize_->setAccessibleName(tr("单个文件大小"));
  reserved_->setAccessibleName(tr("磁盘预留空间"));
  save_ = new QCheckBox(tr("保存"), this);
  save_->setObjectName(QStringLiteral("save"));
  save_->setAccessibleName(tr("保存"));
  form->addRow(save_);
  column->addLayout(form);
  report_ = new QPlainTextEdit(this);
  report_->setObjectName(QStringLiteral("report"));
  report_->setAccessibleName(tr("存储状态"));
  report_->setReadOnly(true);
  report_->setTabStopDistance(
      report_->fontMetrics().horizontalAdvance(QStringLiteral("Record size: ")));
  report_->setMaximumHeight(report_->fontMetrics().lineSpacing() * 6 + 16);
  column->addWidget(report_);
  auto* buttons = new QHBoxLayout;
  auto* get = addButton(buttons, tr("获取"), "getStorage");
  auto* set = addButton(buttons, tr("设置"), "setStorage");
  buttons->addStretch(1);
  column->addSpacing(8);
  column->addLayout(buttons);
  column->addStretch(1);
  setButtons(get, set);
  connect(get, &QPushButton::clicked, this, &CRightView19::getStorage);
  connect(set, &QPushButton::clicked, this, &CRightView19::setStorage);
  connect(save_, &QCheckBox::clicked, this, [this] {
    logic_.ToggleSave();
    save_->setChecked(logic_.form.save);
  });
}

void CRightView19::showForm() {
  fileSize_->setText(qs(logic_.form.fileSize));
  reserved_->setText(qs(logic_.form.reserved));
  save_->setChecked(logic_.form.save);
  // The report's line ends are the board tool's "\r\n"; the view wants "\n".
  report_->setPlainText(qs(logic_.form.report).remove(QLatin1Char('\r')));
}

void CRightView19::getStorage() {
  readBlock<tav::StorageSettings, tav::StorageReport>([this](const tav::StorageReport& report) {
    logic_.Show(report);
    showForm();
  });
}

void CRightView19::setStorage() {
  // Sizes in MB, u32 fields.
  constexpr tav::FieldRange kU32{0, UINT32_MAX};
  std::int64_t fileSize = 0, reserved = 0;
  if (!readInt(fileSize_, fileSize, u8(fileSize_->accessibleName()), kU32) ||
      !readInt(reserved_, reserved, u8(reserved_->accessibleName()), kU32))
    return;
  writeBlock<tav::StorageSettings>(
      tav::StorageSetting{std::uint32_t(fileSize), std::uint32_t(reserved), logic_.saveSwitch()},
      "Set OK");
}

CRightView15::CRightView15(tav::PageHost& host, QWidget* parent)
    : SettingsPage(host, parent), logic_(host.link(), host.notifier()) {
  setObjectName(QStringLiteral("CRightView15"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(qs(str(kStrChangePassword))));
  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  user_ = Edit(this, "user", QString(), 20);
  password_ = Edit(this, "password", QString(), 20);
  password_->setEchoMode(QLineEdit::Password);
  addRow(form, tr("新用户名"), user_);
  addRow(form, tr("新密码"), password_);
  column->addLayout(form);
  auto* buttons = new QHBoxLayout;
  change_ = addButton(buttons, tr("更改密码"), "changePassword");
  buttons->addStretch(1);
  column->addSpacing(8);
  column->addLayout(buttons);
  kindNote_ = PlainLabel(tr("编码板的登录密码不能在这里更改。"), this);
  kindNote_->setObjectName(QStringLiteral("kindNote"));
  kindNote_->setVisible(false);
  column->addWidget(kindNote_);
  column->addStretch(1);
  action().addButton(change_);
  user_->setText(QString::fromLatin1(tav::kDefaultLoginUser));
  password_->setText(QString::fromLatin1(tav::kDefaultLoginPassword));
  connect(change_, &QPushButton::clicked, this, &CRightView15::changePassword);
}

void CRightView15::onInitialUpdate() {
  CBoard* board = currentBoard();
  logic_.Load(board ? board->deviceType() : 0);
  if (!board) logic_.form.enabled = false;
  user_->setText(qs(logic_.form.user));
  password_->setText(qs(logic_.form.password));
  for (QWidget* w : {static_cast<QWidget*>(user_), static_cast<QWidget*>(password_),
                     static_cast<QWidget*>(change_)})
    w->setEnabled(logic_.form.enabled);
  kindNote_->setVisible(board && !logic_.form.enabled);
}

void CRightView15::changePassword() {
  CBoard* board = currentBoard();
  if (!board || !logic_.form.enabled) return;
  logic_.form.user = u8(user_->text());
  logic_.form.password = u8(password_->text());
  // A line break, '=' or NUL would give the board's login file other lines: sent as nothing.
  if (!tav::CredentialBytes(logic_.form.user) || !tav::CredentialBytes(logic_.form.password)) {
    notifier().message(tav::kCredentialRefused, tav::NoticeIcon::Warning);
    return;
  }
  runOnBoard(
      *board,
      [form = logic_.form, limits = limits, sleep = sleep](CBoard& copy, tav::BoardLink& l,
                                                           tav::Notifier& n) {
        tav::PasswordSettings s(l, n);
        s.form = form;
        s.limits = limits;
        s.sleep = sleep;
        return s.Change(copy.ContactAddress());
      },
      [](tav::PasswordResult, CBoard*) {});
}
