#include "shell/device_search.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device/notifier.h"
#include "platform/neighbours.h"
#include "resources/string_table.h"
#include "wire.h"

namespace tav {
namespace {

sockaddr_in endpoint(std::uint32_t address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = address;  // held as on the wire already
  return a;
}

std::string withCount(const char* format, int n) {
  std::string text = format;
  if (auto at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(n));
  return text;
}

}  // namespace

std::array<std::uint8_t, 4> DiscoveryRequest() {
  std::array<std::uint8_t, 4> q{};
  qor::putHead(q, kCmdSearch);
  return q;
}

std::vector<StatusBlock> ParseDiscoveryReply(std::span<const std::uint8_t> datagram) {
  std::vector<StatusBlock> blocks;
  for (std::size_t at = 0; at < datagram.size(); at += kSearchReplySize) {
    auto rest = datagram.subspan(at);
    if (!qor::hasHead(rest, kCmdSearchReply)) break;
    if (at > 0 && rest.size() < kSearchReplySize) break;
    StatusBlock block{};
    auto body = rest.subspan(4, std::min<std::size_t>(rest.size() - 4, block.size()));
    std::copy(body.begin(), body.end(), block.begin());
    blocks.push_back(block);
  }
  return blocks;
}

bool AddressNotAbove(std::uint32_t a, std::uint32_t b) {
  for (int shift = 0; shift < 32; shift += 8) {
    std::uint32_t x = (a >> shift) & 0xff, y = (b >> shift) & 0xff;
    if (x != y) return x < y;
  }
  return true;
}

std::size_t SortedRowPosition(const std::vector<std::uint32_t>& rowAddresses,
                              std::uint32_t address) {
  for (std::size_t row = rowAddresses.size(); row > 0; --row)
    if (AddressNotAbove(rowAddresses[row - 1], address)) return row;
  return 0;
}

ListenTarget ChooseListenTarget(const std::vector<platform::Adapter>& adapters,
                                std::string_view chosenAddressText) {
  ListenTarget target;
  if (!chosenAddressText.empty()) {
    std::uint32_t chosen = 0;
    const platform::Adapter* adapter = nullptr;
    if (qor::parseIp(chosenAddressText, chosen))
      adapter = platform::adapterWithAddress(adapters, chosen);
    if (adapter) {
      target.address = chosen;
      target.interfaceIndex = adapter->index;
      return target;
    }
    target.note = trText("所选网卡地址") + std::string(chosenAddressText) +
                  trText("已不在本机上，改为在所有网卡上接收应答。");
    return target;
  }
  if (auto first = platform::hostFirstAddress(adapters)) {
    target.address = *first;
    if (const platform::Adapter* adapter = platform::adapterWithAddress(adapters, *first))
      target.interfaceIndex = adapter->index;
  }
  return target;
}

DeviceSearch::DeviceSearch(CBoardCtrl& boards, Notifier& notifier)
    : boards_(boards), notifier_(notifier) {}

DeviceSearch::~DeviceSearch() {
  CloseSockets();
}

void DeviceSearch::CloseSockets() {
  if (listener_ >= 0) close(listener_);
  if (sender_ >= 0) close(sender_);
  listener_ = sender_ = -1;
}

void DeviceSearch::Announce() {
  if (flushNeighbours) platform::flushNeighbourCache();
  notifier_.log(str(238));
}

bool DeviceSearch::Open(const ListenTarget& target) {
  CloseSockets();
  boards_.Clear();
  rows_.clear();
  replyCount_ = 0;
  capReported_ = false;
  running_ = true;
  interfaceIndex_ = target.interfaceIndex;
  if (!target.note.empty()) notifier_.log(target.note);

  // Linux hands broadcast datagrams only to sockets bound to the wildcard address, so the
  // listener binds that and keeps the chosen adapter's datagrams by their arrival interface.
  bool listening = false;
  listener_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listener_ >= 0) {
    int size = kListenerBufferBytes, one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    setsockopt(listener_, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
    sockaddr_in local = endpoint(INADDR_ANY, qor::kAnswerPort);
    listening = bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
  }
  if (!listening) {
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
    notifier_.message(str(237), NoticeIcon::Warning);
  }

  // Bound to the adapter's address, the question leaves through that adapter even when the
  // default route points elsewhere.
  sender_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  bool sent = false;
  if (sender_ >= 0) {
    int one = 1;
    setsockopt(sender_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in local = endpoint(target.address.value_or(INADDR_ANY), 0);
    bind(sender_, reinterpret_cast<sockaddr*>(&local), sizeof local);
    auto question = DiscoveryRequest();
    sockaddr_in to = endpoint(INADDR_BROADCAST, qor::kSearchPort);
    sent = sendto(sender_, question.data(), question.size(), 0, reinterpret_cast<sockaddr*>(&to),
                  sizeof to) == ssize_t(question.size());
  }
  if (!sent) notifier_.log(std::string(trText("搜索请求发送失败：")) + std::strerror(errno));
  return listening;
}

std::vector<DeviceSearch::Found> DeviceSearch::Drain() {
  std::vector<Found> found;
  if (listener_ < 0) return found;
  std::vector<std::uint8_t> buffer(kMaxDatagramBytes);
  const auto sliceEnd = std::chrono::steady_clock::now() + kDrainSlice;
  for (std::size_t taken = 0;; ++taken) {
    // The clock is read every few datagrams: cheap enough under a flood, and the slice holds.
    if (taken % 64 == 63 && std::chrono::steady_clock::now() >= sliceEnd) break;
    sockaddr_in from{};
    iovec iov{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n = recvmsg(listener_, &msg, MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;  // nothing more waiting (or an error the next notification will show again)
    }
    if (interfaceIndex_ != 0) {
      unsigned arrived = 0;
      for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
          in_pktinfo info;
          std::memcpy(&info, CMSG_DATA(c), sizeof info);
          arrived = unsigned(info.ipi_ifindex);
        }
      }
      if (arrived != interfaceIndex_) continue;
    }
    for (int index :
         Take(std::span<const std::uint8_t>(buffer.data(), std::size_t(n)), from.sin_addr.s_addr))
      found.push_back({index, 0});
  }
  // Rows of earlier finds in this batch may have moved down: report them as they stand now.
  for (Found& f : found)
    f.row = int(std::find(rows_.begin(), rows_.end(), f.boardIndex) - rows_.begin());
  return found;
}

std::vector<int> DeviceSearch::Take(std::span<const std::uint8_t> datagram, std::uint32_t source) {
  std::vector<int> added;
  for (const StatusBlock& block : ParseDiscoveryReply(datagram)) {
    if (rows_.size() >= rowCap) {
      if (!capReported_)
        notifier_.log("搜索结果已达" + std::to_string(rowCap) + "行上限，之后的应答不再列出。");
      capReported_ = true;
      break;
    }
    ++replyCount_;
    int index = boards_.Add(block);
    boards_.At(index).SetSourceAddress(source);
    std::vector<std::uint32_t> addresses;
    addresses.reserve(rows_.size());
    for (int i : rows_) addresses.push_back(boards_.At(i).ContactAddress());
    std::size_t row = SortedRowPosition(addresses, boards_.At(index).ContactAddress());
    rows_.insert(rows_.begin() + std::ptrdiff_t(row), index);
    added.push_back(index);
  }
  return added;
}

void DeviceSearch::Finish() {
  CloseSockets();
  running_ = false;
  if (boards_.HasConflicts()) notifier_.message(str(168), NoticeIcon::Warning);
  if (linkDiagnosis) linkDiagnosis(boards_, notifier_);
  int n = boards_.Count();
  notifier_.log(n > 0 ? withCount(str(131), n) : std::string(str(130)));
  // Which boards clash, and on what: one line per conflict after the count.
  for (const BoardConflict& c : boards_.Conflicts()) notifier_.log(ConflictLine(boards_, c));
}

void DeviceSearch::RunBlocking(const ListenTarget& target, std::chrono::milliseconds window) {
  using Clock = std::chrono::steady_clock;
  Announce();
  Open(target);
  const auto end = Clock::now() + window;
  for (auto now = Clock::now(); now < end; now = Clock::now()) {
    int wait = int(std::chrono::ceil<std::chrono::milliseconds>(end - now).count());
    if (listener_ < 0) {
      poll(nullptr, 0, wait);
      continue;
    }
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, wait) > 0) Drain();
  }
  Finish();
}

}  // namespace tav
