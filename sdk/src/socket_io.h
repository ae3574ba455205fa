#pragma once
// The few socket operations one configuration exchange needs, over BSD sockets or Winsock.

#include <cstddef>
#include <cstdint>

namespace qorsdk {

// Starts the platform socket library once per process and never shuts it down; a failed start
// is not reported (the following socket calls fail instead).
void ensureSocketLibrary();

enum class ConnectOutcome { Started, Refused, ModeFailed };

// One TCP socket, closed when it goes out of scope.
class TcpSocket {
 public:
  TcpSocket();
  ~TcpSocket();
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  bool valid() const;
  // Non-blocking connect, then a wait of at most waitMs until the socket is writable. The wait's
  // outcome is not examined: an unfinished connection shows up when sending.
  ConnectOutcome connectWithWait(std::uint32_t address, std::uint16_t port, int waitMs);
  // Back to blocking with send and receive time-outs; false when any step failed.
  bool makeBlocking(int timeoutMs);
  bool sendAll(const std::uint8_t* data, std::size_t size);
  // One receive: -1 error or time-out, 0 closed by the board, else the byte count.
  long receive(std::uint8_t* buffer, std::size_t size);

 private:
  std::intptr_t fd_;
};

}  // namespace qorsdk
