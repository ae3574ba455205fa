#include "shell/device_search.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device/notifier.h"
#include "platform/neighbours.h"
#include "platform/udp_endpoint.h"
#include "resources/string_table.h"
#include "wire.h"

namespace tav {
namespace {

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
  const auto after = std::upper_bound(
      rowAddresses.begin(), rowAddresses.end(), address,
      [](std::uint32_t a, std::uint32_t row) { return DottedOrderKey(a) < DottedOrderKey(row); });
  return std::size_t(after - rowAddresses.begin());
}

std::size_t SearchRows::Insert(int boardIndex, std::uint32_t contactAddress) {
  const std::uint32_t key = DottedOrderKey(contactAddress);
  const auto at = std::upper_bound(keys_.begin(), keys_.end(), key);
  const std::ptrdiff_t row = at - keys_.begin();
  keys_.insert(at, key);
  rows_.insert(rows_.begin() + row, boardIndex);
  return std::size_t(row);
}

void SearchRows::Clear() {
  keys_.clear();
  rows_.clear();
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

void DeviceSearch::diagnose(std::string text) {
  notifier_.log(text);
  diagnostics_.push_back(std::move(text));
}

void DeviceSearch::CloseSockets() {
  listener_.Close();
  sender_.Close();
}

void DeviceSearch::Announce() {
  if (flushNeighbours) platform::flushNeighbourCache();
  notifier_.log(str(kStrSearchStarted));
}

bool DeviceSearch::Open(const ListenTarget& target) {
  CloseSockets();
  boards_.Clear();
  rows_.Clear();
  queue_.Clear();
  queued_ = 0;
  newBoards_.clear();
  conflicts_.clear();
  diagnostics_.clear();
  replyCount_ = 0;
  capReported_ = false;
  running_ = true;
  interfaceIndex_ = target.interfaceIndex;
  if (!target.note.empty()) diagnose(target.note);

  // Linux hands broadcast datagrams only to sockets bound to the wildcard address, so the
  // listener binds that and keeps the chosen adapter's datagrams by their arrival interface.
  const bool listening = listener_.Open(qor::kAnswerPort, kListenerBufferBytes);
  if (!listening) {
    diagnostics_.emplace_back(str(kStrListenPortInUse));
    notifier_.message(str(kStrListenPortInUse), NoticeIcon::Warning);
  }
  if (listening && receiveInBackground) listener_.ReceiveInBackground();
  if (listening && listener_.GrantedBufferBytes() < kListenerBufferBytes && !bufferReported_) {
    bufferReported_ = true;
    diagnose(trText("搜索的接收缓冲区只得到 ") +
                  std::to_string(listener_.GrantedBufferBytes() / 1024) + " KiB (" +
                  trText("请求 ") + std::to_string(kListenerBufferBytes / 1024) + " KiB)" +
                  trText("，大量设备同时应答时可能丢失应答；可调大 net.core.rmem_max。"));
  }

  // Bound to the adapter's address, the question leaves through that adapter even when the
  // default route points elsewhere.
  sender_ = platform::BoundUdpSocket::Open(target.address.value_or(0));
  if (!sender_.Valid() && target.address) sender_ = platform::BoundUdpSocket::Open(0);
  const bool sent = sender_.SendTo(DiscoveryRequest(), 0xffffffffu, qor::kSearchPort);
  if (!sent) diagnose(std::string(trText("搜索请求发送失败：")) + std::strerror(errno));
  return listening;
}

std::size_t DeviceSearch::Drain() {
  using Clock = std::chrono::steady_clock;
  constexpr std::size_t kChunk = 256;  // datagrams listed between two looks at the socket
  const auto sliceEnd = Clock::now() + kDrainSlice;
  std::size_t listed = 0;
  for (;;) {
    const std::size_t arrived = listener_.DrainInto(queue_, sliceEnd);
    if (!HasBacklog()) {
      if (arrived == 0 || Clock::now() >= sliceEnd) break;
      continue;
    }
    listed += ListQueued(kChunk);
    if (Clock::now() >= sliceEnd) break;
  }
  if (!HasBacklog()) {
    queue_.Clear();
    queued_ = 0;
  }
  return listed;
}

std::size_t DeviceSearch::ListQueued(std::size_t most) {
  std::size_t listed = 0;
  for (const std::size_t end = std::min(queue_.Size(), queued_ + most); queued_ < end; ++queued_) {
    const platform::DatagramQueue::Entry& e = queue_.At(queued_);
    if (interfaceIndex_ != 0 && e.interfaceIndex != interfaceIndex_) continue;
    listed += Take(queue_.Bytes(e), e.source);
  }
  return listed;
}

std::vector<int> DeviceSearch::TakeNewBoards() {
  std::vector<int> out;
  out.swap(newBoards_);
  return out;
}

std::size_t DeviceSearch::Take(std::span<const std::uint8_t> datagram, std::uint32_t source) {
  if (capReported_) return 0;
  std::size_t added = 0;
  for (const StatusBlock& block : ParseDiscoveryReply(datagram)) {
    if (rows_.Size() >= rowCap) {
      if (!capReported_)
        diagnose("搜索结果已达" + std::to_string(rowCap) + "行上限，之后的应答不再列出。");
      capReported_ = true;
      break;
    }
    ++replyCount_;
    const int index = boards_.Add(block);
    CBoard& board = boards_.At(index);
    board.SetSourceAddress(source);
    rows_.Insert(index, board.ContactAddress());
    newBoards_.push_back(index);
    ++added;
  }
  return added;
}

void DeviceSearch::Finish() {
  ListQueued(queue_.Size());
  queue_.Clear();
  queued_ = 0;
  CloseSockets();
  running_ = false;
  if (boards_.HasConflicts()) notifier_.message(str(kStrAddressConflicts), NoticeIcon::Warning);
  if (linkDiagnosis) linkDiagnosis(boards_, notifier_);
  int n = boards_.Count();
  notifier_.log(n > 0 ? withCount(str(kStrDevicesFound), n) : std::string(str(kStrNoDeviceFound)));
  // Which boards clash, and on what: one line per conflict after the count.
  conflicts_ = boards_.Conflicts();
  for (const BoardConflict& c : conflicts_) notifier_.log(ConflictLine(boards_, c));
}

void DeviceSearch::RunBlocking(const ListenTarget& target, std::chrono::milliseconds window) {
  using Clock = std::chrono::steady_clock;
  Announce();
  Open(target);
  const auto end = Clock::now() + window;
  for (auto now = Clock::now(); now < end; now = Clock::now()) {
    int wait = int(std::chrono::ceil<std::chrono::milliseconds>(end - now).count());
    if (!listener_.IsOpen()) {
      platform::SleepFor(std::chrono::milliseconds(wait));
      continue;
    }
    if (HasBacklog() || listener_.WaitReadable(std::chrono::milliseconds(wait))) Drain();
  }
  Finish();
}

}  // namespace tav
