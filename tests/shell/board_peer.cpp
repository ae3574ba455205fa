#include "board_peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "le_bytes.h"
#include "status_block.h"
#include "testlan.h"
#include "wire.h"

namespace shelltest {

tav::StatusBlock statusBlock(const std::string& ip, int deviceType, const std::string& mac,
                             const std::string& gbkName) {
  return tav::test::MakeStatus({.ip = tav::test::Ip(ip),
                                .mac = tav::test::Mac(mac),
                                .deviceType = deviceType,
                                .name = gbkName});
}

std::vector<std::uint8_t> answer(const tav::StatusBlock& block, std::uint8_t command) {
  std::vector<std::uint8_t> d(4 + block.size());
  qor::putHead(d, command);
  std::copy(block.begin(), block.end(), d.begin() + 4);
  return d;
}

void addBoardAddress(const std::string& address, const std::string& device) {
  testlan::addBoardAddress(address, 32, device);
}

namespace {

bool enterBoardNamespace() {
  try {
    testlan::enterBoardSide();
    return true;
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
    return false;
  }
}

void sendDatagram(const PeerDatagram& d) {
  int one = 1;
  int out = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  setsockopt(out, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  sockaddr_in from{};
  from.sin_family = AF_INET;
  inet_pton(AF_INET, d.from.c_str(), &from.sin_addr);
  if (bind(out, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0)
    ADD_FAILURE() << "board peer cannot send from " << d.from << ": " << std::strerror(errno);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(qor::kAnswerPort);
  inet_pton(AF_INET, d.to.c_str(), &to.sin_addr);
  if (sendto(out, d.bytes.data(), d.bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) <
      0)
    ADD_FAILURE() << "board peer cannot send to " << d.to << ": " << std::strerror(errno);
  close(out);
}

}  // namespace

void sendFromBoard(const PeerDatagram& datagram) {
  std::thread([&] {
    if (enterBoardNamespace()) sendDatagram(datagram);
  }).join();
}

BoardPeer::BoardPeer(std::vector<PeerDatagram> datagrams, std::string device)
    : datagrams_(std::move(datagrams)), device_(std::move(device)) {}

BoardPeer::~BoardPeer() {
  join();
}

void BoardPeer::join() {
  if (thread_.joinable()) thread_.join();
}

void BoardPeer::start() {
  thread_ = std::thread([this] { run(); });
  for (int i = 0; i < 200 && !ready_; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(ready_) << "board peer did not start";
}

void BoardPeer::run() {
  if (!enterBoardNamespace()) {
    ready_ = true;
    return;
  }
  int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  setsockopt(s, SOL_SOCKET, SO_BINDTODEVICE, device_.c_str(), socklen_t(device_.size()));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(qor::kSearchPort);
  if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    ADD_FAILURE() << "board peer cannot bind 4007: " << std::strerror(errno);
    close(s);
    ready_ = true;
    return;
  }
  timeval wait{3, 0};
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  ready_ = true;

  std::vector<std::uint8_t> question(64);
  ssize_t n = recv(s, question.data(), question.size(), 0);
  close(s);
  if (n < 0) return;  // no question came: the test says whether one was due
  question.resize(std::size_t(n));
  lastQuestion_ = question;
  ++questions_;

  for (const PeerDatagram& d : datagrams_) sendDatagram(d);
}

}  // namespace shelltest
