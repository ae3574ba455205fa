#include "device/board_link.h"

#include "device/board.h"
#include "device/datagrams.h"
#include "device/tcp_channel.h"
#include "platform/neighbours.h"
#include "platform/ticks.h"
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
  int maintenance(std::uint32_t address, std::uint16_t port, const MaintRequest& request,
                  RegisterBlock& body) override {
    return MaintenanceExchange(address, port, request, body);
  }
  int sendShort(std::uint32_t address, std::span<const std::uint8_t> bytes,
                std::span<std::uint8_t> answer) override {
    return SendShort(address, bytes.data(), static_cast<int>(bytes.size()),
                     answer.empty() ? nullptr : answer.data(), static_cast<int>(answer.size()));
  }
  int readVideoPosition(const CBoard& board, VideoPosition& position, Notifier& notifier) override {
    return board.ReadVideoPosition(position, notifier);
  }
  int writeVideoPosition(const CBoard& board, const VideoPosition& position,
                         Notifier& notifier) override {
    return board.WriteVideoPosition(position, notifier);
  }
  int writeValue(const CBoard& board, std::uint32_t value, Notifier& notifier) override {
    return board.WriteValue(value, notifier);
  }
  std::uint32_t readValue(const CBoard& board) override { return board.ReadValue(); }
  int broadcast(std::span<const std::uint8_t> datagram) override { return SendBroadcast(datagram); }
  void forgetNeighbours() override { platform::flushNeighbourCache(); }
  std::uint32_t ticks() override { return TickCountMs(); }
};

}  // namespace

BoardLink& LanLink() {
  static LanBoardLink link;
  return link;
}

namespace {
class UnconnectedStream final : public BoardStream {
 public:
  bool connected() const override { return false; }
  bool sendAll(std::span<const std::uint8_t>, Millis) override { return false; }
  long receive(std::span<std::uint8_t>, std::size_t, Millis) override { return -1; }
};
}  // namespace

std::unique_ptr<BoardStream> NullBoardLink::open(std::uint32_t, std::uint16_t,
                                                 const StreamLimits&) {
  return std::make_unique<UnconnectedStream>();
}

}  // namespace tav
