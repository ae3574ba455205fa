#include <QBoxLayout>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

#include "device/board.h"
#include "device/notifier.h"
#include "pages/page_host.h"
#include "resources/string_table.h"
#include "video/video_views.h"

using tav::qs;
using tav::str;
using namespace tav::string_ids;
using tav::u8;

namespace {

constexpr std::int64_t kI32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kI32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kI16Min = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kI16Max = std::numeric_limits<std::int16_t>::max();
// The picture position record's u32 fields as typed: -1 (all ones) leaves a value as it is.
constexpr tav::FieldRange kWord32{kI32Min, kI32Max};
constexpr tav::FieldRange kWord16{kI16Min, kI16Max};

QLineEdit* Number(QWidget* parent, const char* name, const QString& accessible) {
  auto* e = new QLineEdit(QStringLiteral("0"), parent);
  e->setObjectName(QLatin1String(name));
  e->setAccessibleName(accessible);
  e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("-00000000000")) + 16);
  return e;
}

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setBuddy(buddy);
  return l;
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  return b;
}

// "长宽" width "X" height in one row.
QHBoxLayout* SizeRow(QLineEdit* width, QLineEdit* height, QWidget* parent) {
  auto* row = new QHBoxLayout;
  row->addWidget(width);
  row->addWidget(new QLabel(QStringLiteral("X"), parent));
  row->addWidget(height);
  row->addStretch(1);
  return row;
}

}  // namespace

// ---- customerSetting

QLineEdit* customerSetting::edit(const char* name, const QString& accessible) {
  return Number(this, name, accessible);
}

