#include "shell/qt_notifier.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tav {
namespace {

QString qt(std::string_view text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The top-level window a box belongs to: the active single-board window when there is one, so
// the box is not hidden behind it.
QWidget* owner(QWidget* fallback) {
  if (QWidget* w = QApplication::activeWindow()) return w;
  return fallback;
}

}  // namespace

QtNotifier::QtNotifier(QWidget* parent, std::function<void(std::string_view)> log)
    : parent_(parent), log_(std::move(log)) {}

void QtNotifier::message(std::string_view text, NoticeIcon icon) {
  QMessageBox::Icon kind = icon == NoticeIcon::Error     ? QMessageBox::Critical
                           : icon == NoticeIcon::Warning ? QMessageBox::Warning
                                                         : QMessageBox::Information;
  QMessageBox box(kind, QStringLiteral("Tavmon"), qt(text), QMessageBox::Ok, owner(parent_));
  box.setTextFormat(Qt::PlainText);  // messages may carry a board's text
  box.button(QMessageBox::Ok)->setText(QCoreApplication::translate("tav::QtNotifier", "确定"));
  box.exec();
}

bool QtNotifier::ask(std::string_view text) {
  return question({text});
}

bool QtNotifier::question(const Question& q) {
  const bool okCancel = q.buttons == AskButtons::OkCancel;
  const auto yes = okCancel ? QMessageBox::Ok : QMessageBox::Yes;
  const auto no = okCancel ? QMessageBox::Cancel : QMessageBox::No;
  QMessageBox box(QMessageBox::Question, qt(q.caption), qt(q.text), yes | no, owner(parent_));
  box.setTextFormat(Qt::PlainText);
  box.button(yes)->setText(okCancel ? QCoreApplication::translate("tav::QtNotifier", "确定")
                                    : QCoreApplication::translate("tav::QtNotifier", "是"));
  box.button(no)->setText(okCancel ? QCoreApplication::translate("tav::QtNotifier", "取消")
                                   : QCoreApplication::translate("tav::QtNotifier", "否"));
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  return box.exec() == yes;
}

void QtNotifier::log(std::string_view text) {
  if (log_) log_(text);
}

}  // namespace tav
