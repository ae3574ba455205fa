#pragma once
// The one seam through which code below the GUI reports to the user: message boxes, Yes/No
// questions and the message log. The GUI implements it with QMessageBox and the log list;
// tests record what was said and answer questions from a script.

#include <string>
#include <string_view>

namespace tav {

enum class NoticeIcon { Information, Warning, Error };

// The buttons of a question; the first one answers true.
enum class AskButtons { YesNo, OkCancel };

// A question with its box caption and buttons as the boards' tool showed it.
struct Question {
  std::string_view text;
  std::string_view caption = "Tavmon";
  AskButtons buttons = AskButtons::YesNo;
};

class Notifier {
 public:
  virtual ~Notifier() = default;
  // A modal message (texts are UTF-8).
  virtual void message(std::string_view text, NoticeIcon icon) = 0;
  // A Yes/No question; true for Yes.
  virtual bool ask(std::string_view text) = 0;
  // A question with its own caption and buttons; true for Yes or OK. Notifiers that show no
  // boxes need not override it.
  virtual bool question(const Question& q) { return ask(q.text); }
  // One line for the message log; the log adds the time stamp.
  virtual void log(std::string_view text) = 0;
};

// Says nothing, answers No. For code paths that have no user (tavctl's quiet mode, benches).
class SilentNotifier final : public Notifier {
 public:
  void message(std::string_view, NoticeIcon) override {}
  bool ask(std::string_view) override { return false; }
  void log(std::string_view) override {}
};

// Hands everything to `target` while it is set; says nothing and answers No otherwise. For
// engines that outlive the run whose notifier they report to.
class ForwardNotifier final : public Notifier {
 public:
  Notifier* target = nullptr;
  void message(std::string_view text, NoticeIcon icon) override {
    if (target) target->message(text, icon);
  }
  bool ask(std::string_view text) override { return target && target->ask(text); }
  bool question(const Question& q) override { return target && target->question(q); }
  void log(std::string_view text) override {
    if (target) target->log(text);
  }
};

}  // namespace tav
