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

// A number field whose value must fit [low, high]; otherwise a message naming the field and
// its range, and false.
bool CheckRange(tav::Notifier& notifier, const QLineEdit* edit, const QString& name,
                std::int64_t low, std::int64_t high) {
  const std::string text = u8(edit->text());
  bool fits = false;
  if (low >= 0) {
    fits = tav::ParseSizeField(text).has_value();
  } else if (auto v = tav::ParseIntegerField(text)) {
    fits = *v >= low && *v <= high;
  }
  if (fits) return true;
  const QString message = QObject::tr("%1必须是 %2 到 %3 之间的整数。")
                              .arg(name)
                              .arg(QString::number(low), QString::number(high));
  notifier.message(u8(message), tav::NoticeIcon::Warning);
  return false;
}

}  // namespace

namespace tav {

ServicePage::ServicePage(PageHost& host, QWidget* parent)
    : SettingsPage(host, parent), dataState_(new QLabel(this)) {
  dataState_->setObjectName(QStringLiteral("dataState"));
  dataState_->setText(tr("尚未从设备读到数据。"));
  dataState_->setTextFormat(Qt::PlainText);
  dataState_->setVisible(false);
}

void ServicePage::readDone(bool ok) {
  // A later failed read keeps what an earlier one showed.
  hasData_ = hasData_ || ok;
  dataState_->setVisible(!hasData_);
  if (apply_) apply_->setEnabled(hasData_);
}

}  // namespace tav

CRightView17::CRightView17(tav::PageHost& host, QWidget* parent)
    : ServicePage(host, parent), logic_(host.link(), host.notifier()) {
  setObjectName(QStringLiteral("CRightView17"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(qs(str(1146))));
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
  apply_ = addButton(buttons, tr("设置时间"), "setTime");
  auto* fromPc = addButton(buttons, tr("按当前时间设置"), "setFromPc");
  buttons->addStretch(1);
  column->addSpacing(8);
  column->addLayout(buttons);
  column->addWidget(dataState_);
  column->addStretch(1);
  for (QPushButton* b : {get, apply_, fromPc}) action().addButton(b);
  apply_->setEnabled(false);
  connect(get, &QPushButton::clicked, this, &CRightView17::getTime);
  connect(apply_, &QPushButton::clicked, this, &CRightView17::setTime);
  connect(fromPc, &QPushButton::clicked, this, &CRightView17::setFromPc);
}

void CRightView17::getTime() {
  CBoard* board = currentBoard();
  if (!board) return;
  runOnBoard(
      *board,
      [limits = limits](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) {
        tav::ClockSettings s(l, n);
        s.limits = limits;
        tav::ClockTime time;
        auto status = s.ReadBoard(copy.ContactAddress(), time);
        tav::ReportService(status, n);
        return std::pair{status, time};
      },
      [this](std::pair<tav::ServiceStatus, tav::ClockTime> r, CBoard*) {
        const bool ok = r.first == tav::ServiceStatus::Ok;
        if (ok) {
          logic_.Show(r.second);
          for (std::size_t i = 0; i < edits_.size(); ++i)
            edits_[i]->setText(qs(logic_.form.fields[i]));
        }
        readDone(ok);
      });
}

void CRightView17::setTime() {
  // The year and month go to the board as year - 1900 and month - 1.
  const std::pair<int, std::int64_t> lows[] = {{0, std::int64_t(INT32_MIN) + 1900},
                                               {1, std::int64_t(INT32_MIN) + 1}};
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    std::int64_t low = INT32_MIN;
    for (auto [at, l] : lows)
      if (std::size_t(at) == i) low = l;
    if (!CheckRange(notifier(), edits_[i], edits_[i]->accessibleName(), low, INT32_MAX)) return;
    logic_.form.fields[i] = u8(edits_[i]->text());
  }
  auto time = logic_.Read();
  CBoard* board = currentBoard();
  if (!time || !board) return;
  runOnBoard(
      *board,
      [limits = limits, t = *time](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) {
        tav::ClockSettings s(l, n);
        s.limits = limits;
        auto status = s.WriteBoard(copy.ContactAddress(), t);
        tav::ReportService(status, n);
        return status;
      },
      [](tav::ServiceStatus, CBoard*) {});
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
  column->addWidget(makeTitle(qs(str(1147))));

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
  apply_ = addButton(buttons, tr("更改OSD设置"), "setOsd");
  auto* reset = addButton(buttons, tr("恢复默认设置"), "defaults");
  buttons->addStretch(1);
  column->addSpacing(8);
  column->addLayout(buttons);
  column->addWidget(dataState_);
  column->addStretch(1);
  action().addButton(get);
  action().addButton(apply_);
  apply_->setEnabled(false);
  connect(get, &QPushButton::clicked, this, &CRightView18::getOsd);
  connect(apply_, &QPushButton::clicked, this, &CRightView18::setOsd);
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
  CBoard* board = currentBoard();
  if (!board) return;
  runOnBoard(
      *board,
      [limits = limits](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) {
        tav::OsdSettings s(l, n);
        s.limits = limits;
        tav::OverlayBlock block;
        auto status = s.ReadBoard(copy.ContactAddress(), block);
        tav::ReportService(status, n);
        return std::pair{status, block};
      },
      [this](std::pair<tav::ServiceStatus, tav::OverlayBlock> r, CBoard*) {
        const bool ok = r.first == tav::ServiceStatus::Ok;
        if (ok) {
          logic_.Show(r.second);
          showForm();
        }
        readDone(ok);
      });
}

