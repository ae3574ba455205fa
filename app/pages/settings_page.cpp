#include "pages/settings_page.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextEdit>
#include <algorithm>
#include <climits>

#include "device/board.h"
#include "pages/field_text.h"
#include "pages/page_host.h"
#include "resources/string_table.h"
#include "wire.h"

namespace tav {

QString qs(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
std::string u8(const QString& text) {
  return text.toStdString();
}

IpField::IpField(QWidget* parent) : QLineEdit(parent) {
  static const QRegularExpression kDotted(
      R"(^\s*(\d{0,3}\.){0,3}\d{0,3}\s*$)");  // octets above 255 are refused with a message
  setValidator(new QRegularExpressionValidator(kDotted, this));
  setPlaceholderText(QStringLiteral("0.0.0.0"));
  // Wide enough for 255.255.255.255 in the page's font.
  setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 24);
}

std::uint32_t IpField::address() const {
  const QStringList parts = text().split(QLatin1Char('.'));
  std::uint32_t a = 0;
  for (int i = 0; i < 4 && i < parts.size(); ++i) {
    unsigned octet = parts[i].toUInt();  // blank: 0
    a |= std::uint32_t(octet > 255 ? 255 : octet) << (8 * i);
  }
  return a;
}

void IpField::setAddress(std::uint32_t address) {
  setText(QString::fromStdString(qor::ipText(address)));
}

ParsedAddress IpField::entry() const {
  return ParseAddressField(u8(text()));
}

SettingsPage::SettingsPage(PageHost& host, QWidget* parent)
    : QWidget(parent), action_(new PageAction(this, host.notifier())), host_(host) {
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
}

void SettingsPage::initialUpdate() {
  entered_ = true;
  onInitialUpdate();
}

void SettingsPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (entered_) return;
  entered_ = true;
  // After the first paint, so the page is on screen while it waits for the board.
  QMetaObject::invokeMethod(
      this, [this] { onInitialUpdate(); }, Qt::QueuedConnection);
}

CBoard* SettingsPage::currentBoard() {
  return host_.CurrentBoard();
}
Notifier& SettingsPage::notifier() {
  return host_.notifier();
}

void SettingsPage::log(std::string_view text) {
  if (!text.empty()) notifier().log(text);
}

void SettingsPage::report(std::string_view text, NoticeIcon icon) {
  log(text);
  notifier().message(text, icon);
}

bool SettingsPage::readInt(const QLineEdit* edit, std::int32_t& value) {
  auto parsed = ParseIntegerField(u8(edit->text()));
  if (!parsed) {
    notifier().message(kNotAnInteger, NoticeIcon::Warning);
    return false;
  }
  value = *parsed;
  return true;
}

std::optional<std::int64_t> SettingsPage::readRanged(const QLineEdit* edit, std::string_view field,
                                                     FieldRange range) {
  // Read wide, so that a number too large for 32 bits is named as out of range.
  auto parsed = ParseWideIntegerField(u8(edit->text()));
  if (!parsed) {
    notifier().message(kNotAnInteger, NoticeIcon::Warning);
    return std::nullopt;
  }
  if (!range.contains(*parsed)) {
    notifier().message(OutOfRangeText(field, range), NoticeIcon::Warning);
    return std::nullopt;
  }
  return parsed;
}

bool SettingsPage::readInt(const QLineEdit* edit, std::int32_t& value, std::string_view field,
                           FieldRange range) {
  range.min = std::max<std::int64_t>(range.min, INT32_MIN);
  range.max = std::min<std::int64_t>(range.max, INT32_MAX);
  auto v = readRanged(edit, field, range);
  if (v) value = static_cast<std::int32_t>(*v);
  return v.has_value();
}

bool SettingsPage::readInt(const QLineEdit* edit, std::int64_t& value, std::string_view field,
                           FieldRange range) {
  auto v = readRanged(edit, field, range);
  if (v) value = *v;
  return v.has_value();
}

bool SettingsPage::readNumbers(std::span<const NumberField> fields) {
  for (const NumberField& f : fields)
    if (!readInt(f.edit, *f.value, u8(f.edit->accessibleName()), f.range)) return false;
  return true;
}

std::optional<std::uint32_t> SettingsPage::readAddress(const IpField* edit,
                                                       std::string_view field) {
  ParsedAddress a = edit->entry();
  if (a.entry != AddressEntry::Complete) {
    notifier().message(AddressEntryText(field, a.entry), NoticeIcon::Warning);
    return std::nullopt;
  }
  return a.address;
}

void SettingsPage::addDataControl(QWidget* widget) {
  dataControls_.push_back(widget);
}

void SettingsPage::keepUsable(QWidget* widget) {
  usable_.push_back(widget);
}

