#include "pages/simple_pages.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "device/board.h"
#include "pages/page_host.h"
#include "resources/string_table.h"

namespace {

QLineEdit* NumberEdit(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("0000000000000")) + 16);
  return e;
}

QCheckBox* Check(const QString& text, QWidget* parent, const char* name) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(QLatin1String(name));
  return c;
}

}  // namespace

namespace tav {

RecordPageView::RecordPageView(RecordPage page, PageHost& host, QWidget* parent)
    : SettingsPage(host, parent),
      values_(LayoutOf(page).fields.size(), 0),
      column_(new QVBoxLayout(this)),
      form_(new QFormLayout),
      buttons_(new QHBoxLayout),
      page_(page) {
  form_->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  refreshButton_ = addButton(buttons_, QStringLiteral("刷新"), "refresh");
  applyButton_ = addButton(buttons_, QStringLiteral("应用"), "apply");
  buttons_->addStretch(1);
  addTypeControl(applyButton_);
  action().addButton(refreshButton_);
  action().addButton(applyButton_);
  connect(refreshButton_, &QPushButton::clicked, this, &RecordPageView::refresh);
  connect(applyButton_, &QPushButton::clicked, this, &RecordPageView::apply);
}

void RecordPageView::finishLayout() {
  column_->addLayout(form_);
  column_->addSpacing(8);
  column_->addLayout(buttons_);
  column_->addStretch(1);
}

void RecordPageView::bindEdit(std::size_t field, QLineEdit* edit) {
  bindings_.push_back({field, edit, nullptr});
  addTypeControl(edit);
}

void RecordPageView::bindCheck(std::size_t field, QCheckBox* check) {
  bindings_.push_back({field, nullptr, check});
  addTypeControl(check);
}

bool RecordPageView::takeValues() {
  FieldValues values = values_;
  std::vector<std::size_t> editable;
  for (const Binding& b : bindings_) {
    if (b.edit && !readInt(b.edit, values[b.field])) return false;
    // A value left as the board sent it goes back as it is, whatever it is.
    if (b.edit && b.edit->isEnabled() && values[b.field] != values_[b.field])
      editable.push_back(b.field);
    if (b.check) values[b.field] = b.check->isChecked() ? 1 : 0;
  }
  // What the user changed must fit its record field and make sense to the board.
  auto plan = PlanRecordPage(page_, values, editable);
  if (!plan) {
    notifier().message(plan.refusal(), NoticeIcon::Warning);
    return false;
  }
  values_ = std::move(values);
  plan_ = std::move(*plan);
  return true;
}

void RecordPageView::showValues() {
  for (const Binding& b : bindings_) {
    if (b.edit) b.edit->setText(QString::number(values_[b.field]));
    if (b.check) b.check->setChecked(values_[b.field] != 0);
  }
}

void RecordPageView::keepDisabled(QWidget* control) {
  readOnly_.push_back(control);
  control->setEnabled(false);
}

void RecordPageView::setTypeEnabled(bool on) {
  for (QWidget* w : typeControls_)
    w->setEnabled(on && std::find(readOnly_.begin(), readOnly_.end(), w) == readOnly_.end());
}

void RecordPageView::refresh() {
  CBoard* board = currentBoard();
  if (DecidesTypeBeforeRead(page_) && board && !PageApplies(page_, board->deviceType())) {
    setTypeEnabled(false);
    return;
  }
  refreshStatus(str(TextsOf(page_).refreshOk), [this](CBoard& b) {
    bool applies = PageApplies(page_, b.deviceType());
    setTypeEnabled(applies);
    if (!applies) return;
    values_ = ReadFields(page_, b.statusBlock());
    showValues();
  });
}

void RecordPageView::apply() {
  // A field that does not parse stops the apply: the board is not sent values the user did not
  // mean.
  if (!takeValues()) return;
  const PageTexts t = TextsOf(page_);
  CBoard* board = currentBoard();
  if (!board) {
    report(str(t.applyFail), NoticeIcon::Error);
    return;
  }
  runOnBoard(
      *board,
      [page = page_, plan = plan_](CBoard& copy, BoardLink& l, Notifier&) {
        return WriteRecordPage(copy, page, plan, l);
      },
      [this, t, sent = plan_.values](int rc, CBoard*) {
        values_ = sent;
        if (rc == 0)
          report(str(t.applyOk), NoticeIcon::Information);
        else
          report(str(t.applyFail), NoticeIcon::Error);
        showValues();
      });
}

}  // namespace tav

