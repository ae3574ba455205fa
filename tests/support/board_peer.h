#pragma once
// The one board peer of the LAN tests: raw sockets on the boards' side of the test LAN, for the
// answers a well-behaved board (qorsim) never gives. Each runs on a thread that has entered the
// boards' namespace, so its sockets live where the boards do.
//   BoardPeer  - TCP listener on a board address and a few ports; answers each request as told.
//   TcpPeer    - a BoardPeer on one port that answers its connections from a script, in order.
//   UdpListener - the boards' UDP port (4007), for what the PC sends there.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tav::test {

using Bytes = std::vector<std::uint8_t>;

// "qor" + command + payload.
Bytes Packet(std::uint8_t command, const Bytes& payload = {});
// A 528-byte maintenance answer: head "qor" + command, body size 524, the status at body 8,
// dataByte at body 268.
Bytes MaintAnswer(std::uint8_t command, std::uint16_t status, std::uint8_t dataByte = 0);

// A configuration request (port 4010) is whole after its head, the text command (0x51) after
// the text's NUL.
bool ConfigRequestComplete(const Bytes& request);

struct Received {
  std::uint16_t port;
  Bytes bytes;
};

class BoardPeer {
 public:
  // Given a whole request, the reply to send before closing (empty: close at once); nullopt
  // keeps the connection open and silent until the PC closes it. Without an answer every
  // connection is read to its end.
  using Answer = std::function<std::optional<Bytes>(const Bytes& request)>;
  using Complete = std::function<bool(const Bytes& request)>;
  // `complete` says when a request is whole (default: ConfigRequestComplete); a request also
  // ends when the PC closes or sends nothing for `quiet`.
  BoardPeer(std::string address, std::vector<std::uint16_t> ports, Answer answer = {},
            Complete complete = ConfigRequestComplete,
            std::chrono::milliseconds quiet = std::chrono::seconds(5));
  ~BoardPeer();
  BoardPeer(const BoardPeer&) = delete;
  BoardPeer& operator=(const BoardPeer&) = delete;

  // Waits until `count` connections have ended (or `wait` passed) and returns what they sent.
  std::vector<Received> received(std::size_t count,
                                 std::chrono::milliseconds wait = std::chrono::seconds(2));
  std::size_t connections();
  // From now on replies go out one byte at a time with this pause between bytes (zero: whole),
  // until the PC closes the connection.
  void drip(std::chrono::milliseconds pause);

 private:
  void serve(std::vector<int> listeners);
  void handle(int connection, std::uint16_t port);

  Answer answer_;
  Complete complete_;
  std::chrono::milliseconds quiet_;
  std::chrono::milliseconds drip_{0};
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Received> received_;
  int stopPipe_[2] = {-1, -1};
  std::thread thread_;
};

// One connection's script: read up to requestSize bytes (stops early when the PC closes or goes
// quiet for a second), then send the answer (if any) and close. Connections after the last
// turn are held silent until the PC gives up.
struct Turn {
  std::size_t requestSize = 0;
  Bytes answer;
};

class TcpPeer {
 public:
  TcpPeer(const std::string& address, std::uint16_t port, std::vector<Turn> turns);
  // What each connection sent, in order; waits (up to 15 s) for the turns to be played.
  std::vector<Bytes> requests();

 private:
  struct Script {
    explicit Script(std::vector<Turn> t) : turns(std::move(t)) {}
    std::mutex lock;
    const std::vector<Turn> turns;
    std::size_t next = 0;
  };
  std::size_t turnCount_;
  std::shared_ptr<Script> script_;
  BoardPeer peer_;
};

class UdpListener {
 public:
  explicit UdpListener(std::uint16_t port = 4007);
  ~UdpListener();
  UdpListener(const UdpListener&) = delete;
  UdpListener& operator=(const UdpListener&) = delete;
  // The next datagram, or an empty vector after the time-out.
  Bytes next(int timeoutMs = 3000);

 private:
  int fd_ = -1;
};

}  // namespace tav::test