customerSetting::customerSetting(tav::PageHost& host, QWidget* parent)
    : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("customerSetting"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(QStringLiteral("自定义")));

  // "视频位置"
  auto* position = new QGroupBox(QStringLiteral("视频位置"), this);
  auto* pg = new QGridLayout(position);
  left_ = edit("left", QStringLiteral("左移"));
  up_ = edit("up", QStringLiteral("上移"));
  positionWidth_ = edit("positionWidth", QStringLiteral("长宽 宽"));
  positionHeight_ = edit("positionHeight", QStringLiteral("长宽 高"));
  pg->addWidget(Caption(QStringLiteral("左移"), left_, this), 0, 0);
  pg->addWidget(left_, 0, 1);
  pg->addWidget(Caption(QStringLiteral("上移"), up_, this), 0, 2);
  pg->addWidget(up_, 0, 3);
  pg->addWidget(Caption(QStringLiteral("长宽"), positionWidth_, this), 1, 0);
  pg->addLayout(SizeRow(positionWidth_, positionHeight_, this), 1, 1, 1, 3);
  auto* positionRefresh = Button(QStringLiteral("刷新"), "positionRefresh", this);
  auto* positionSet = Button(QStringLiteral("设置"), "positionSet", this);
  pg->addWidget(positionRefresh, 0, 4);
  pg->addWidget(positionSet, 1, 4);
  pg->setColumnStretch(5, 1);
  column->addWidget(position);

  // "采集参数"
  auto* capture = new QGroupBox(QStringLiteral("采集参数"), this);
  auto* cg = new QGridLayout(capture);
  blockLength_ = edit("blockLength", QStringLiteral("1blocklen"));
  lines_ = edit("lines", QStringLiteral("2lines"));
  vsyncWidth_ = edit("vsyncWidth", QStringLiteral("3vs width"));
  fieldLength_ = edit("fieldLength", QStringLiteral("4fieldlen"));
  type_ = edit("type", QStringLiteral("5Type"));
  int row = 0;
  for (auto [text, e] : {std::pair{QStringLiteral("1blocklen"), blockLength_},
                         {QStringLiteral("2lines "), lines_},
                         {QStringLiteral("3vs width"), vsyncWidth_},
                         {QStringLiteral("4fieldlen"), fieldLength_},
                         {QStringLiteral("5Type"), type_}}) {
    cg->addWidget(Caption(text, e, this), row, 0);
    cg->addWidget(e, row, 1);
    ++row;
  }
  width_ = edit("width", QStringLiteral("长x宽xHz 长"));
  height_ = edit("height", QStringLiteral("长x宽xHz 宽"));
  rate_ = edit("rate", QStringLiteral("长x宽xHz Hz"));
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(width_);
  sizeRow->addWidget(new QLabel(QStringLiteral("X"), this));
  sizeRow->addWidget(height_);
  sizeRow->addWidget(new QLabel(QStringLiteral("X"), this));
  sizeRow->addWidget(rate_);
  sizeRow->addStretch(1);
  cg->addWidget(Caption(QStringLiteral("长x宽xHz"), width_, this), row, 0);
  cg->addLayout(sizeRow, row++, 1, 1, 3);
  clock_ = edit("clock", QStringLiteral("像素时钟"));
  cg->addWidget(Caption(QStringLiteral("像素时钟"), clock_, this), row, 0);
  cg->addWidget(clock_, row, 1);
  auto* setClock = Button(QStringLiteral("单配C"), "setClock", this);
  cg->addWidget(setClock, row++, 2);
  maxWidth_ = edit("maxWidth", QStringLiteral("最大的WxH W"));
  maxHeight_ = edit("maxHeight", QStringLiteral("最大的WxH H"));
  cg->addWidget(Caption(QStringLiteral("最大的WxH"), maxWidth_, this), row, 0);
  cg->addLayout(SizeRow(maxWidth_, maxHeight_, this), row, 1);
  auto* setMaxWidth = Button(QStringLiteral("单配W"), "setMaxWidth", this);
  auto* setMaxHeight = Button(QStringLiteral("单配H"), "setMaxHeight", this);
  cg->addWidget(setMaxWidth, row, 2);
  cg->addWidget(setMaxHeight, row++, 3);
  offsetHori_ = edit("offsetHori", QStringLiteral("左右移+-511"));
  cg->addWidget(Caption(QStringLiteral("左右移+-511"), offsetHori_, this), row, 0);
  cg->addWidget(offsetHori_, row, 1);
  auto* setHori = Button(QStringLiteral("单配"), "setHorizontal", this);
  setHori->setAccessibleName(QStringLiteral("单配 左右移"));
  cg->addWidget(setHori, row++, 2);
  offsetVert_ = edit("offsetVert", QStringLiteral("上下移00-ff"));
  cg->addWidget(Caption(QStringLiteral("上下移00-ff"), offsetVert_, this), row, 0);
  cg->addWidget(offsetVert_, row, 1);
  auto* setVert = Button(QStringLiteral("单配"), "setVertical", this);
  setVert->setAccessibleName(QStringLiteral("单配 上下移"));
  cg->addWidget(setVert, row++, 2);
  auto* buttons = new QHBoxLayout;
  auto* quick = Button(QStringLiteral("速配"), "quickSet", this);
  auto* captureRefresh = Button(QStringLiteral("刷新"), "captureRefresh", this);
  auto* captureSet = Button(QStringLiteral("设置"), "captureSet", this);
  for (QPushButton* b : {quick, captureRefresh, captureSet}) buttons->addWidget(b);
  buttons->addStretch(1);
  cg->addLayout(buttons, row++, 0, 1, 4);
  cg->setColumnStretch(4, 1);
  column->addWidget(capture);

  info_ = new QLabel(qs(fields_.info), this);
  info_->setObjectName(QStringLiteral("info"));
  info_->setTextFormat(Qt::PlainText);
  info_->setAccessibleName(QStringLiteral("建议配置info"));
  column->addWidget(info_);
  column->addStretch(1);

  using P = tav::CapturePage;
  const std::pair<QPushButton*, bool (P::*)()> actions[] = {
      {positionRefresh, &P::refreshPosition},
      {positionSet, &P::setPosition},
      {captureRefresh, &P::refreshCapture},
      {captureSet, &P::setCapture},
      {setHori, &P::setHorizontalOffset},
      {setVert, &P::setVerticalOffset},
      {setMaxWidth, &P::setMaxWidth},
      {setMaxHeight, &P::setMaxHeight},
      {setClock, &P::setClock},
      {quick, &P::quickSet},
  };
  for (const auto& [button, act] : actions) {
    action().addButton(button);
    const bool isPosition = button == positionRefresh || button == positionSet;
    connect(button, &QPushButton::clicked, this,
            [this, act = act, isPosition] { run(act, isPosition); });
  }
}

