#pragma once
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "device/notifier.h"

namespace tav::test {

// Records every message, question and log line; questions are answered from `answers`
// (front first), No when it runs dry.
class RecordingNotifier : public Notifier {
 public:
  struct Message {
    std::string text;
    NoticeIcon icon;
  };
  std::vector<Message> messages;
  std::vector<std::string> questions;
  // Caption and buttons of each question, beside `questions` (plain ask(): "Tavmon", Yes/No).
  std::vector<std::pair<std::string, AskButtons>> questionLooks;
  std::vector<std::string> logLines;
  std::deque<bool> answers;

  void message(std::string_view text, NoticeIcon icon) override {
    messages.push_back({std::string(text), icon});
  }
  bool question(const Question& q) override {
    questionLooks.emplace_back(std::string(q.caption), q.buttons);
    return answer(q.text);
  }
  bool ask(std::string_view text) override {
    questionLooks.emplace_back("Tavmon", AskButtons::YesNo);
    return answer(text);
  }
  void log(std::string_view text) override { logLines.emplace_back(text); }

 private:
  bool answer(std::string_view text) {
    questions.emplace_back(text);
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace tav::test
