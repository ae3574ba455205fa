#include "hostile.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "wire.h"

namespace qorsim {
namespace {

using namespace std::chrono_literals;

constexpr auto kRequestDeadline = 15s;  // longer than any PC-side exchange waits
constexpr auto kTransferDeadline = 120s;

sockaddr_in endpoint(std::uint32_t address, std::uint16_t port) {
  sockaddr_in s{};
  s.sin_family = AF_INET;
  s.sin_port = htons(port);
  std::memcpy(&s.sin_addr.s_addr, &address, 4);  // first octet lowest: network order in memory
  return s;
}

// Waits until fd is writable, `until` passes or stopping; true when writable.
bool writable(int fd, SteadyClock::time_point until, const std::atomic<bool>& stopping) {
  while (!stopping) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - SteadyClock::now());
    if (left <= 0ms) return false;
    pollfd p{fd, POLLOUT, 0};
    int r = poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 100)));
    if (r > 0) return (p.revents & (POLLERR | POLLHUP)) == 0;
    if (r < 0 && errno != EINTR) return false;
  }
  return false;
}

// Sleeps until `until` (capped by the deadline) unless stopping; false when the deadline or
// stop came first.
bool pause(SteadyClock::time_point until, SteadyClock::time_point deadline,
           const std::atomic<bool>& stopping) {
  while (!stopping) {
    auto now = SteadyClock::now();
    if (now >= deadline) return false;
    if (now >= until) return true;
    std::this_thread::sleep_for(
        std::min<SteadyClock::duration>({until - now, deadline - now, 50ms}));
  }
  return false;
}

}  // namespace

std::chrono::milliseconds connectionDeadline(std::uint16_t port) {
  return port == qor::kFilePort ? kTransferDeadline : kRequestDeadline;
}

std::size_t sendPaced(int fd, qor::Bytes reply, const Faults& faults,
                      SteadyClock::time_point deadline, const std::atomic<bool>& stopping) {
  // Pieces: the whole reply, two halves, or single bytes.
  std::size_t piece = reply.size();
  if (faults.dripMs > 0)
    piece = 1;
  else if (faults.splitMs > 0)
    piece = std::max<std::size_t>(1, (reply.size() + 1) / 2);
  const auto gap = std::chrono::milliseconds(faults.dripMs > 0 ? faults.dripMs : faults.splitMs);
  std::size_t sent = 0;
  while (sent < reply.size()) {
    if (sent > 0 && piece < reply.size() && !pause(SteadyClock::now() + gap, deadline, stopping))
      break;
    const std::size_t end = std::min(reply.size(), sent + piece);
    while (sent < end) {
      if (!writable(fd, deadline, stopping)) return sent;
      ssize_t n = send(fd, reply.data() + sent, end - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
      } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        return sent;
      }
    }
  }
  return sent;
}

std::size_t floodSearchAnswers(std::uint32_t from, std::uint32_t to,
                               const std::vector<std::uint8_t>& answer,
                               std::chrono::milliseconds duration,
                               const std::atomic<bool>& stopping) {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in local = endpoint(from, 0);
  sockaddr_in peer = endpoint(to, qor::kAnswerPort);
  std::size_t count = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0) {
    const auto until = SteadyClock::now() + duration;
    while (!stopping && SteadyClock::now() < until) {
      // A burst between clock reads; a full socket buffer just waits a moment.
      for (int i = 0; i < 64; ++i) {
        if (sendto(fd, answer.data(), answer.size(), MSG_DONTWAIT,
                   reinterpret_cast<sockaddr*>(&peer), sizeof peer) > 0)
          ++count;
        else if (errno == EAGAIN || errno == ENOBUFS)
          std::this_thread::sleep_for(1ms);
      }
    }
  }
  close(fd);
  return count;
}

}  // namespace qorsim