using tav::str;
using namespace tav::string_ids;

CRightView3::CRightView3(tav::PageHost& host, QWidget* parent)
    : RecordPageView(tav::RecordPage::VideoEncoding, host, parent) {
  setObjectName(QStringLiteral("CRightView3"));
  namespace v = tav::video;
  column_->addWidget(makeTitle(QString::fromUtf8(str(kStrVideoEncodingPage))));
  width_ = NumberEdit(this, "width");
  height_ = NumberEdit(this, "height");
  width_->setAccessibleName(QStringLiteral("视频大小 宽"));
  height_->setAccessibleName(QStringLiteral("视频大小 高"));
  unlock_ = new QPushButton(QStringLiteral("修改长宽"), this);
  unlock_->setObjectName(QStringLiteral("unlockSize"));
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(width_);
  sizeRow->addWidget(new QLabel(QStringLiteral("X"), this));
  sizeRow->addWidget(height_);
  sizeRow->addWidget(unlock_);
  auto* sizeLabel = new QLabel(QStringLiteral("视频大小"), this);
  sizeLabel->setBuddy(width_);
  form_->addRow(sizeLabel, sizeRow);
  auto* frameRate = NumberEdit(this, "frameRate");
  auto* bitRate = NumberEdit(this, "bitRate");
  auto* iFrame = NumberEdit(this, "iFrameInterval");
  addRow(form_, QStringLiteral("帧率(FPS)"), frameRate);
  addRow(form_, QStringLiteral("码率(kbps)"), bitRate);
  addRow(form_, QStringLiteral("I帧间隔"), iFrame);
  auto* cbr = Check(QStringLiteral("CBR"), this, "cbr");
  auto* enable = Check(QStringLiteral("视频使能"), this, "enable");
  form_->addRow(cbr);
  form_->addRow(enable);
  // Taken in the order of the boards' form: size, then rate fields, then the boxes.
  bindEdit(v::kWidth, width_);
  bindEdit(v::kHeight, height_);
  bindEdit(v::kFrameRate, frameRate);
  bindEdit(v::kBitRate, bitRate);
  bindEdit(v::kIFrameInterval, iFrame);
  bindCheck(v::kCbr, cbr);
  bindCheck(v::kEnable, enable);
  addTypeControl(unlock_);
  width_->setEnabled(false);
  height_->setEnabled(false);
  connect(unlock_, &QPushButton::clicked, this, &CRightView3::unlockSize);
  finishLayout();
}

void CRightView3::unlockSize() {
  sizeUnlocked_ = notifier().question(
      {"确认是否强制修改长宽\n高级功能，请在厂商指导下使用!\n注意：长宽不能任意修改\n "
       "不正确的长宽可能造成程序无法正常运行!",
       "Tavmon", tav::AskButtons::OkCancel});
  width_->setEnabled(sizeUnlocked_);
  height_->setEnabled(sizeUnlocked_);
}

void CRightView3::setTypeEnabled(bool on) {
  RecordPageView::setTypeEnabled(on);
  width_->setEnabled(on && sizeUnlocked_);
  height_->setEnabled(on && sizeUnlocked_);
}

