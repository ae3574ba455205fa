#include "video/video_views.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <filesystem>
#include <system_error>

#include "device/board.h"
#include "device/notifier.h"
#include "pages/field_text.h"
#include "pages/page_host.h"
#include "resources/string_table.h"

using tav::qs;
using tav::str;
using namespace tav::string_ids;
using tav::u8;

namespace {

void Fill(QComboBox* combo, const tav::ChoiceList& list) {
  const QSignalBlocker block(combo);
  combo->clear();
  for (const std::string& e : list.entries) combo->addItem(qs(e));
  combo->setCurrentIndex(list.selected);
  combo->setEnabled(list.enabled);
}

QComboBox* Combo(QWidget* parent, const char* name) {
  auto* c = new QComboBox(parent);
  c->setObjectName(QLatin1String(name));
  c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return c;
}

QLineEdit* ShownNumber(QWidget* parent, const char* name, const QString& accessible) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setAccessibleName(accessible);
  e->setEnabled(false);
  e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("00000000000")) + 16);
  return e;
}

}  // namespace

CRightView2::CRightView2(tav::PageHost& host, QWidget* parent) : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CRightView2"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(qs(str(kStrPeripheralPage))));
  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);

  type_ = Combo(this, "peripheralType");
  resolution_ = Combo(this, "resolution");
  frequency_ = Combo(this, "frequency");
  addRow(form, QStringLiteral("外设类型"), type_);
  addRow(form, QStringLiteral("分辨率"), resolution_);
  customerNote_ = new QLabel(this);
  customerNote_->setObjectName(QStringLiteral("customerNote"));
  customerNote_->setTextFormat(Qt::PlainText);
  customerNote_->setWordWrap(true);
  customerNote_->setAccessibleName(QStringLiteral("customer.ini"));
  form->addRow(QString(), customerNote_);
  addRow(form, QStringLiteral("频率"), frequency_);

  modeName_ = Combo(this, "modeName");
  for (std::string_view name : tav::KnownModeNames()) modeName_->addItem(qs(name));
  modeName_->setEditable(true);  // shows names outside the fixed list too
  modeName_->setEnabled(false);
  addRow(form, QStringLiteral("外设配置"), modeName_);

  width_ = ShownNumber(this, "width", QStringLiteral("视频大小 宽"));
  height_ = ShownNumber(this, "height", QStringLiteral("视频大小 高"));
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(width_);
  sizeRow->addWidget(new QLabel(QStringLiteral("X"), this));
  sizeRow->addWidget(height_);
  sizeRow->addStretch(1);
  auto* sizeLabel = new QLabel(QStringLiteral("视频大小"), this);
  sizeLabel->setBuddy(width_);
  form->addRow(sizeLabel, sizeRow);

  audio_ = Combo(this, "audioMode");
  audio_->setEditable(true);
  addRow(form, QStringLiteral("音频模式"), audio_);
  sampling_ = ShownNumber(this, "audioSampling", QStringLiteral("音频采样"));
  addRow(form, QStringLiteral("音频采样"), sampling_);
  column->addLayout(form);

  auto* buttons = new QHBoxLayout;
  refresh_ = addButton(buttons, QStringLiteral("刷新"), "refresh");
  apply_ = addButton(buttons, QStringLiteral("应用"), "apply");
  detect_ = addButton(buttons, QStringLiteral("检测"), "detect");
  buttons->addStretch(1);
  column->addSpacing(8);
  column->addLayout(buttons);
  for (QPushButton* b : {refresh_, apply_, detect_}) action().addButton(b);

  detectTitle_ = new QLabel(QStringLiteral("外设信息:"), this);
  detectText_ = new QLabel(this);
  detectText_->setObjectName(QStringLiteral("detectText"));
  detectText_->setTextFormat(Qt::PlainText);
  detectText_->setAccessibleName(QStringLiteral("外设信息"));
  detectText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(detectTitle_);
  column->addWidget(detectText_);

  column->addStretch(1);

  detect_->hide();
  detectTitle_->hide();
  detectText_->hide();
  apply_->setEnabled(false);  // until a read brought the board's mode
  keepUsable(detect_);        // measures the input; needs nothing read

  connect(type_, &QComboBox::activated, this, &CRightView2::typePicked);
  connect(resolution_, &QComboBox::activated, this, &CRightView2::resolutionPicked);
  connect(frequency_, &QComboBox::activated, this,
          [this](int index) { form_.frequencies.selected = index; });
  connect(refresh_, &QPushButton::clicked, this, &CRightView2::refresh);
  connect(apply_, &QPushButton::clicked, this, &CRightView2::apply);
  connect(detect_, &QPushButton::clicked, this, &CRightView2::detect);
}

