#include "shell/message_log.h"

namespace tav {

std::string FormatLogLine(std::string_view text, const std::tm& localTime) {
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", &localTime);
  std::string line;
  line.reserve(text.size() + 16);
  line.append("(").append(stamp).append("): ").append(text).append("\r\n");
  return line;
}

std::string MessageLog::Add(std::string_view text, std::time_t when) {
  if (text.empty()) return {};
  std::tm local{};
  localtime_r(&when, &local);
  std::string line = FormatLogLine(text, local);
  text_.insert(0, line);
  return line;
}

}  // namespace tav
