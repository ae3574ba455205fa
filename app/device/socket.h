#pragma once
// A small owner of one IPv4 socket for the board channels: opened per operation, closed when it
// goes out of scope. Addresses are held as on the wire (first octet lowest byte).

#include <chrono>
#include <cstdint>
#include <span>

namespace tav::net {

class Socket {
 public:
  static Socket tcp();
  static Socket udp();
  Socket(Socket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() { close(); }

  bool valid() const { return fd_ >= 0; }
  void close();

  // Zero leaves the platform default (wait without limit).
  bool setSendTimeout(std::chrono::microseconds timeout);
  bool setReceiveTimeout(std::chrono::microseconds timeout);
  bool setBroadcast();

  bool connect(std::uint32_t address, std::uint16_t port);
  // Bytes sent or received, -1 on error or time-out; 0 from receive means the peer closed.
  long send(std::span<const std::uint8_t> bytes);
  long receive(std::span<std::uint8_t> buffer);
  long sendTo(std::span<const std::uint8_t> bytes, std::uint32_t address, std::uint16_t port);

 private:
  explicit Socket(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace tav::net
