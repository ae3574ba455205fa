#include "pages/settings_page.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpressionValidator>

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
      R"(^((25[0-5]|2[0-4]\d|1\d\d|\d{1,2})?\.){0,3}(25[0-5]|2[0-4]\d|1\d\d|\d{1,2})?$)");
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

BoardLink& SettingsPage::link() {
  return host_.link();
}

void SettingsPage::refreshStatus(std::string_view okText, std::function<void(CBoard&)> then) {
  CBoard* board = currentBoard();
  if (!board) {
    reportPlain(str(205));
    return;
  }
  runOnBoard(
      *board, [](CBoard& copy, BoardLink& l, Notifier&) { return copy.RefreshStatus(l); },
      [this, ok = std::string(okText), then = std::move(then)](int rc, CBoard* b) {
        if (rc != 0 || !b) {
          reportPlain(str(205));
          return;
        }
        log(ok);
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
