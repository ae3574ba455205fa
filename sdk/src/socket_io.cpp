#include "socket_io.h"

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <atomic>

namespace qorsdk {

#if defined(_WIN32)
namespace {
constexpr std::intptr_t kNoSocket = static_cast<std::intptr_t>(INVALID_SOCKET);
SOCKET sock(std::intptr_t fd) {
  return static_cast<SOCKET>(fd);
}
}  // namespace

void ensureSocketLibrary() {
  static std::atomic<bool> started{false};
  if (started) return;
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0 && WSAStartup(MAKEWORD(1, 1), &data) != 0) return;
  if (data.wVersion != MAKEWORD(2, 2) && data.wVersion != MAKEWORD(1, 1)) {
    WSACleanup();
    return;
  }
  started = true;
}

TcpSocket::TcpSocket()
    : fd_(static_cast<std::intptr_t>(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP))) {}
TcpSocket::~TcpSocket() {
  if (valid()) closesocket(sock(fd_));
}
bool TcpSocket::valid() const {
  return fd_ != kNoSocket;
}

ConnectOutcome TcpSocket::connectWithWait(std::uint32_t address, std::uint16_t port, int waitMs) {
  u_long on = 1;
  if (ioctlsocket(sock(fd_), FIONBIO, &on) != 0) return ConnectOutcome::ModeFailed;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = address;
  if (connect(sock(fd_), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
    return ConnectOutcome::Started;
  if (WSAGetLastError() != WSAEWOULDBLOCK) return ConnectOutcome::Refused;
  fd_set writable;
  FD_ZERO(&writable);
  FD_SET(sock(fd_), &writable);
  timeval wait{waitMs / 1000, (waitMs % 1000) * 1000};
  select(0, nullptr, &writable, nullptr, &wait);
  return ConnectOutcome::Started;
}

bool TcpSocket::makeBlocking(int timeoutMs) {
  u_long off = 0;
  DWORD ms = static_cast<DWORD>(timeoutMs);
  const char* opt = reinterpret_cast<const char*>(&ms);
  return ioctlsocket(sock(fd_), FIONBIO, &off) == 0 &&
         setsockopt(sock(fd_), SOL_SOCKET, SO_SNDTIMEO, opt, sizeof ms) == 0 &&
         setsockopt(sock(fd_), SOL_SOCKET, SO_RCVTIMEO, opt, sizeof ms) == 0;
}

bool TcpSocket::sendAll(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    int n = send(sock(fd_), reinterpret_cast<const char*>(data), static_cast<int>(size), 0);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

long TcpSocket::receive(std::uint8_t* buffer, std::size_t size) {
  int n = recv(sock(fd_), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
  return n < 0 ? -1 : n;
}

#else

void ensureSocketLibrary() {}  // BSD sockets need no start

TcpSocket::TcpSocket() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
TcpSocket::~TcpSocket() {
  if (valid()) close(static_cast<int>(fd_));
}
bool TcpSocket::valid() const {
  return fd_ >= 0;
}

ConnectOutcome TcpSocket::connectWithWait(std::uint32_t address, std::uint16_t port, int waitMs) {
  int fd = static_cast<int>(fd_);
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return ConnectOutcome::ModeFailed;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = address;
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return ConnectOutcome::Started;
  if (errno != EINPROGRESS && errno != EINTR) return ConnectOutcome::Refused;
  pollfd p{fd, POLLOUT, 0};
  while (poll(&p, 1, waitMs) < 0 && errno == EINTR) {
  }
  return ConnectOutcome::Started;
}

bool TcpSocket::makeBlocking(int timeoutMs) {
  int fd = static_cast<int>(fd_);
  int flags = fcntl(fd, F_GETFL);
  timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 &&
         setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) == 0 &&
         setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0;
}

bool TcpSocket::sendAll(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = send(static_cast<int>(fd_), data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

long TcpSocket::receive(std::uint8_t* buffer, std::size_t size) {
  for (;;) {
    ssize_t n = recv(static_cast<int>(fd_), buffer, size, 0);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? -1 : static_cast<long>(n);
  }
}

#endif

}  // namespace qorsdk
