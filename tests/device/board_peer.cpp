#include "board_peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <stdexcept>

#include "le_bytes.h"
#include "testlan.h"
#include "wire.h"

namespace devtest {

namespace {

sockaddr_in endpoint(const std::string& address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
  return sa;
}

ByteVec readRequest(int fd, std::size_t size) {
  ByteVec bytes;
  std::uint8_t buffer[9000];
  while (bytes.size() < size) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 1000) <= 0) break;
    ssize_t n = recv(fd, buffer, std::min(sizeof buffer, size - bytes.size()), 0);
    if (n <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

}  // namespace

TcpPeer::TcpPeer(const std::string& address, std::uint16_t port, std::vector<Turn> turns) {
  std::promise<void> listening;
  auto ready = listening.get_future();
  thread_ = std::thread(
      [this, address, port, turns = std::move(turns), l = std::move(listening)]() mutable {
        testlan::enterBoardSide();
        listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in sa = endpoint(address, port);
        if (bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            listen(listenFd_, 4) != 0) {
          l.set_exception(
              std::make_exception_ptr(std::runtime_error("peer cannot listen on " + address)));
          return;
        }
        serve(std::move(turns), std::move(l));
      });
  try {
    ready.get();
  } catch (...) {
    thread_.join();
    throw;
  }
}

void TcpPeer::serve(std::vector<Turn> turns, std::promise<void> listening) {
  listening.set_value();
  for (Turn& turn : turns) {
    pollfd p{listenFd_, POLLIN, 0};
    if (poll(&p, 1, 15000) <= 0) break;
    int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) break;
    ByteVec request = readRequest(fd, turn.requestSize);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(std::move(request));
    }
    if (!turn.answer.empty()) send(fd, turn.answer.data(), turn.answer.size(), MSG_NOSIGNAL);
    close(fd);
  }
}

std::vector<ByteVec> TcpPeer::requests() {
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  return requests_;
}

TcpPeer::~TcpPeer() {
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) close(listenFd_);
}

UdpListener::UdpListener(std::uint16_t port) {
  // The socket is made on a helper thread inside the boards' namespace; the descriptor stays
  // usable from any thread afterwards.
  std::thread([&] {
    testlan::enterBoardSide();
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa = endpoint("0.0.0.0", port);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }).join();
  if (fd_ < 0) throw std::runtime_error("cannot bind the boards' UDP port");
}

UdpListener::~UdpListener() {
  if (fd_ >= 0) close(fd_);
}

ByteVec UdpListener::next(int timeoutMs) {
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return {};
  ByteVec bytes(65536);
  ssize_t n = recv(fd_, bytes.data(), bytes.size(), 0);
  bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return bytes;
}

ByteVec maintAnswer(std::uint8_t command, std::uint16_t status, std::uint8_t dataByte) {
  ByteVec a(528, 0);
  qor::putHead(a, command);
  qor::putU32(a, 4, 524);
  qor::putU16(a, 4 + 8, status);
  a[4 + 268] = dataByte;
  return a;
}

}  // namespace devtest