bool customerSetting::takePosition() {
  tav::CaptureFields f = fields_;
  const NumberField all[] = {{left_, kWord32, &f.left},
                             {up_, kWord32, &f.up},
                             {positionWidth_, kWord32, &f.positionWidth},
                             {positionHeight_, kWord32, &f.positionHeight}};
  if (!readNumbers(all)) return false;
  fields_ = f;
  return true;
}

bool customerSetting::takeCapture() {
  tav::CaptureFields f = fields_;
  // Ranges of the record fields they are sent in (the measured ones: as the board reports).
  constexpr tav::FieldRange kU16{0, 65535}, kU32{0, kI32Max};
  const NumberField all[] = {
      {blockLength_, kU16, &f.blockLength},
      {lines_, kU16, &f.lines},
      {vsyncWidth_, kU16, &f.vsyncWidth},
      {fieldLength_, kU16, &f.fieldLength},
      {type_, kU32, &f.type},
      {width_, kU32, &f.width},
      {height_, kU32, &f.height},
      {rate_, kU32, &f.rate},
      {clock_, kU32, &f.clock},
      {maxWidth_, kU16, &f.maxWidth},
      {maxHeight_, kU16, &f.maxHeight},
      {offsetHori_, {-511, 511}, &f.offsetHori},
      {offsetVert_, {0, 255}, &f.offsetVert},
  };
  if (!readNumbers(all)) return false;
  fields_ = f;
  return true;
}

void customerSetting::showFields() {
  const std::pair<QLineEdit*, std::int32_t> all[] = {
      {left_, fields_.left},
      {up_, fields_.up},
      {positionWidth_, fields_.positionWidth},
      {positionHeight_, fields_.positionHeight},
      {blockLength_, fields_.blockLength},
      {lines_, fields_.lines},
      {vsyncWidth_, fields_.vsyncWidth},
      {fieldLength_, fields_.fieldLength},
      {type_, fields_.type},
      {width_, fields_.width},
      {height_, fields_.height},
      {rate_, fields_.rate},
      {clock_, fields_.clock},
      {maxWidth_, fields_.maxWidth},
      {maxHeight_, fields_.maxHeight},
      {offsetHori_, fields_.offsetHori},
      {offsetVert_, fields_.offsetVert},
  };
  for (const auto& [e, v] : all) e->setText(QString::number(v));
  info_->setText(qs(fields_.info));
}

void customerSetting::run(bool (tav::CapturePage::*act)(), bool positionFields) {
  // Refreshes take no fields; the position group's "设置" takes its four, the rest the
  // capture group.
  const bool takes =
      act != &tav::CapturePage::refreshPosition && act != &tav::CapturePage::refreshCapture;
  if (takes && !(positionFields ? takePosition() : takeCapture())) return;
  CBoard* board = currentBoard();
  if (!board) return;
  runOnBoard(
      *board,
      [act, fields = fields_](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) {
        tav::BoardChannels channels(copy, l);
        tav::CapturePage page(channels, n, copy.deviceType());
        page.fields = fields;
        (page.*act)();
        return page.fields;
      },
      [this](tav::CaptureFields f, CBoard*) {
        fields_ = std::move(f);
        showFields();
      });
}

