#pragma once
// Small pure pieces of the main window: its title, its resize rule, where the single-board
// window opens, and the adapter choice. Kept free of Qt so they are tested without a display.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/adapters.h"

namespace tav {

// "V%d.%d.%d.%d".
std::string VersionText(int major, int minor, int patch, int tweak);
// The template title, a space, the version text (may be empty), then "内部版本".
std::string MainWindowTitle(std::string_view versionText);
// `设置  %s  "%s"` with the address text and the device name.
std::string CtrlWindowTitle(std::string_view addressText, std::string_view name);

struct Box {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Box&) const = default;
};

// The resize rule of the main window for its client rectangle: list and log box.
struct MainLayout {
  Box list;
  Box log;
};
MainLayout MainWindowLayout(int left, int top, int right, int bottom);

// The single-board window: 600 wide centred over the device list, its top at the list's top,
// 550 high; a top above the screen becomes 0. Screen coordinates.
Box CtrlWindowPlacement(const Box& listOnScreen, int screenTop = 0);

// Adapters the search counts (the "more than one adapter" prompt).
int CountSearchAdapters(const std::vector<platform::Adapter>& adapters);

// The adapter dialog's choice: the first IPv4 address of the first adapter whose description
// equals the text exactly; nothing when none matches or it has no address.
std::optional<std::string> ChosenAdapterAddress(const std::vector<platform::Adapter>& adapters,
                                                std::string_view description);

}  // namespace tav
