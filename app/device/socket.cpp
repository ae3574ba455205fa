#include "device/socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace tav::net {
namespace {

sockaddr_in endpoint(std::uint32_t address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  // Wire order: first octet in the lowest byte, which is network order read as big-endian.
  std::uint32_t hostOrder = ((address & 0xff) << 24) | ((address & 0xff00) << 8) |
                            ((address >> 8) & 0xff00) | (address >> 24);
  sa.sin_addr.s_addr = htonl(hostOrder);
  return sa;
}

bool setTimeout(int fd, int option, std::chrono::microseconds timeout) {
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(timeout.count() / 1000000);
  tv.tv_usec = static_cast<suseconds_t>(timeout.count() % 1000000);
  return ::setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv) == 0;
}

}  // namespace

Socket Socket::tcp() {
  return Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
}
Socket Socket::udp() {
  return Socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void Socket::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool Socket::setSendTimeout(std::chrono::microseconds timeout) {
  return valid() && setTimeout(fd_, SO_SNDTIMEO, timeout);
}
bool Socket::setReceiveTimeout(std::chrono::microseconds timeout) {
  return valid() && setTimeout(fd_, SO_RCVTIMEO, timeout);
}

bool Socket::setBroadcast() {
  int on = 1;
  return valid() && ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

bool Socket::connect(std::uint32_t address, std::uint16_t port) {
  if (!valid()) return false;
  sockaddr_in sa = endpoint(address, port);
  int rc;
  do rc = ::connect(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
  while (rc != 0 && errno == EINTR);
  return rc == 0;
}

long Socket::send(std::span<const std::uint8_t> bytes) {
  if (!valid()) return -1;
  ssize_t n;
  do n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  while (n < 0 && errno == EINTR);
  return n;
}

long Socket::receive(std::span<std::uint8_t> buffer) {
  if (!valid()) return -1;
  ssize_t n;
  do n = ::recv(fd_, buffer.data(), buffer.size(), 0);
  while (n < 0 && errno == EINTR);
  return n;
}

long Socket::sendTo(std::span<const std::uint8_t> bytes, std::uint32_t address,
                    std::uint16_t port) {
  if (!valid()) return -1;
  sockaddr_in sa = endpoint(address, port);
  ssize_t n;
  do
    n = ::sendto(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
  while (n < 0 && errno == EINTR);
  return n;
}

}  // namespace tav::net
