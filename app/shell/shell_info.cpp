#include "shell/shell_info.h"

#include "resources/string_table.h"
#include "wire.h"

namespace tav {

std::string VersionText(int major, int minor, int patch, int tweak) {
  return "V" + std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch) +
         "." + std::to_string(tweak);
}

std::string MainWindowTitle(std::string_view versionText) {
  return std::string(trText("Tavmon 编解码设备局域网诊断工具")) + "  " + std::string(versionText) +
         trText("内部版本");
}

std::string CtrlWindowTitle(std::string_view addressText, std::string_view name) {
  std::string format = str(kStrSettingsTitle);
  std::string out;
  std::string_view args[2] = {addressText, name};
  int next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && next < 2) {
      out += args[next++];
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

MainLayout MainWindowLayout(int left, int /*top*/, int right, int bottom) {
  const int h = (bottom - 58) / 3;
  MainLayout l;
  l.list = {left + 10, 40, right - left - 20, 2 * h};
  l.log = {left + 10, 2 * h + 48, right - left - 20, bottom - 2 * h - 58};
  return l;
}

Box CtrlWindowPlacement(const Box& list, int screenTop) {
  Box b;
  b.width = 600;
  b.height = 550;
  b.x = list.x + (list.width - b.width) / 2;
  b.y = list.y < screenTop ? screenTop : list.y;
  return b;
}

int CountSearchAdapters(const std::vector<platform::Adapter>& adapters) {
  int n = 0;
  for (const platform::Adapter& a : adapters)
    if (a.up && !a.loopback && !a.addresses.empty()) ++n;
  return n;
}

std::optional<std::string> ChosenAdapterAddress(const std::vector<platform::Adapter>& adapters,
                                                std::string_view description) {
  for (const platform::Adapter& a : adapters) {
    if (a.description != description) continue;
    if (a.addresses.empty()) return std::nullopt;
    return qor::ipText(a.addresses.front());
  }
  return std::nullopt;
}

}  // namespace tav
