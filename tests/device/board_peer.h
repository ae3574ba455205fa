#pragma once
// Stand-ins for a board on the boards' side of the test LAN: a TCP peer that answers each
// connection from a script, and a UDP listener on port 4007. Both run on a thread that has
// entered TAVMON_BOARD_NETNS, so their sockets live where the boards do.

#include <cstdint>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "status_builder.h"
#include "testlan.h"

namespace devtest {

using ByteVec = std::vector<std::uint8_t>;

// One connection's script: read up to requestSize bytes (stops early when the PC closes or goes
// quiet), then send the answer (if any) and close.
struct Turn {
  std::size_t requestSize = 0;
  ByteVec answer;
};

class TcpPeer {
 public:
  TcpPeer(const std::string& address, std::uint16_t port, std::vector<Turn> turns);
  ~TcpPeer();
  // What each connection sent, in order; waits for the peer to finish its turns.
  std::vector<ByteVec> requests();

 private:
  void serve(std::vector<Turn> turns, std::promise<void> listening);
  std::thread thread_;
  int listenFd_ = -1;
  std::mutex mutex_;
  std::vector<ByteVec> requests_;
};

class UdpListener {
 public:
  explicit UdpListener(std::uint16_t port = 4007);
  ~UdpListener();
  // The next datagram, or an empty vector after the time-out.
  ByteVec next(int timeoutMs = 3000);

 private:
  int fd_ = -1;
};

// A 528-byte maintenance answer: head "qor" + command, body size 524, the status at body 8.
ByteVec maintAnswer(std::uint8_t command, std::uint16_t status, std::uint8_t dataByte = 0);

}  // namespace devtest
