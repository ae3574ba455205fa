// CLIENT_GetDeviceList: one broadcast question on the boards' search port, answers collected on
// the PC's answer port until the LAN has been quiet for 1.5 s.

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <chrono>
#include <cstring>
#include <vector>

#include "discovery_answers.h"
#include "qorsdk.h"
#include "socket_io.h"
#include "wire.h"

namespace qorsdk {
namespace {

constexpr int kQuietMs = 1500;  // the receive time-out that ends the discovery
constexpr int kAnswerBufferSize = 65536;
// Boards answer within 3 s; with the quiet time after the last one that is the most the
// discovery waits, however many datagrams a flooding host sends.
constexpr auto kListenLimit = std::chrono::milliseconds(3000 + kQuietMs);

#if defined(_WIN32)
using Native = SOCKET;
constexpr Native kNone = INVALID_SOCKET;
void closeNative(Native s) {
  closesocket(s);
}
#else
using Native = int;
constexpr Native kNone = -1;
void closeNative(Native s) {
  close(s);
}
#endif

struct Udp {
  Native fd = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  Udp() = default;
  Udp(const Udp&) = delete;
  Udp& operator=(const Udp&) = delete;
  ~Udp() {
    if (fd != kNone) closeNative(fd);
  }
  template <typename T>
  bool option(int level, int name, T value) {
    return setsockopt(fd, level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
  }
};

// One datagram within `ms`: its length (-1 on time-out or error) and its sender.
long receiveOne(Native fd, std::uint8_t* buffer, std::size_t size, int ms, std::uint32_t& sender) {
#if defined(_WIN32)
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(fd, &readable);
  timeval wait{ms / 1000, (ms % 1000) * 1000};
  if (select(0, &readable, nullptr, nullptr, &wait) <= 0) return -1;
  sockaddr_in from{};
  int length = sizeof from;
  int n = recvfrom(fd, reinterpret_cast<char*>(buffer), static_cast<int>(size), 0,
                   reinterpret_cast<sockaddr*>(&from), &length);
  if (n < 0 && WSAGetLastError() == WSAEMSGSIZE) n = static_cast<int>(size);
#else
  pollfd p{fd, POLLIN, 0};
  int r;
  while ((r = poll(&p, 1, ms)) < 0 && errno == EINTR) {
  }
  if (r <= 0) return -1;
  sockaddr_in from{};
  socklen_t length = sizeof from;
  ssize_t n = recvfrom(fd, buffer, size, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &length);
#endif
  sender = from.sin_addr.s_addr;
  return n < 0 ? -1 : static_cast<long>(n);
}

std::int32_t discover(QORSDK_DISCOVERY& record) {
  using Clock = std::chrono::steady_clock;
  Udp receiver, sender;
  if (receiver.fd == kNone || sender.fd == kNone) return QORSDK_DISCOVERY_SOCKET;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(qor::kAnswerPort);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(receiver.fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
    return QORSDK_DISCOVERY_BIND;
#if defined(_WIN32)
  DWORD quiet = kQuietMs;
#else
  timeval quiet{kQuietMs / 1000, (kQuietMs % 1000) * 1000};
#endif
  if (!receiver.option(SOL_SOCKET, SO_RCVTIMEO, quiet) ||
      !receiver.option(SOL_SOCKET, SO_RCVBUF, kAnswerBufferSize))
    return QORSDK_DISCOVERY_SOCKET;
  if (!sender.option(SOL_SOCKET, SO_BROADCAST, 1)) return QORSDK_DISCOVERY_SOCKET;

  std::uint8_t question[4];
  qor::putHead(question, record.mode == 2 ? kDiscoveryLongQuestion : kDiscoveryShortQuestion);
  sockaddr_in everyone{};
  everyone.sin_family = AF_INET;
  everyone.sin_port = htons(qor::kSearchPort);
  everyone.sin_addr.s_addr = htonl(INADDR_BROADCAST);
  if (sendto(sender.fd, reinterpret_cast<const char*>(question), sizeof question, 0,
             reinterpret_cast<sockaddr*>(&everyone), sizeof everyone) != sizeof question)
    return QORSDK_DISCOVERY_SOCKET;

  DiscoveryState state;
  state.text = record.text;
  state.textLength = static_cast<std::size_t>(record.textLength);
  std::memset(state.text, 0, state.textLength);
  if (record.mode == 2) {
    state.blocks = record.blocks;
    state.blockLength = static_cast<std::size_t>(record.blockLength);
  }
  std::vector<std::uint8_t> datagram(kDiscoveryDatagramMax);
  const auto end = Clock::now() + kListenLimit;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) break;
    std::uint32_t from = 0;
    long n = receiveOne(receiver.fd, datagram.data(), datagram.size(),
                        static_cast<int>(std::min<long long>(left, kQuietMs)), from);
    if (n < 4) break;
    takeAnswer(state, qor::Bytes(datagram.data(), static_cast<std::size_t>(n)), from);
  }
  record.count = state.count;
  return state.result;
}

}  // namespace
}  // namespace qorsdk

extern "C" {

QORSDK_API int32_t QORSDK_CALL CLIENT_GetDeviceList(QORSDK_DISCOVERY* record, int32_t size,
                                                    int32_t* count) {
  if (count) *count = 0;
  if (!record || !count || size <= 0) return QORSDK_CLIENT_BAD_ARGUMENT;
  if (size != static_cast<int32_t>(sizeof(QORSDK_DISCOVERY)) ||
      record->size != sizeof(QORSDK_DISCOVERY) || !record->text || record->textLength <= 0 ||
      (record->mode == 2 && (!record->blocks || record->blockLength <= 0)))
    return QORSDK_CLIENT_BAD_ARGUMENT;
  qorsdk::ensureSocketLibrary();
  record->count = 0;
  std::int32_t result = qorsdk::discover(*record);
  *count = record->count;
  return result;
}

}  // extern "C"
