// The stream receiver's worker: learn the source's sending, open the socket, count.

#include "stream_receiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "le_bytes.h"
#include "qorsdk.h"
#include "ts_counter.h"
#include "wire.h"

namespace qorsdk {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMs = 50;
constexpr int kPublishMs = 250;
constexpr int kRetryMs = 1000;
constexpr std::uint16_t kTcpSendMode = 3;

// Status block fields the receiver reads.
constexpr std::size_t kIp = 8, kSendAddress = 96, kSendPort = 100, kSendMode = 102;

std::uint64_t nowMs() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
          .count());
}

sockaddr_in socketAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = address;  // already in network order
  return sa;
}

// The local address the route to `board` leaves from (no packet is sent).
std::uint32_t localAddressTowards(std::uint32_t board) {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in to = socketAddress(board, qor::kConfigPort);
  sockaddr_in local{};
  socklen_t length = sizeof local;
  std::uint32_t address = 0;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0)
    address = local.sin_addr.s_addr;
  ::close(fd);
  return address;
}

// How the board sends, from its status block.
struct Sending {
  std::uint32_t boardIp;
  std::uint32_t address;
  std::uint16_t port;
  std::uint16_t mode;
};

bool isMulticast(std::uint32_t a) {
  return (a & 0xFF) >= 224 && (a & 0xFF) <= 239;
}

// A socket that receives the board's stream, or -1.
int openSocket(const Sending& s, std::uint32_t contact) {
  if (s.port == 0) return -1;
  if (s.mode == kTcpSendMode) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in to = socketAddress(contact, s.port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
      ::close(fd);
      return -1;
    }
    return fd;
  }
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  int buffer = 1 << 20;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  sockaddr_in any = socketAddress(INADDR_ANY, s.port);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
    ::close(fd);
    return -1;
  }
  if (isMulticast(s.address)) {
    ip_mreq join{};
    join.imr_multiaddr.s_addr = s.address;
    join.imr_interface.s_addr = localAddressTowards(contact);
    if (::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) != 0) {
      ::close(fd);
      return -1;
    }
  }
  return fd;
}

void publish(StreamReceiver::Shared& shared, const TsCounter& counter, const RateMeter& meter,
             bool receiving) {
  const auto& t = counter.totals();
  const auto rates = meter.rates();
  std::uint32_t values[8] = {static_cast<std::uint32_t>(t.reads),
                             static_cast<std::uint32_t>(t.packets),
                             static_cast<std::uint32_t>(t.ccErrors),
                             static_cast<std::uint32_t>(t.bytes),
                             rates[0],
                             rates[1],
                             rates[2],
                             receiving ? 1u : 0u};
  for (int i = 0; i < 8; ++i) shared.counters[i].store(values[i], std::memory_order_relaxed);
}

bool waitOrStop(StreamReceiver::Shared& shared, int ms) {
  auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end) {
    if (shared.stop.load()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return shared.stop.load();
}

void work(std::shared_ptr<StreamReceiver::Shared> shared, std::string address) {
  std::uint32_t contact = 0;
  qor::parseIp(address, contact);
  TsCounter counter;
  RateMeter meter;
  int fd = -1;
  bool tcp = false;
  std::uint32_t boardIp = contact;
  std::uint64_t nextPublish = nowMs();
  std::vector<std::uint8_t> buffer(65536);

  while (!shared->stop.load()) {
    if (fd < 0) {
      // Learn how the board sends; a board that does not answer is asked again.
      std::array<std::uint8_t, 200> block{};
      qor::putU32(block, 0, 200);
      if (DEVICE_GetConfig(address.c_str(), QORSDK_GET_STATUS_BLOCK, block.data()) != 0) {
        if (waitOrStop(*shared, kRetryMs)) break;
        continue;
      }
      if (shared->stop.load()) break;
      Sending s{qor::getU32(block, kIp), qor::getU32(block, kSendAddress),
                qor::getU16(block, kSendPort), qor::getU16(block, kSendMode)};
      boardIp = s.boardIp;
      tcp = s.mode == kTcpSendMode;
      fd = openSocket(s, contact);
      if (fd < 0) {
        if (waitOrStop(*shared, kRetryMs)) break;
        continue;
      }
    }
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kPollMs) > 0) {
      if (tcp) {
        long n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0) {  // the board closed: connect again
          ::close(fd);
          fd = -1;
        } else {
          counter.feedStream(buffer.data(), static_cast<std::size_t>(n));
        }
      } else {
        // Every waiting datagram; only the board's own are counted.
        for (;;) {
          sockaddr_in from{};
          socklen_t length = sizeof from;
          long n = ::recvfrom(fd, buffer.data(), buffer.size(), MSG_DONTWAIT,
                              reinterpret_cast<sockaddr*>(&from), &length);
          if (n < 0) break;
          if (from.sin_addr.s_addr == contact || from.sin_addr.s_addr == boardIp)
            counter.feedDatagram(buffer.data(), static_cast<std::size_t>(n));
        }
      }
    }
    std::uint64_t now = nowMs();
    if (now >= nextPublish) {
      const auto& t = counter.totals();
      meter.sample(now, t.bytes, t.videoBytes, t.audioBytes);
      publish(*shared, counter, meter, fd >= 0);
      nextPublish = now + kPublishMs;
    }
  }
  if (fd >= 0) ::close(fd);
  std::lock_guard guard(shared->mu);
  shared->done = true;
  shared->doneChanged.notify_all();
}

}  // namespace

void RateMeter::sample(std::uint64_t ms, std::uint64_t total, std::uint64_t video,
                       std::uint64_t audio) {
  // Keep the points of the last second (and the one just before it).
  if (count_ == points_.size()) {
    for (std::size_t i = 1; i < count_; ++i) points_[i - 1] = points_[i];
    --count_;
  }
  points_[count_++] = {ms, total, video, audio};
  std::size_t first = 0;
  while (first + 1 < count_ && ms - points_[first + 1].ms >= 1000) ++first;
  for (std::size_t i = first; i < count_; ++i) points_[i - first] = points_[i];
  count_ -= first;
  const Point& old = points_[0];
  const std::uint64_t span = ms - old.ms;
  if (span == 0) {
    rates_ = {};
    return;
  }
  auto kbits = [span](std::uint64_t bytes) {
    return static_cast<std::uint32_t>(bytes * 8 / span);  // bytes*8 / ms = kbit/s
  };
  rates_ = {kbits(total - old.total), kbits(video - old.video), kbits(audio - old.audio)};
}

StreamReceiver::StreamReceiver(const std::string& address) : shared_(std::make_shared<Shared>()) {
  worker_ = std::thread(work, shared_, address);
}

StreamReceiver::~StreamReceiver() {
  shared_->stop.store(true);
  std::unique_lock lock(shared_->mu);
  bool done = shared_->doneChanged.wait_for(lock, std::chrono::milliseconds(200),
                                            [this] { return shared_->done; });
  lock.unlock();
  if (done)
    worker_.join();
  else
    worker_.detach();  // it ends by itself after its status read; it holds only shared_
}

std::array<std::uint32_t, 8> StreamReceiver::counters() const {
  std::array<std::uint32_t, 8> values{};
  for (int i = 0; i < 8; ++i) values[i] = shared_->counters[i].load(std::memory_order_relaxed);
  return values;
}

}  // namespace qorsdk
