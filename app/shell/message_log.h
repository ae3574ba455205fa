#pragma once
// The message log every page writes to: one growing text, newest line first, each line
// "(%H:%M:%S): text\r\n" in local time. Kept apart from the window so tavctl prints the same lines.

#include <ctime>
#include <string>
#include <string_view>

namespace tav {

std::string FormatLogLine(std::string_view text, const std::tm& localTime);

class MessageLog {
 public:
  // Puts the line in front of the log and returns it; an empty text adds nothing and returns "".
  std::string Add(std::string_view text, std::time_t when = std::time(nullptr));
  const std::string& Text() const { return text_; }

 private:
  std::string text_;  // never trimmed: the log lives as long as the main window
};

}  // namespace tav
