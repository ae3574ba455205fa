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

#include <algorithm>
#include <atomic>

namespace qorsdk {
namespace {
// Whole milliseconds left until the deadline, rounded up; 0 once it has passed.
int msUntil(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60000));
}
}  // namespace

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

// Waits until the socket is readable (or writable) or the deadline passes.
bool waitReady(SOCKET fd, bool forWrite, Clock::time_point deadline) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(fd, &set);
  int ms = msUntil(deadline);
  timeval wait{ms / 1000, (ms % 1000) * 1000};
  return select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, &wait) > 0;
}

ConnectOutcome TcpSocket::connectBy(std::uint32_t address, std::uint16_t port,
                                    Clock::time_point deadline) {
  u_long on = 1;
  if (ioctlsocket(sock(fd_), FIONBIO, &on) != 0) return ConnectOutcome::ModeFailed;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = address;
  if (connect(sock(fd_), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
    return ConnectOutcome::Connected;
  if (WSAGetLastError() != WSAEWOULDBLOCK) return ConnectOutcome::Refused;
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_SET(sock(fd_), &writable);
  FD_ZERO(&failed);
  FD_SET(sock(fd_), &failed);
  int ms = msUntil(deadline);
  timeval wait{ms / 1000, (ms % 1000) * 1000};
  if (select(0, nullptr, &writable, &failed, &wait) <= 0) return ConnectOutcome::Unfinished;
  int error = 0;
  int length = sizeof error;
  getsockopt(sock(fd_), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
  if (error == WSAECONNREFUSED) return ConnectOutcome::Refused;
  return error == 0 && FD_ISSET(sock(fd_), &writable) ? ConnectOutcome::Connected
                                                      : ConnectOutcome::Unfinished;
}

bool TcpSocket::makeBlocking(int timeoutMs) {
  u_long off = 0;
  DWORD ms = static_cast<DWORD>(timeoutMs);
  const char* opt = reinterpret_cast<const char*>(&ms);
  return ioctlsocket(sock(fd_), FIONBIO, &off) == 0 &&
         setsockopt(sock(fd_), SOL_SOCKET, SO_SNDTIMEO, opt, sizeof ms) == 0 &&
         setsockopt(sock(fd_), SOL_SOCKET, SO_RCVTIMEO, opt, sizeof ms) == 0;
}

bool TcpSocket::sendAll(const std::uint8_t* data, std::size_t size, Clock::time_point deadline) {
  while (size > 0) {
    if (!waitReady(sock(fd_), true, deadline)) return false;
    int n = send(sock(fd_), reinterpret_cast<const char*>(data), static_cast<int>(size), 0);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

long TcpSocket::receive(std::uint8_t* buffer, std::size_t size, Clock::time_point deadline) {
  if (!waitReady(sock(fd_), false, deadline)) return -1;
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

namespace {
// Waits for `events` on fd until the deadline: the returned events, 0 when it passed.
short waitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    int r = poll(&p, 1, msUntil(deadline));
    if (r > 0) return p.revents;
    if (r == 0 || errno != EINTR) return 0;
  }
}
}  // namespace

ConnectOutcome TcpSocket::connectBy(std::uint32_t address, std::uint16_t port,
                                    Clock::time_point deadline) {
  int fd = static_cast<int>(fd_);
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return ConnectOutcome::ModeFailed;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = address;
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
    return ConnectOutcome::Connected;
  if (errno != EINPROGRESS && errno != EINTR) return ConnectOutcome::Refused;
  if (waitFor(fd, POLLOUT, deadline) == 0) return ConnectOutcome::Unfinished;
  // A closed port answers the connect with a reset: Linux reports it only through the socket's
  // error, after the wait.
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  if (error == ECONNREFUSED) return ConnectOutcome::Refused;
  return error == 0 ? ConnectOutcome::Connected : ConnectOutcome::Unfinished;
}

bool TcpSocket::makeBlocking(int timeoutMs) {
  int fd = static_cast<int>(fd_);
  int flags = fcntl(fd, F_GETFL);
  timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 &&
         setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) == 0 &&
         setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0;
}

bool TcpSocket::sendAll(const std::uint8_t* data, std::size_t size, Clock::time_point deadline) {
  int fd = static_cast<int>(fd_);
  while (size > 0) {
    if (waitFor(fd, POLLOUT, deadline) == 0) return false;
    ssize_t n = send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

long TcpSocket::receive(std::uint8_t* buffer, std::size_t size, Clock::time_point deadline) {
  int fd = static_cast<int>(fd_);
  for (;;) {
    if (waitFor(fd, POLLIN, deadline) == 0) return -1;
    ssize_t n = recv(fd, buffer, size, MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    return n < 0 ? -1 : static_cast<long>(n);
  }
}

#endif

}  // namespace qorsdk