// ---- CRightView6

CRightView6::CRightView6(tav::PageHost& host, QWidget* parent) : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CRightView6"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(QStringLiteral("视频位置")));
  auto* grid = new QGridLayout;
  width_ = Number(this, "width", QStringLiteral("宽度"));
  length_ = Number(this, "length", QStringLiteral("长度"));
  x_ = Number(this, "x", QStringLiteral("X坐标"));
  y_ = Number(this, "y", QStringLiteral("Y坐标"));
  horizontal_ = Number(this, "horizontal", QStringLiteral("左右位置"));
  vertical_ = Number(this, "vertical", QStringLiteral("上下位置"));
  hSpacing_ = Number(this, "horizontalSpacing", QStringLiteral("水平间隔"));
  vSpacing_ = Number(this, "verticalSpacing", QStringLiteral("垂直间隔"));
  const std::pair<QString, QLineEdit*> cells[] = {
      {QStringLiteral("宽度"), width_},
      {QStringLiteral("长度"), length_},
      {QStringLiteral("X坐标"), x_},
      {QStringLiteral("Y坐标"), y_},
      {QStringLiteral("左右位置"), horizontal_},
      {QStringLiteral("上下位置"), vertical_},
      {QStringLiteral("水平间隔"), hSpacing_},
      {QStringLiteral("垂直间隔"), vSpacing_},
  };
  for (int i = 0; i < 8; ++i) {
    grid->addWidget(Caption(cells[i].first, cells[i].second, this), i / 2, (i % 2) * 2);
    grid->addWidget(cells[i].second, i / 2, (i % 2) * 2 + 1);
  }
  grid->setColumnStretch(4, 1);
  column->addLayout(grid);
  auto* buttons = new QHBoxLayout;
  refresh_ = addButton(buttons, QStringLiteral("刷新"), "refresh");
  apply_ = addButton(buttons, QStringLiteral("应用"), "apply");
  buttons->addStretch(1);
  column->addLayout(buttons);

  auto* registers = new QGroupBox(QStringLiteral("寄存器读写"), this);
  auto* rg = new QHBoxLayout(registers);
  address_ = new QLineEdit(registers);
  address_->setObjectName(QStringLiteral("address"));
  address_->setAccessibleName(QStringLiteral("地址 0x"));
  address_->setMaxLength(16);
  value_ = new QLineEdit(registers);
  value_->setObjectName(QStringLiteral("value"));
  value_->setAccessibleName(QStringLiteral("值 0x"));
  value_->setMaxLength(16);
  for (QLineEdit* e : {address_, value_})
    e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 16);
  rg->addWidget(Caption(QStringLiteral("地址 0x"), address_, this));
  rg->addWidget(address_);
  rg->addWidget(Caption(QStringLiteral("值 0x"), value_, this));
  rg->addWidget(value_);
  read_ = Button(QStringLiteral("读"), "read", this);
  write_ = Button(QStringLiteral("写"), "write", this);
  rg->addWidget(read_);
  rg->addWidget(write_);
  rg->addStretch(1);
  column->addWidget(registers);
  column->addStretch(1);

  for (QPushButton* b : {refresh_, apply_, read_, write_}) action().addButton(b);
  for (QWidget* w : {width_, length_, x_, y_}) w->setEnabled(false);  // as the board's form
  for (QWidget* w :
       {static_cast<QWidget*>(apply_), static_cast<QWidget*>(read_), static_cast<QWidget*>(write_)})
    w->setEnabled(false);
  connect(refresh_, &QPushButton::clicked, this, &CRightView6::refresh);
  connect(apply_, &QPushButton::clicked, this, &CRightView6::apply);
  connect(read_, &QPushButton::clicked, this, &CRightView6::readRegister);
  connect(write_, &QPushButton::clicked, this, &CRightView6::writeRegister);
}

