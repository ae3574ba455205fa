#include "platform/datagram_listener.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tav::platform {

void DatagramQueue::Push(std::span<const std::uint8_t> bytes, std::uint32_t source,
                         unsigned interfaceIndex) {
  entries_.push_back({source, interfaceIndex, bytes_.size(), bytes.size()});
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

// Receive slots for one recvmmsg call. The data area is left uninitialised: the system
// writes only what arrives, so the untouched parts of the 4 MiB cost no memory.
struct DatagramListener::Batch {
  std::unique_ptr<std::uint8_t[]> data{new std::uint8_t[kBatch * kMaxDatagram]};
  mmsghdr messages[kBatch];
  iovec iov[kBatch];
  sockaddr_in from[kBatch];
  alignas(cmsghdr) char control[kBatch][CMSG_SPACE(sizeof(in_pktinfo))];

  void Reset() {
    for (std::size_t i = 0; i < kBatch; ++i) {
      iov[i] = {data.get() + i * kMaxDatagram, kMaxDatagram};
      msghdr& m = messages[i].msg_hdr;
      m = msghdr{};
      m.msg_name = &from[i];
      m.msg_namelen = sizeof from[i];
      m.msg_iov = &iov[i];
      m.msg_iovlen = 1;
      m.msg_control = control[i];
      m.msg_controllen = sizeof control[i];
      messages[i].msg_len = 0;
    }
  }
};

void DatagramQueue::Append(DatagramQueue& other) {
  const std::size_t base = bytes_.size();
  for (Entry e : other.entries_) {
    e.offset += base;
    entries_.push_back(e);
  }
  bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
  other.Clear();
}

DatagramListener::DatagramListener() = default;

DatagramListener::~DatagramListener() {
  Close();
}

void DatagramListener::Close() {
  StopReceiving();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  granted_ = 0;
}

bool DatagramListener::Open(std::uint16_t port, int bufferBytes) {
  Close();
  fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return false;
  // SO_RCVBUFFORCE passes the system's cap where the program may (CAP_NET_ADMIN); otherwise
  // SO_RCVBUF gets what the cap allows.
  if (::setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &bufferBytes, sizeof bufferBytes) != 0)
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
  int reported = 0;
  socklen_t length = sizeof reported;
  if (::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &reported, &length) == 0)
    granted_ = reported / 2;  // Linux reports twice the size asked, half kept for its own use
  int one = 1;
  ::setsockopt(fd_, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    Close();
    return false;
  }
  return true;
}

bool DatagramListener::WaitReadable(std::chrono::milliseconds wait) const {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, int(wait.count())) > 0;
}

void DatagramListener::ReceiveInBackground() {
  if (fd_ < 0 || reader_.joinable() || ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  reader_ = std::thread([this] {
    DatagramQueue read;
    for (;;) {
      pollfd p[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      if (::poll(p, 2, -1) < 0 && errno != EINTR) break;
      if (p[1].revents) break;
      if (ReadWaiting(read, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)) == 0)
        continue;
      std::lock_guard<std::mutex> hold(takenLock_);
      taken_.Append(read);
    }
  });
}

void DatagramListener::StopReceiving() {
  if (reader_.joinable()) {
    const char stop = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_[1], &stop, 1);
    reader_.join();
  }
  for (int& fd : wake_) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  taken_.Clear();
}

std::size_t DatagramListener::DrainInto(DatagramQueue& queue,
                                        std::chrono::steady_clock::time_point until) {
  if (fd_ < 0) return 0;
  if (reader_.joinable()) {
    std::lock_guard<std::mutex> hold(takenLock_);
    const std::size_t n = taken_.Size();
    queue.Append(taken_);
    return n;
  }
  return ReadWaiting(queue, until);
}

std::size_t DatagramListener::ReadWaiting(DatagramQueue& queue,
                                          std::chrono::steady_clock::time_point until) {
  if (!batch_) batch_ = std::make_unique<Batch>();
  std::size_t taken = 0;
  for (;;) {
    batch_->Reset();
    const int n = ::recvmmsg(fd_, batch_->messages, unsigned(kBatch), MSG_DONTWAIT, nullptr);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;  // nothing more waiting (or an error the next notification shows again)
    }
    for (int i = 0; i < n; ++i) {
      msghdr& m = batch_->messages[i].msg_hdr;
      unsigned arrived = 0;
      for (cmsghdr* c = CMSG_FIRSTHDR(&m); c; c = CMSG_NXTHDR(&m, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
          in_pktinfo info;
          std::memcpy(&info, CMSG_DATA(c), sizeof info);
          arrived = unsigned(info.ipi_ifindex);
        }
      }
      const std::size_t size = std::min<std::size_t>(batch_->messages[i].msg_len, kMaxDatagram);
      queue.Push({batch_->data.get() + std::size_t(i) * kMaxDatagram, size},
                 batch_->from[i].sin_addr.s_addr, arrived);
    }
    taken += std::size_t(n);
    if (std::chrono::steady_clock::now() >= until) break;
  }
  return taken;
}

}  // namespace tav::platform