void SettingsPage::markBoardRead(bool ok) {
  everRead_ = everRead_ || ok;
  if (ok == hasData_) return;
  if (!ok && everRead_) return;  // the last good read still stands
  hasData_ = ok;
  if (!ok) {
    showNoData();
    return;
  }
  if (noDataNotice_) noDataNotice_->hide();
  for (auto& [w, enabled] : disabledForNoData_)
    if (w) w->setEnabled(enabled);
  disabledForNoData_.clear();
  for (auto& w : hiddenForNoData_)
    if (w) w->show();
  hiddenForNoData_.clear();
}

void SettingsPage::showNoData() {
  if (!noDataNotice_) {
    noDataNotice_ = new QLabel(this);
    noDataNotice_->setObjectName(QStringLiteral("noDataNotice"));
    noDataNotice_->setWordWrap(true);
    noDataNotice_->setTextFormat(Qt::PlainText);
    noDataNotice_->setText(noDataText_.isEmpty()
                               ? tr("没有设备数据：读取设备参数失败，请检查设备后按“刷新”重试。")
                               : noDataText_);
    noDataNotice_->setAccessibleName(noDataNotice_->text());
    QFont f = noDataNotice_->font();
    f.setBold(true);
    noDataNotice_->setFont(f);
    // Below the page's title when the page has one.
    if (auto* box = qobject_cast<QBoxLayout*>(layout()))
      box->insertWidget(box->count() > 0 ? 1 : 0, noDataNotice_);
  }
  noDataNotice_->show();
  auto isUsable = [this](QWidget* w) {
    return w->objectName() == QLatin1String("refresh") ||
           std::find(usable_.begin(), usable_.end(), w) != usable_.end();
  };
  std::vector<QWidget*> inputs;
  for (QWidget* w : findChildren<QWidget*>()) {
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
        qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
        qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w))
      inputs.push_back(w);
  }
  for (QWidget* w : dataControls_) {
    if (std::find(inputs.begin(), inputs.end(), w) != inputs.end()) continue;
    if (qobject_cast<QLabel*>(w)) {
      inputs.push_back(w);
    } else if (!w->isHidden()) {
      // A group that only makes sense with the board's data (choices labelled for its kind).
      w->hide();
      hiddenForNoData_.emplace_back(w);
    }
  }
  for (QWidget* w : inputs) {
    if (isUsable(w)) continue;
    if (auto* e = qobject_cast<QLineEdit*>(w)) e->clear();
    if (auto* l = qobject_cast<QLabel*>(w)) l->clear();
    disabledForNoData_.emplace_back(w, w->isEnabled());
    w->setEnabled(false);
  }
}

BoardLink& SettingsPage::link() {
  return host_.link();
}

CBoard* SettingsPage::boardForRead() {
  CBoard* board = currentBoard();
  if (!board) {
    reportPlain(str(kStrStatusReadFailed));
    markBoardRead(false);
  }
  return board;
}

void SettingsPage::refreshStatus(std::string_view okText, std::function<void(CBoard&)> then) {
  CBoard* board = boardForRead();
  if (!board) return;
  runOnBoard(
      *board, [](CBoard& copy, BoardLink& l, Notifier&) { return copy.RefreshStatus(l); },
      [this, ok = std::string(okText), then = std::move(then)](int rc, CBoard* b) {
        if (rc != 0 || !b) {
          reportPlain(str(kStrStatusReadFailed));
          markBoardRead(false);
          return;
        }
        log(ok);
        markBoardRead(true);
        then(*b);
      });
}

CBoard* SettingsPage::takeBoard(std::uint32_t contact, const CBoard& copy) {
  CBoard* board = currentBoard();
  if (!board || board->ContactAddress() != contact) return nullptr;
  board->statusBlock() = copy.statusBlock();
  board->streamInfo() = copy.streamInfo();
  board->streamAccess() = copy.streamAccess();
  board->SetSourceAddress(copy.sourceAddress());
  return board;
}

QLabel* SettingsPage::addRow(QFormLayout* form, const QString& label, QWidget* field) {
  auto* l = new QLabel(label, this);
  l->setBuddy(field);
  field->setAccessibleName(label);
  form->addRow(l, field);
  return l;
}

QPushButton* SettingsPage::addButton(QBoxLayout* row, const QString& text, const char* name) {
  auto* b = new QPushButton(text, this);
  b->setObjectName(QLatin1String(name));
  row->addWidget(b);
  return b;
}

QLabel* SettingsPage::makeTitle(const QString& text) {
  auto* l = new QLabel(text, this);
  QFont f = l->font();
  f.setBold(true);
  if (f.pointSizeF() > 0) f.setPointSizeF(f.pointSizeF() * 1.2);
  l->setFont(f);
  return l;
}

}  // namespace tav
