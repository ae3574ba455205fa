#pragma once
// Scripted boards for search tests: a thread on the boards' side of the test LAN that waits for
// the search question on port 4007 and answers with exactly the datagrams it was given, from the
// addresses it was given. For answers the simulator would never send.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "device/board.h"

namespace shelltest {

struct PeerDatagram {
  std::string from;              // source address (added to the boards' interface)
  std::string to = "10.77.0.1";  // or "255.255.255.255"
  std::vector<std::uint8_t> bytes;
};

// A status block with the fields the list shows.
tav::StatusBlock statusBlock(const std::string& ip, int deviceType,
                             const std::string& mac = "00:1a:00:00:00:01",
                             const std::string& gbkName = "enc");
// "qor" 0xE6 + block.
std::vector<std::uint8_t> answer(const tav::StatusBlock& block, std::uint8_t command = 0xE6);

// Adds address/32 to a boards' side interface (brd0 or brd1).
void addBoardAddress(const std::string& address, const std::string& device = "brd0");

// Sends one datagram from the boards' side at once, without waiting for a question.
void sendFromBoard(const PeerDatagram& datagram);

class BoardPeer {
 public:
  // device: the boards' interface the question is expected on.
  explicit BoardPeer(std::vector<PeerDatagram> datagrams, std::string device = "brd0");
  ~BoardPeer();
  // Returns once the peer listens.
  void start();
  void join();
  int questionsSeen() const { return questions_; }
  std::vector<std::uint8_t> lastQuestion() const { return lastQuestion_; }

 private:
  void run();
  std::vector<PeerDatagram> datagrams_;
  std::string device_;
  std::thread thread_;
  std::atomic<bool> ready_{false};
  std::atomic<int> questions_{0};
  std::vector<std::uint8_t> lastQuestion_;
};

}  // namespace shelltest