bool CRightView6::takeFields() {
  tav::PositionFields f = fields_;
  // The record holds 16-bit fields; the horizontal position is stored with the 1174 origin.
  const std::int64_t origin = tav::kHorizontalOrigin;
  const NumberField all[] = {
      {width_, kWord16, &f.width},
      {length_, kWord16, &f.length},
      {x_, kWord16, &f.x},
      {y_, kWord16, &f.y},
      {horizontal_, {kI16Min - origin, kI16Max - origin}, &f.horizontal},
      {vertical_, kWord16, &f.vertical},
      {hSpacing_, kWord16, &f.horizontalSpacing},
      {vSpacing_, kWord16, &f.verticalSpacing},
  };
  if (!readNumbers(all)) return false;
  f.address = u8(address_->text());
  f.value = u8(value_->text());
  fields_ = f;
  return true;
}

void CRightView6::showFields() {
  const std::pair<QLineEdit*, std::int32_t> all[] = {
      {width_, fields_.width},
      {length_, fields_.length},
      {x_, fields_.x},
      {y_, fields_.y},
      {horizontal_, fields_.horizontal},
      {vertical_, fields_.vertical},
      {hSpacing_, fields_.horizontalSpacing},
      {vSpacing_, fields_.verticalSpacing},
  };
  for (const auto& [e, v] : all) e->setText(QString::number(v));
  address_->setText(qs(fields_.address));
  value_->setText(qs(fields_.value));
}

template <class Action>
void CRightView6::run(Action act) {
  CBoard* board = currentBoard();
  if (!board) {
    reportPlain(str(kStrStatusReadFailed));
    return;
  }
  runOnBoard(
      *board,
      [act, fields = fields_](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) {
        tav::BoardChannels channels(copy, l);
        tav::PositionPage page(l, channels, n, copy);
        page.fields = fields;
        const bool ok = act(page);
        return std::pair{ok, page.fields};
      },
      [this](std::pair<bool, tav::PositionFields> r, CBoard*) {
        fields_ = std::move(r.second);
        showFields();
      });
}

void CRightView6::refresh() {
  CBoard* board = boardForRead();
  if (!board) return;
  runOnBoard(
      *board,
      [fields = fields_](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) {
        tav::BoardChannels channels(copy, l);
        tav::PositionPage page(l, channels, n, copy);
        page.fields = fields;
        const bool ok = page.refresh();
        return std::pair{ok, page.fields};
      },
      [this](std::pair<bool, tav::PositionFields> r, CBoard*) {
        markBoardRead(r.first);
        if (!r.first) return;  // fields unchanged
        fields_ = std::move(r.second);
        showFields();
        const bool on = fields_.enabled;
        for (QWidget* w : {static_cast<QWidget*>(refresh_), static_cast<QWidget*>(apply_),
                           static_cast<QWidget*>(read_), static_cast<QWidget*>(write_),
                           static_cast<QWidget*>(address_), static_cast<QWidget*>(value_)})
          w->setEnabled(on);
        for (QWidget* w : {horizontal_, vertical_, hSpacing_, vSpacing_})
          w->setEnabled(on && fields_.positionEnabled);
        for (QWidget* w : {x_, y_}) w->setEnabled(on && fields_.coordinatesEnabled);
        for (QWidget* w : {width_, length_}) w->setEnabled(false);
      });
}

void CRightView6::apply() {
  if (!takeFields()) return;
  run([](tav::PositionPage& p) {
    p.apply();
    return true;
  });
}

void CRightView6::readRegister() {
  if (!takeFields()) return;
  run([](tav::PositionPage& p) { return p.readRegister(); });
}

