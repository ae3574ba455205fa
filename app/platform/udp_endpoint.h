#pragma once
// A UDP socket bound to one local adapter address, with broadcast permission and non-blocking
// receive: what the maintenance protocol opens once per adapter. A Windows build replaces
// udp_endpoint.cpp with Winsock calls (bind, SO_BROADCAST, FIONBIO).

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tav::platform {

struct ReceivedDatagram {
  std::vector<std::uint8_t> bytes;
  std::uint32_t source = 0;  // sender's address, network order held little-endian
  std::uint16_t sourcePort = 0;
};

class BoundUdpSocket {
 public:
  // Binds to address:0 (port chosen by the system). Invalid when any step fails; `failure`
  // then names the step ("socket", "refresh bind", "broadcast", "nonblocking").
  static BoundUdpSocket Open(std::uint32_t address, std::string* failure = nullptr);
  BoundUdpSocket() = default;
  BoundUdpSocket(BoundUdpSocket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  BoundUdpSocket& operator=(BoundUdpSocket&& other) noexcept;
  BoundUdpSocket(const BoundUdpSocket&) = delete;
  BoundUdpSocket& operator=(const BoundUdpSocket&) = delete;
  ~BoundUdpSocket() { Close(); }

  bool Valid() const { return fd_ >= 0; }
  void Close();
  // True when the whole datagram left.
  bool SendTo(std::span<const std::uint8_t> bytes, std::uint32_t address, std::uint16_t port);
  // One waiting datagram of up to `maxBytes` (longer ones are cut), or nothing, without waiting.
  std::optional<ReceivedDatagram> TryReceive(std::size_t maxBytes);

 private:
  int fd_ = -1;
};

void SleepFor(std::chrono::milliseconds duration);

}  // namespace tav::platform
