#pragma once
// The few socket operations one configuration exchange needs, over BSD sockets or Winsock.

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace qorsdk {

// Starts the platform socket library once per process and never shuts it down; a failed start
// is not reported (the following socket calls fail instead).
void ensureSocketLibrary();

enum class ConnectOutcome {
  Connected,
  Refused,     // refused at once, or the board's host answered the connect with a reset
  ModeFailed,  // the socket could not be made non-blocking
  Unfinished,  // no connection within the wait (shows up as a transfer failure)
};

using Clock = std::chrono::steady_clock;

// One TCP socket, closed when it goes out of scope.
class TcpSocket {
 public:
  TcpSocket();
  ~TcpSocket();
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  bool valid() const;
  // Non-blocking connect, then a wait until the socket is writable or the deadline passes; the
  // socket's error then tells a refusal from a connection.
  ConnectOutcome connectBy(std::uint32_t address, std::uint16_t port, Clock::time_point deadline);
  // Back to blocking with send and receive time-outs (a backstop: every wait below is also
  // bounded by its deadline); false when any step failed.
  bool makeBlocking(int timeoutMs);
  // The whole buffer, or false on an error or when the deadline passes first.
  bool sendAll(const std::uint8_t* data, std::size_t size, Clock::time_point deadline);
  // One receive of what has arrived: -1 error or deadline passed, 0 closed by the board, else
  // the byte count. A board that drips bytes cannot hold it past the deadline.
  long receive(std::uint8_t* buffer, std::size_t size, Clock::time_point deadline);

 private:
  std::intptr_t fd_;
};

}  // namespace qorsdk