void CRightView18::setOsd() {
  for (const Column* c : {&time_, &channelText_})
    for (QLineEdit* e : {c->transparency, c->background, c->x, c->y, c->scale})
      if (!CheckRange(notifier(), e, e->accessibleName(), INT32_MIN, INT32_MAX)) return;
  takeForm();
  auto block = logic_.Read();  // refuses texts longer than 64 units
  CBoard* board = currentBoard();
  if (!block || !board) return;
  runOnBoard(
      *board,
      [limits = limits, b = *block](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) {
        tav::OsdSettings s(l, n);
        s.limits = limits;
        auto status = s.WriteBoard(copy.ContactAddress(), b);
        tav::ReportService(status, n, "修改成功");
        return status;
      },
      [](tav::ServiceStatus, CBoard*) {});
}

void CRightView18::defaults() {
  logic_.Defaults();
  showForm();
}

CRightView19::CRightView19(tav::PageHost& host, QWidget* parent)
    : ServicePage(host, parent), logic_(host.link(), host.notifier()) {
  setObjectName(QStringLiteral("CRightView19"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(qs(str(1159))));
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
  apply_ = addButton(buttons, tr("设置"), "setStorage");
  buttons->addStretch(1);
  column->addSpacing(8);
  column->addLayout(buttons);
  column->addWidget(dataState_);
  column->addStretch(1);
  action().addButton(get);
  action().addButton(apply_);
  apply_->setEnabled(false);
  connect(get, &QPushButton::clicked, this, &CRightView19::getStorage);
  connect(apply_, &QPushButton::clicked, this, &CRightView19::setStorage);
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
  CBoard* board = currentBoard();
  if (!board) return;
  runOnBoard(
      *board,
      [limits = limits](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) {
        tav::StorageSettings s(l, n);
        s.limits = limits;
        tav::StorageReport report;
        auto status = s.ReadBoard(copy.ContactAddress(), report);
        tav::ReportService(status, n);
        return std::pair{status, report};
      },
      [this](std::pair<tav::ServiceStatus, tav::StorageReport> r, CBoard*) {
        const bool ok = r.first == tav::ServiceStatus::Ok;
        if (ok) {
          logic_.Show(r.second);
          showForm();
        }
        readDone(ok);
      });
}

void CRightView19::setStorage() {
  for (QLineEdit* e : {fileSize_, reserved_})
    if (!CheckRange(notifier(), e, e->accessibleName(), 0, UINT32_MAX)) return;
  logic_.form.fileSize = u8(fileSize_->text());
  logic_.form.reserved = u8(reserved_->text());
  auto settings = logic_.Read();
  CBoard* board = currentBoard();
  if (!settings || !board) return;
  runOnBoard(
      *board,
      [limits = limits, s = *settings](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) {
        tav::StorageSettings logic(l, n);
        logic.limits = limits;
        auto status = logic.WriteBoard(copy.ContactAddress(), s);
        tav::ReportService(status, n, "Set OK");
        return status;
      },
      [](tav::ServiceStatus, CBoard*) {});
}

CRightView15::CRightView15(tav::PageHost& host, QWidget* parent)
    : SettingsPage(host, parent), logic_(host.link(), host.notifier()) {
  setObjectName(QStringLiteral("CRightView15"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(qs(str(257))));
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
