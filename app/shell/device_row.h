#pragma once
// The device list's row for one board: the five texts Tavmon's list shows and tavctl prints.

#include <array>
#include <string>

#include "device/board.h"
#include "resources/string_ids.h"

namespace tav {

// String ids of the column headers.
inline constexpr std::array<int, 5> kDeviceListHeaders{kStrColumnDeviceIp, kStrColumnDeviceName,
                                                       kStrColumnMac, kStrColumnTransport,
                                                       kStrColumnOtherInfo};

inline std::array<std::string, 5> DeviceRowTexts(const CBoard& board) {
  return {board.AddressText(), board.Name(), board.MacText(),
          board.TransportName() + "@" + board.StreamAddressText(),
          board.TypeName() + "/" + board.VersionText() + "/" + board.VideoModeName()};
}

}  // namespace tav
