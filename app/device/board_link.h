#pragma once
// Everything the program sends to a board goes through a BoardLink: the configuration exchange
// of qorsdk, the program's own packets (maintenance, short, direct frames) and datagrams (group
// and network commands), and TCP streams for the service, file and serial channels. The real
// link talks to the LAN; tests hand pages a FakeBoardLink (tests/support/fake_board_link.h)
// that records what was sent and answers from a script.
//
// A link is used from the worker thread of a page action: the LAN link keeps no state, and a
// fake must be told its script before the action starts.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "device/board_stream.h"
#include "device/channel_result.h"
#include "qorsdk.h"

class CBoard;

namespace tav {

class Notifier;
struct MaintRequest;
struct VideoPosition;
using RegisterBlock = std::array<std::uint8_t, 524>;

class BoardLink {
 public:
  virtual ~BoardLink() = default;

  // DEVICE_GetConfig / DEVICE_SetConfig: `record` is the caller's record, its first word its
  // size (type 268: the text buffer). Results are qorsdk's QORSDK_CONFIG_* values.
  virtual int getConfig(const std::string& address, int type, std::span<std::uint8_t> record) = 0;
  virtual int setConfig(const std::string& address, int type,
                        std::span<const std::uint8_t> record) = 0;

  // A TCP stream to a board's port; check connected() before use.
  virtual std::unique_ptr<BoardStream> open(std::uint32_t address, std::uint16_t port,
                                            const StreamLimits& limits) = 0;

  // One maintenance packet to address:port (8068/8070); for a query the answer body replaces
  // body. Results: kMaint*.
  virtual int maintenance(std::uint32_t address, std::uint16_t port, const MaintRequest& request,
                          RegisterBlock& body) = 0;
  // One short packet to 8068; answer empty: none awaited. Returns the bytes received, 0 without
  // answer, or kShort*.
  virtual int sendShort(std::uint32_t address, std::span<const std::uint8_t> bytes,
                        std::span<std::uint8_t> answer) = 0;

  // Direct frames on 4010 (to the board's status-block IP; ReadValue to its contact address).
  // Results as CBoard's methods of the same names.
  virtual int readVideoPosition(const CBoard& board, VideoPosition& position,
                                Notifier& notifier) = 0;
  virtual int writeVideoPosition(const CBoard& board, const VideoPosition& position,
                                 Notifier& notifier) = 0;
  virtual int writeValue(const CBoard& board, std::uint32_t value, Notifier& notifier) = 0;
  virtual std::uint32_t readValue(const CBoard& board) = 0;

  // One UDP datagram to 255.255.255.255:4007 (group and network commands). kDatagram*.
  virtual int broadcast(std::span<const std::uint8_t> datagram) = 0;

  // The PC's side of a change of address: forget the neighbour cache ("arp -d"), and the tick
  // count a DHCP MAC is made from.
  virtual void forgetNeighbours() = 0;
  virtual std::uint32_t ticks() = 0;
};

// Reaches no board: every operation fails as an unreachable board's would, and nothing is
// sent. A base for stand-ins that script only the operations they care about.
class NullBoardLink : public BoardLink {
 public:
  int getConfig(const std::string&, int, std::span<std::uint8_t>) override {
    return QORSDK_CONFIG_CONNECT;
  }
  int setConfig(const std::string&, int, std::span<const std::uint8_t>) override {
    return QORSDK_CONFIG_CONNECT;
  }
  std::unique_ptr<BoardStream> open(std::uint32_t, std::uint16_t, const StreamLimits&) override;
  int maintenance(std::uint32_t, std::uint16_t, const MaintRequest&, RegisterBlock&) override {
    return kMaintConnectFailed;
  }
  int sendShort(std::uint32_t, std::span<const std::uint8_t>, std::span<std::uint8_t>) override {
    return kShortConnectFailed;
  }
  int readVideoPosition(const CBoard&, VideoPosition&, Notifier&) override {
    return kDirectConnectFailed;
  }
  int writeVideoPosition(const CBoard&, const VideoPosition&, Notifier&) override {
    return kDirectOk;
  }
  int writeValue(const CBoard&, std::uint32_t, Notifier&) override { return kDirectConnectFailed; }
  std::uint32_t readValue(const CBoard&) override { return 0; }
  int broadcast(std::span<const std::uint8_t>) override { return kDatagramNotSent; }
  void forgetNeighbours() override {}
  std::uint32_t ticks() override { return 0; }
};

// Passes every operation on to another link; derive to watch or change a few of them.
class ForwardingLink : public BoardLink {
 public:
  explicit ForwardingLink(BoardLink& inner) : inner_(inner) {}
  int getConfig(const std::string& address, int type, std::span<std::uint8_t> record) override {
    return inner_.getConfig(address, type, record);
  }
  int setConfig(const std::string& address, int type,
                std::span<const std::uint8_t> record) override {
    return inner_.setConfig(address, type, record);
  }
  std::unique_ptr<BoardStream> open(std::uint32_t address, std::uint16_t port,
                                    const StreamLimits& limits) override {
    return inner_.open(address, port, limits);
  }
  int maintenance(std::uint32_t address, std::uint16_t port, const MaintRequest& request,
                  RegisterBlock& body) override {
    return inner_.maintenance(address, port, request, body);
  }
  int sendShort(std::uint32_t address, std::span<const std::uint8_t> bytes,
                std::span<std::uint8_t> answer) override {
    return inner_.sendShort(address, bytes, answer);
  }
  int readVideoPosition(const CBoard& board, VideoPosition& position, Notifier& notifier) override {
    return inner_.readVideoPosition(board, position, notifier);
  }
  int writeVideoPosition(const CBoard& board, const VideoPosition& position,
                         Notifier& notifier) override {
    return inner_.writeVideoPosition(board, position, notifier);
  }
  int writeValue(const CBoard& board, std::uint32_t value, Notifier& notifier) override {
    return inner_.writeValue(board, value, notifier);
  }
  std::uint32_t readValue(const CBoard& board) override { return inner_.readValue(board); }
  int broadcast(std::span<const std::uint8_t> datagram) override {
    return inner_.broadcast(datagram);
  }
  void forgetNeighbours() override { inner_.forgetNeighbours(); }
  std::uint32_t ticks() override { return inner_.ticks(); }

 private:
  BoardLink& inner_;
};

// The process-wide link to the real LAN.
BoardLink& LanLink();

}  // namespace tav
