#pragma once
// A raw TCP peer on the boards' side of the test LAN: it listens on one board address and a few
// ports, keeps what every connection sent, and answers as the test tells it. Used for the replies
// a well-behaved board never gives (short, wrong head, none at all).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sdktest {

using Bytes = std::vector<std::uint8_t>;

struct Received {
  std::uint16_t port;
  Bytes bytes;
};

// "qor" + command + payload.
Bytes packet(std::uint8_t command, const Bytes& payload = {});

class RawBoard {
 public:
  // Given a whole request, the reply to send before closing; nullopt keeps the connection open
  // and silent until the PC closes it. Without an answer every connection is read to its end.
  using Answer = std::function<std::optional<Bytes>(const Bytes& request)>;
  RawBoard(std::string address, std::vector<std::uint16_t> ports, Answer answer = {});
  ~RawBoard();

  // Waits until `count` connections have ended (or two seconds) and returns what they sent.
  std::vector<Received> received(std::size_t count);
  std::size_t connections();
  // From now on replies go out one byte at a time with this pause between bytes (zero: whole),
  // until the PC closes the connection.
  void drip(std::chrono::milliseconds pause);

 private:
  void serve(std::vector<int> listeners);
  void handle(int connection, std::uint16_t port);

  Answer answer_;
  std::chrono::milliseconds drip_{0};
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Received> received_;
  int stopPipe_[2] = {-1, -1};
  std::thread thread_;
};

}  // namespace sdktest
