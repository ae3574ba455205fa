#pragma once
// What the core says to its user during one command, kept in order so tavctl prints it where it
// belongs (after the device list, or on standard error beside JSON). Questions are answered by
// the command line's flags.

#include <functional>
#include <string>
#include <vector>

#include "device/notifier.h"

namespace tav::ctl {

class CaptureNotifier final : public Notifier {
 public:
  struct Line {
    std::string text;
    bool message;  // a message box in Tavmon; otherwise a log line
    NoticeIcon icon;
  };
  std::vector<Line> lines;
  std::vector<std::string> questions;
  std::function<bool(std::string_view)> answer = [](std::string_view) { return false; };

  void message(std::string_view text, NoticeIcon icon) override {
    lines.push_back({std::string(text), true, icon});
  }
  bool ask(std::string_view text) override {
    questions.emplace_back(text);
    return answer(text);
  }
  void log(std::string_view text) override {
    lines.push_back({std::string(text), false, NoticeIcon::Information});
  }
};

// A text of the core as a terminal line: no carriage returns, no trailing line feeds.
inline std::string TerminalLine(std::string text) {
  std::erase(text, '\r');
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace tav::ctl