CRightView4::CRightView4(tav::PageHost& host, QWidget* parent)
    : RecordPageView(tav::RecordPage::AudioEncoding, host, parent) {
  setObjectName(QStringLiteral("CRightView4"));
  column_->addWidget(makeTitle(QString::fromUtf8(str(kStrAudioEncodingPage))));
  auto group = [this](const QString& title, const char* const labels[4], const char* name,
                      QButtonGroup*& buttons) {
    auto* box = new QGroupBox(title, this);
    box->setObjectName(QLatin1String(name));
    auto* row = new QHBoxLayout(box);
    buttons = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
      auto* r = new QRadioButton(QString::fromUtf8(labels[i]), box);
      r->setObjectName(QLatin1String(name) + QString::number(i));
      buttons->addButton(r, i);
      row->addWidget(r);
      addTypeControl(r);
    }
    row->addStretch(1);
    column_->addWidget(box);
  };
  static const char* const kRates[4] = {"44.1K", "32K", "16K", "8K"};
  static const char* const kBits[4] = {"128K", "96K", "32K", "16K"};
  group(QStringLiteral("采样率"), kRates, "sampleRate", sampleRates_);
  group(QStringLiteral("码率"), kBits, "audioBitRate", bitRates_);
  stereo_ = Check(QStringLiteral("立体声"), this, "stereo");
  auto* enable = Check(QStringLiteral("音频使能"), this, "enable");
  form_->addRow(stereo_);
  form_->addRow(enable);
  addTypeControl(stereo_);
  bindCheck(tav::audio::kEnable, enable);
  sampleRates_->button(0)->setChecked(true);
  bitRates_->button(0)->setChecked(true);
  connect(sampleRates_, &QButtonGroup::idClicked, this, [this] { sampleRateChosen(); });
  finishLayout();
}

bool CRightView4::takeValues() {
  namespace a = tav::audio;
  values_[a::kSampleRate] =
      a::kSampleRates[static_cast<std::size_t>(std::max(0, sampleRates_->checkedId()))];
  values_[a::kBitRate] =
      a::kBitRates[static_cast<std::size_t>(std::max(0, bitRates_->checkedId()))];
  values_[a::kChannels] = tav::ChannelsFor(stereo_->isChecked());
  return RecordPageView::takeValues();
}

void CRightView4::showValues() {
  namespace a = tav::audio;
  RecordPageView::showValues();
  sampleRates_->button(static_cast<int>(tav::SampleRateChoice(values_[a::kSampleRate])))
      ->setChecked(true);
  bitRates_->button(static_cast<int>(tav::AudioBitRateChoice(values_[a::kBitRate])))
      ->setChecked(true);
  stereo_->setChecked(values_[a::kChannels] == 2);
  sampleRateChosen();
}

void CRightView4::sampleRateChosen() {
  auto allowed = tav::AudioBitRatesAllowed(
      tav::audio::kSampleRates[static_cast<std::size_t>(std::max(0, sampleRates_->checkedId()))]);
  for (int i = 0; i < 4; ++i)
    bitRates_->button(i)->setEnabled(allowed[static_cast<std::size_t>(i)]);
}

void CRightView4::setTypeEnabled(bool on) {
  RecordPageView::setTypeEnabled(on);
  if (on) sampleRateChosen();
}

CRightView5::CRightView5(tav::PageHost& host, QWidget* parent)
    : RecordPageView(tav::RecordPage::Volume, host, parent) {
  setObjectName(QStringLiteral("CRightView5"));
  column_->addWidget(makeTitle(QString::fromUtf8(str(kStrVolumePage))));
  auto* volume = NumberEdit(this, "volume");
  addRow(form_, QStringLiteral("音量"), volume);
  volume->setToolTip(QStringLiteral("0-100"));
  auto* autoGain = Check(QStringLiteral("自动增益"), this, "autoGain");
  form_->addRow(autoGain);
  bindCheck(tav::volume::kAutoGain, autoGain);
  bindEdit(tav::volume::kVolume, volume);
  finishLayout();
  keepDisabled(autoGain);
}

CRightView8::CRightView8(tav::PageHost& host, QWidget* parent)
    : RecordPageView(tav::RecordPage::VideoQuality, host, parent) {
  setObjectName(QStringLiteral("CRightView8"));
  namespace q = tav::quality;
  column_->addWidget(makeTitle(QString::fromUtf8(str(kStrVideoQualityPage))));
  auto* brightness = NumberEdit(this, "brightness");
  auto* chroma = NumberEdit(this, "chroma");
  auto* saturation = NumberEdit(this, "saturation");
  addRow(form_, QStringLiteral("亮度"), brightness);
  addRow(form_, QStringLiteral("色度"), chroma);
  addRow(form_, QStringLiteral("饱和度"), saturation);
  bindEdit(q::kBrightness, brightness);
  // Chroma and saturation are shown and sent back unchanged.
  bindEdit(q::kChroma, chroma);
  bindEdit(q::kSaturation, saturation);
  finishLayout();
  keepDisabled(chroma);
  keepDisabled(saturation);
}