void CRightView6::writeRegister() {
  if (!takeFields()) return;
  // A value that is not a hexadecimal number is refused here rather than sent as 0.
  const auto value = tav::ParseHexField(fields_.value);
  if (!value) {
    notifier().message(u8(tr("值 0x：请输入 0-FFFFFFFF 之间的十六进制数。")),
                       tav::NoticeIcon::Warning);
    return;
  }
  run([](tav::PositionPage& p) { return p.writeRegister(); });
}

// ---- CRightView16

CRightView16::CRightView16(tav::PageHost& host, QWidget* parent) : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CRightView16"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(QStringLiteral("视频位置")));
  auto* group = new QGroupBox(QStringLiteral("视频位置"), this);
  auto* g = new QGridLayout(group);
  left_ = Number(this, "left", QStringLiteral("左移"));
  up_ = Number(this, "up", QStringLiteral("上移"));
  width_ = Number(this, "width", QStringLiteral("长宽 宽"));
  height_ = Number(this, "height", QStringLiteral("长宽 高"));
  g->addWidget(Caption(QStringLiteral("左移"), left_, this), 0, 0);
  g->addWidget(left_, 0, 1);
  g->addWidget(Caption(QStringLiteral("上移"), up_, this), 0, 2);
  g->addWidget(up_, 0, 3);
  g->addWidget(Caption(QStringLiteral("长宽"), width_, this), 1, 0);
  g->addLayout(SizeRow(width_, height_, this), 1, 1, 1, 3);
  g->setColumnStretch(4, 1);
  column->addWidget(group);
  auto* buttons = new QHBoxLayout;
  auto* refresh = addButton(buttons, QStringLiteral("刷新"), "refresh");
  set_ = addButton(buttons, QStringLiteral("设置"), "set");
  auto* clear = addButton(buttons, QStringLiteral("清空设置"), "clear");
  buttons->addStretch(1);
  column->addLayout(buttons);
  column->addStretch(1);
  for (QPushButton* b : {refresh, set_, clear}) action().addButton(b);
  // "设置" writes the fields back: only once they hold the board's values. "清空设置" sends
  // fixed values and stays usable.
  set_->setEnabled(false);
  keepUsable(clear);
  connect(refresh, &QPushButton::clicked, this, &CRightView16::read);
  connect(set_, &QPushButton::clicked, this, &CRightView16::write);
  connect(clear, &QPushButton::clicked, this, &CRightView16::clear);
}

bool CRightView16::takeFields(tav::PicturePosition& p) {
  const NumberField all[] = {{up_, kWord32, &p.up},
                             {left_, kWord32, &p.left},
                             {width_, kWord32, &p.width},
                             {height_, kWord32, &p.height}};
  return readNumbers(all);
}

void CRightView16::showFields() {
  up_->setText(QString::number(fields_.up));
  left_->setText(QString::number(fields_.left));
  width_->setText(QString::number(fields_.width));
  height_->setText(QString::number(fields_.height));
}

void CRightView16::run(bool (tav::AdvancedPositionPage::*act)(), tav::PicturePosition fields,
                       bool showResult) {
  CBoard* board = currentBoard();
  if (!board) return;
  runOnBoard(
      *board,
      [act, fields](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) {
        tav::BoardChannels channels(copy, l);
        tav::AdvancedPositionPage page(channels, n);
        page.fields = fields;
        const bool ok = (page.*act)();
        return std::pair{ok, page.fields};
      },
      [this, showResult](std::pair<bool, tav::PicturePosition> r, CBoard*) {
        if (!showResult) return;
        markBoardRead(r.first);
        if (!r.first) return;
        fields_ = r.second;
        showFields();
        set_->setEnabled(true);
      });
}

void CRightView16::read() {
  run(&tav::AdvancedPositionPage::read, fields_, true);
}

void CRightView16::write() {
  tav::PicturePosition p;
  if (!takeFields(p)) return;
  fields_ = p;
  run(&tav::AdvancedPositionPage::write, p, false);
}

void CRightView16::clear() {
  run(&tav::AdvancedPositionPage::clear, fields_, false);
}
