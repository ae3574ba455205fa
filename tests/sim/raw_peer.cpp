#include "raw_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace rawpeer {
namespace {

sockaddr_in addr(const std::string& ip, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
  return a;
}

}  // namespace

Bytes head(std::uint8_t command, std::size_t totalSize) {
  Bytes b(std::max<std::size_t>(totalSize, 4), 0);
  b[0] = 'q';
  b[1] = 'o';
  b[2] = 'r';
  b[3] = command;
  return b;
}

bool sendDatagram(const std::string& to, const Bytes& bytes) {
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  int one = 1;
  setsockopt(s, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  sockaddr_in a = addr(to, 4007);
  bool ok = sendto(s, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a) ==
            static_cast<ssize_t>(bytes.size());
  close(s);
  return ok;
}

std::vector<Datagram> search(std::chrono::milliseconds window, const std::string& to,
                             const std::string& bindAddress) {
  std::vector<Datagram> out;
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  int one = 1;
  setsockopt(s, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in local = addr(bindAddress, 5007);
  if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    close(s);
    return out;
  }
  Bytes question = head(0xE5);
  sockaddr_in dst = addr(to, 4007);
  sendto(s, question.data(), question.size(), 0, reinterpret_cast<sockaddr*>(&dst), sizeof dst);
  auto until = std::chrono::steady_clock::now() + window;
  std::uint8_t buf[65536];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    until - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) break;
    pollfd p{s, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) continue;
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    // Our own question comes back when bound to the wildcard; it is no answer.
    if (n >= 4 && buf[3] == 0xE5) continue;
    out.push_back({text, Bytes(buf, buf + n)});
  }
  close(s);
  return out;
}

TcpResult exchange(const std::string& address, std::uint16_t port, const Bytes& request,
                   bool expectReply, std::chrono::milliseconds timeout) {
  TcpResult r;
  int s = socket(AF_INET, SOCK_STREAM, 0);
  timeval tv{2, 0};
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  sockaddr_in a = addr(address, port);
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    r.refused = errno == ECONNREFUSED;
    close(s);
    return r;
  }
  r.connected = true;
  std::size_t sent = 0;
  while (sent < request.size()) {
    ssize_t n = send(s, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  if (expectReply) {
    auto until = std::chrono::steady_clock::now() + timeout;
    std::uint8_t buf[16384];
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      until - std::chrono::steady_clock::now())
                      .count();
      if (left <= 0) {
        r.timedOut = true;
        break;
      }
      pollfd p{s, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      ssize_t n = recv(s, buf, sizeof buf, 0);
      if (n <= 0) break;
      r.reply.insert(r.reply.end(), buf, buf + n);
    }
  }
  close(s);
  return r;
}

}  // namespace rawpeer