CRightView7::CRightView7(tav::PageHost& host, QWidget* parent) : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CRightView7"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(QString::fromUtf8(str(kStrRestartPage))));
  auto* row = new QHBoxLayout;
  auto* button = addButton(row, QStringLiteral("重启"), "restart");
  action().addButton(button);
  row->addStretch(1);
  column->addLayout(row);
  column->addStretch(1);
  connect(button, &QPushButton::clicked, this, &CRightView7::restart);
}

void CRightView7::restart() {
  if (!notifier().question({"重启需要一段时间，请确认重启。", "Restart", tav::AskButtons::YesNo}))
    return;
  CBoard* board = currentBoard();
  if (!board) {
    log(str(kStrRestartFailed));
    return;
  }
  runOnBoard(
      *board,
      [](CBoard& copy, tav::BoardLink& l, tav::Notifier&) { return tav::RestartBoard(copy, l); },
      [this](int rc, CBoard*) { log(str(rc == 0 ? 193 : 192)); });
}

CRightView9::CRightView9(tav::PageHost& host, QWidget* parent) : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CRightView9"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(QString::fromUtf8(str(kStrFactoryResetPage))));
  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  user_ = new QLineEdit(this);
  user_->setObjectName(QStringLiteral("user"));
  password_ = new QLineEdit(this);
  password_->setObjectName(QStringLiteral("password"));
  password_->setEchoMode(QLineEdit::Password);
  addRow(form, QStringLiteral("用户名"), user_);
  addRow(form, QStringLiteral("密码"), password_);
  column->addLayout(form);
  auto* row = new QHBoxLayout;
  auto* button = addButton(row, QStringLiteral("恢复出厂值"), "factoryReset");
  action().addButton(button);
  row->addStretch(1);
  column->addLayout(row);
  column->addStretch(1);
  connect(button, &QPushButton::clicked, this, &CRightView9::factoryReset);
}

void CRightView9::onInitialUpdate() {
  user_->setText(QString::fromUtf8(tav::kFactoryUser.data(), tav::kFactoryUser.size()));
  password_->setText(QString::fromUtf8(tav::kFactoryPassword.data(), tav::kFactoryPassword.size()));
}

void CRightView9::factoryReset() {
  if (!tav::FactoryResetAllowed(tav::u8(user_->text()), tav::u8(password_->text()))) {
    notifier().message(str(kStrWrongUserOrPassword),
                       tav::NoticeIcon::Warning);  // a box only, no log line
    return;
  }
  if (!notifier().question(
          {"确认恢复出厂默认值么?\n原有的配置将丢失!!", "Tavmon", tav::AskButtons::OkCancel}))
    return;
  CBoard* board = currentBoard();
  if (!board) {
    report(str(kStrFactoryResetFailed), tav::NoticeIcon::Error);
    return;
  }
  runOnBoard(
      *board, [](CBoard& copy, tav::BoardLink& l, tav::Notifier&) { return copy.FactoryReset(l); },
      [this](int rc, CBoard*) {
        report(str(rc == 0 ? 199 : 198),
               rc == 0 ? tav::NoticeIcon::Information : tav::NoticeIcon::Error);
      });
}

CRightView12::CRightView12(tav::PageHost& host, QWidget* parent) : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CRightView12"));
  setAccessibleName(QStringLiteral("空白页"));
  auto* column = new QVBoxLayout(this);
  auto* text = new QLabel(QStringLiteral("Tavmon 1.0 局域网诊断工具"), this);
  text->setObjectName(QStringLiteral("startText"));
  column->addWidget(text, 0, Qt::AlignCenter);
  column->addStretch(1);
}
