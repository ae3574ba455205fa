#pragma once
// The device list's row for one board: the five texts Tavmon's list shows and tavctl prints.

#include <array>
#include <string>

#include "device/board.h"

namespace tav {

// String ids of the column headers: "设备IP", "设备名称", "MAC", "通信方式", "其它信息".
inline constexpr std::array<int, 5> kDeviceListHeaders{120, 121, 122, 123, 124};

inline std::array<std::string, 5> DeviceRowTexts(const CBoard& board) {
  return {board.AddressText(), board.Name(), board.MacText(),
          board.TransportName() + "@" + board.StreamAddressText(),
          board.TypeName() + "/" + board.VersionText() + "/" + board.VideoModeName()};
}

}  // namespace tav