void CRightView2::onInitialUpdate() {
  // "customer.ini" of the working directory, else of the user's configuration folder.
  std::error_code ec;
  const std::filesystem::path here = std::filesystem::current_path(ec);
  const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  customers_ = tav::LoadCustomerTable(ec ? std::filesystem::path() : here,
                                      std::filesystem::path(config.toStdString()));
  CBoard* board = currentBoard();
  form_ = tav::MakePeripheralForm(board ? board->deviceType() : 0,
                                  tav::CustomerNames(customers_.table));
  showForm();
  refresh();
}

void CRightView2::showForm() {
  Fill(type_, form_.types);
  Fill(resolution_, form_.resolutions);
  Fill(frequency_, form_.frequencies);
  {
    const QSignalBlocker block(audio_);
    audio_->clear();
    for (const std::string& e : form_.audio.entries) audio_->addItem(qs(e));
    audio_->setEnabled(form_.audio.enabled);
    audio_->setEditText(qs(form_.audioText));
  }
  modeName_->setEditText(qs(form_.modeName));
  width_->setText(QString::number(form_.width));
  height_->setText(QString::number(form_.height));
  sampling_->setText(QString::number(form_.audioSampling));
  detect_->setVisible(form_.detectShown);
  detectTitle_->setVisible(form_.detectShown);
  detectText_->setVisible(form_.detectShown);
  detectText_->setText(qs(form_.detectText));
  bool customers = false;
  for (const std::string& t : form_.types.entries) customers |= t == "CAPTURE_VGA_CUSTOMER";
  customerNote_->setVisible(customers);
  customerNote_->setText(qs(tav::LoadedTableNote(customers_)));
}

void CRightView2::typePicked(int index) {
  form_.audioText = u8(audio_->currentText());
  tav::ChangeType(form_, index);
  showForm();
}

void CRightView2::resolutionPicked(int index) {
  tav::ChangeResolution(form_, index);
  showForm();
}

void CRightView2::refresh() {
  CBoard* board = boardForRead();
  if (!board) return;
  runOnBoard(
      *board,
      [form = form_](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) mutable {
        const bool ok = tav::RefreshPeripheral(l, copy, form, n);
        return std::pair{ok, form};
      },
      [this](std::pair<bool, tav::PeripheralForm> r, CBoard*) {
        markBoardRead(r.first);
        if (!r.first) return;  // the lists stay as they were
        apply_->setEnabled(true);
        form_ = std::move(r.second);
        showForm();
      });
}

void CRightView2::apply() {
  CBoard* board = currentBoard();
  if (!board || !hasBoardData()) return;
  form_.audioText = u8(audio_->currentText());
  runOnBoard(
      *board,
      [form = form_, table = customers_.table](CBoard& copy, tav::BoardLink& l,
                                               tav::Notifier& n) mutable {
        tav::BoardChannels channels(copy, l);
        const int rc = tav::ApplyPeripheral(l, channels, copy, form, table, n);
        return std::pair{rc, form};
      },
      [this](std::pair<int, tav::PeripheralForm> r, CBoard*) {
        form_.code = r.second.code;
        form_.width = r.second.width;
        form_.height = r.second.height;
        showForm();
      });
}

void CRightView2::detect() {
  CBoard* board = currentBoard();
  if (!board) return;
  form_.detectText.clear();
  detectText_->clear();
  runOnBoard(
      *board,
      [form = form_](CBoard& copy, tav::BoardLink& l, tav::Notifier& n) mutable {
        tav::BoardChannels channels(copy, l);
        tav::DetectInput(channels, form, n);
        return form.detectText;
      },
      [this](std::string text, CBoard*) {
        form_.detectText = std::move(text);
        detectText_->setText(qs(form_.detectText));
      });
}
