#pragma once
// The Notifier of the running program: message boxes and Yes/No questions as QMessageBox over
// the main window, log lines to the main window's log.

#include <functional>
#include <string_view>

#include "device/notifier.h"

class QWidget;

namespace tav {

class QtNotifier final : public Notifier {
 public:
  // parent: the window the boxes stand over; log: where log lines go.
  QtNotifier(QWidget* parent, std::function<void(std::string_view)> log);
  void message(std::string_view text, NoticeIcon icon) override;
  bool ask(std::string_view text) override;
  bool question(const Question& q) override;
  void log(std::string_view text) override;

 private:
  QWidget* parent_;
  std::function<void(std::string_view)> log_;
};

}  // namespace tav
