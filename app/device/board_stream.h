#pragma once
// One TCP connection to a board under one overall deadline. New exchanges (service commands on
// 4010, file writes and upgrades on 8060, serial data on 8067) are written over this interface so
// that their protocol logic runs against a scripted stream in unit tests and against a socket on
// the LAN. No call outlives the deadline given when the stream was opened, however slowly the
// board drips its bytes.

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>

namespace tav {

using Millis = std::chrono::milliseconds;

class BoardStream {
 public:
  virtual ~BoardStream() = default;
  // False when the connection could not be made within its wait.
  virtual bool connected() const = 0;
  // Sends every byte (partial sends continued). False on error, or when the send time-out or
  // the overall deadline passes first.
  virtual bool sendAll(std::span<const std::uint8_t> bytes, Millis timeout) = 0;
  // Receives into `buffer` until at least `atLeast` bytes have come (or the buffer is full), the
  // peer closes, `timeout` passes, or the overall deadline passes. Returns the number of bytes
  // received (0 when nothing came), or -1 on a socket error.
  virtual long receive(std::span<std::uint8_t> buffer, std::size_t atLeast, Millis timeout) = 0;
  // True once the peer has closed its end: a receive that returned 0 will never get more.
  virtual bool peerClosed() const { return false; }
};

struct StreamLimits {
  Millis connectWait{2000};  // non-blocking connect, then a wait for it
  Millis overall{10000};     // the whole exchange, from the connect on
};

// A TCP stream to address:port (address as on the wire: first octet lowest byte).
std::unique_ptr<BoardStream> OpenTcpStream(std::uint32_t address, std::uint16_t port,
                                           const StreamLimits& limits);

}  // namespace tav
