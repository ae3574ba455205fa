#include "platform/udp_endpoint.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

namespace tav::platform {
namespace {

sockaddr_in SockAddr(std::uint32_t address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  std::memcpy(&a.sin_addr, &address, 4);  // already in network order
  return a;
}

}  // namespace

BoundUdpSocket BoundUdpSocket::Open(std::uint32_t address, std::string* failure) {
  BoundUdpSocket s;
  auto fail = [&](const char* step) {
    if (failure) *failure = step;
    s.Close();
    return std::move(s);
  };
  s.fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s.fd_ < 0) return fail("socket");
  sockaddr_in local = SockAddr(address, 0);
  if (::bind(s.fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
    return fail("refresh bind");
  int on = 1;
  if (::setsockopt(s.fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) return fail("broadcast");
  int flags = ::fcntl(s.fd_, F_GETFL, 0);
  if (flags < 0 || ::fcntl(s.fd_, F_SETFL, flags | O_NONBLOCK) != 0) return fail("nonblocking");
  return s;
}

BoundUdpSocket& BoundUdpSocket::operator=(BoundUdpSocket&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void BoundUdpSocket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool BoundUdpSocket::SendTo(std::span<const std::uint8_t> bytes, std::uint32_t address,
                            std::uint16_t port) {
  if (fd_ < 0) return false;
  sockaddr_in to = SockAddr(address, port);
  ssize_t n = ::sendto(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                       reinterpret_cast<sockaddr*>(&to), sizeof to);
  return n == static_cast<ssize_t>(bytes.size());
}

std::optional<ReceivedDatagram> BoundUdpSocket::TryReceive(std::size_t maxBytes) {
  if (fd_ < 0) return std::nullopt;
  ReceivedDatagram d;
  d.bytes.resize(maxBytes);
  sockaddr_in from{};
  socklen_t fromLength = sizeof from;
  ssize_t n = ::recvfrom(fd_, d.bytes.data(), d.bytes.size(), MSG_DONTWAIT,
                         reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (n < 0) return std::nullopt;
  d.bytes.resize(static_cast<std::size_t>(n));
  std::memcpy(&d.source, &from.sin_addr, 4);
  d.sourcePort = ntohs(from.sin_port);
  return d;
}

void SleepFor(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace tav::platform
