#include "device/board_stream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tav {
namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in endpoint(std::uint32_t address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  std::uint32_t hostOrder = ((address & 0xff) << 24) | ((address & 0xff00) << 8) |
                            ((address >> 8) & 0xff00) | (address >> 24);
  sa.sin_addr.s_addr = htonl(hostOrder);
  return sa;
}

class TcpStream final : public BoardStream {
 public:
  TcpStream(std::uint32_t address, std::uint16_t port, const StreamLimits& limits)
      : deadline_(Clock::now() + limits.overall) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return;
    sockaddr_in sa = endpoint(address, port);
    int rc = ::connect(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (rc == 0) {
      connected_ = true;
      return;
    }
    if (errno != EINPROGRESS) return;
    if (!waitFor(POLLOUT, Clock::now() + limits.connectWait)) return;
    int error = 0;
    socklen_t length = sizeof error;
    connected_ = ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
  }
  ~TcpStream() override {
    if (fd_ >= 0) ::close(fd_);
  }
  TcpStream(const TcpStream&) = delete;
  TcpStream& operator=(const TcpStream&) = delete;

  bool connected() const override { return connected_; }
  bool peerClosed() const override { return peerClosed_; }

  bool sendAll(std::span<const std::uint8_t> bytes, Millis timeout) override {
    if (!connected_) return false;
    const Clock::time_point until = Clock::now() + timeout;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        if (!waitFor(POLLOUT, until)) return false;
        continue;
      }
      return false;
    }
    return true;
  }

  long receive(std::span<std::uint8_t> buffer, std::size_t atLeast, Millis timeout) override {
    if (!connected_) return -1;
    const Clock::time_point until = Clock::now() + timeout;
    atLeast = std::min(std::max<std::size_t>(atLeast, 1), buffer.size());
    std::size_t got = 0;
    while (got < atLeast) {
      ssize_t n = ::recv(fd_, buffer.data() + got, buffer.size() - got, 0);
      if (n > 0) {
        got += static_cast<std::size_t>(n);
        continue;
      }
      if (n == 0) {
        peerClosed_ = true;
        break;
      }
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        if (!waitFor(POLLIN, until)) break;
        continue;
      }
      return got > 0 ? static_cast<long>(got) : -1;
    }
    return static_cast<long>(got);
  }

 private:
  // Waits for `events` until the earlier of `until` and the overall deadline.
  bool waitFor(short events, Clock::time_point until) {
    const Clock::time_point end = std::min(until, deadline_);
    for (;;) {
      auto left = std::chrono::duration_cast<Millis>(end - Clock::now()).count();
      if (left <= 0) return false;
      pollfd p{fd_, events, 0};
      int rc = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1 << 30)));
      if (rc > 0) return true;
      if (rc == 0) return false;
      if (errno != EINTR) return false;
    }
  }

  int fd_ = -1;
  bool connected_ = false;
  bool peerClosed_ = false;
  Clock::time_point deadline_;
};

}  // namespace

std::unique_ptr<BoardStream> OpenTcpStream(std::uint32_t address, std::uint16_t port,
                                           const StreamLimits& limits) {
  return std::make_unique<TcpStream>(address, port, limits);
}

}  // namespace tav
