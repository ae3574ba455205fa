#pragma once
#include <deque>
#include <string>
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
  std::vector<std::string> questionTitles;  // "" for a question asked without a title
  std::vector<std::string> logLines;
  std::deque<bool> answers;

  void message(std::string_view text, NoticeIcon icon) override {
    messages.push_back({std::string(text), icon});
  }
  bool askTitled(std::string_view text, std::string_view title) override {
    bool a = ask(text);
    questionTitles.back() = std::string(title);
    return a;
  }
  bool ask(std::string_view text) override {
    questions.emplace_back(text);
    questionTitles.emplace_back();
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void log(std::string_view text) override { logLines.emplace_back(text); }
};

}  // namespace tav::test
