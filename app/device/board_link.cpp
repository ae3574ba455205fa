#include "device/board_link.h"

#include "qorsdk.h"

namespace tav {
namespace {

class LanBoardLink final : public BoardLink {
 public:
  int getConfig(const std::string& address, int type, std::span<std::uint8_t> record) override {
    return DEVICE_GetConfig(address.c_str(), type, record.data());
  }
  int setConfig(const std::string& address, int type,
                std::span<const std::uint8_t> record) override {
    return DEVICE_SetConfig(address.c_str(), type, record.data());
  }
  std::unique_ptr<BoardStream> open(std::uint32_t address, std::uint16_t port,
                                    const StreamLimits& limits) override {
    return OpenTcpStream(address, port, limits);
  }
};

}  // namespace

BoardLink& LanLink() {
  static LanBoardLink link;
  return link;
}

}  // namespace tav
