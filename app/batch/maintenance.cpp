#include "batch/maintenance.h"

#include <ctime>

#include "gbk.h"
#include "le_bytes.h"
#include "platform/neighbours.h"
#include "resources/string_table.h"
#include "shell/device_search.h"

namespace tav::batch {
namespace {

constexpr std::size_t kTableCount = 4;
constexpr std::size_t kTableAddresses = 8;
constexpr std::size_t kTableMasks = 40;
constexpr std::size_t kTableMacs = 72;
constexpr std::size_t kReplyTable = 16;
constexpr std::size_t kReplyResult = 24;

bool HasHead(std::span<const std::uint8_t> d) {
  return d.size() >= 4 && d[0] == 'q' && d[1] == 'o' && d[2] == 'r';
}

}  // namespace

std::array<std::uint8_t, kAdapterTableSize> EncodeAdapterTable(const AdapterTable& table) {
  std::array<std::uint8_t, kAdapterTableSize> r{};
  const std::size_t count = std::min(table.size(), kMaxAdapters);
  qor::putU32(r, 0, kAdapterTableSize);
  qor::putU32(r, kTableCount, static_cast<std::uint32_t>(count));
  for (std::size_t i = 0; i < count; ++i) {
    qor::putU32(r, kTableAddresses + 4 * i, table[i].address);
    qor::putU32(r, kTableMasks + 4 * i, table[i].mask);
    qor::putBytes(r, kTableMacs + 6 * i, table[i].mac);
  }
  return r;
}

AdapterTable DecodeAdapterTable(std::span<const std::uint8_t> record) {
  AdapterTable table;
  if (record.size() < kAdapterTableSize) return table;
  const std::int32_t count = qor::getI32(record, kTableCount);
  const std::size_t n = count < 0 ? 0 : std::min<std::size_t>(count, kMaxAdapters);
  for (std::size_t i = 0; i < n; ++i) {
    AdapterEntry e;
    e.address = qor::getU32(record, kTableAddresses + 4 * i);
    e.mask = qor::getU32(record, kTableMasks + 4 * i);
    for (std::size_t k = 0; k < 6; ++k) e.mac[k] = qor::getU8(record, kTableMacs + 6 * i + k);
    table.push_back(e);
  }
  return table;
}

AdapterTable AdapterTableOf(const std::vector<platform::Adapter>& adapters) {
  AdapterTable table;
  for (const auto& a : platform::boardAdapters(adapters)) {
    if (table.size() == kMaxAdapters) break;
    AdapterEntry e;
    e.address = a.addresses.front();
    e.mask = a.masks.empty() ? 0 : a.masks.front();
    e.mac = a.mac;
    table.push_back(e);
  }
  return table;
}

std::array<std::uint8_t, kRequestSize> BuildRequest(char letter, std::uint32_t messageNumber,
                                                    std::uint32_t exchangeNumber,
                                                    std::uint32_t target,
                                                    std::string_view gbkText) {
  std::array<std::uint8_t, kRequestSize> d{};
  d[0] = 'q';
  d[1] = 'o';
  d[2] = 'r';
  d[3] = static_cast<std::uint8_t>(letter);
  qor::putU32(d, 4, kHeadWord);
  qor::putU32(d, 8, messageNumber);
  qor::putU32(d, 12, exchangeNumber);
  switch (letter) {
    case kSearch:
      qor::putU32(d, 16, 12);
      qor::putU32(d, 20, 1);
      qor::putU32(d, 24, 0);
      break;
    case kRestart:
    case kFactoryReset:
      qor::putU32(d, 16, 16);
      qor::putU32(d, 20, target);
      break;
    case kExecute:
      qor::putU32(d, 16, 116);
      qor::putU32(d, 20, target);
      qor::putText(d, 24, kCommandTextSlot, gbkText);
      qor::putU32(d, 132, 12);
      qor::putU32(d, 136, 1);
      qor::putU32(d, 140, 0);
      break;
    default:
      break;
  }
  return d;
}

std::optional<MaintenanceReply> ParseReply(std::span<const std::uint8_t> d) {
  if (!HasHead(d) || d.size() < 16 || qor::getU32(d, 4) != kHeadWord) return std::nullopt;
  MaintenanceReply r;
  r.letter = static_cast<char>(d[3]);
  r.replyNumber = qor::getU32(d, 8);
  r.exchangeNumber = qor::getU32(d, 12);
  if (r.letter == kSearchReply) {
    if (d.size() < kSearchReplyMinimum) return std::nullopt;
    r.adapters = DecodeAdapterTable(d.subspan(kReplyTable, kAdapterTableSize));
    return r;
  }
  if (r.letter == kResultReply) {
    if (d.size() < kResultReplyMinimum) return std::nullopt;
    r.result = d[kReplyResult];
    r.kept = {qor::getU32(d, 16), qor::getU32(d, 20), qor::getU32(d, 28)};
    return r;
  }
  return std::nullopt;
}

std::string ResultText(std::uint8_t result) {
  return str(result == 0 ? 283 : result == 1 ? 284 : 285);
}

std::optional<std::string> CommandTextForWire(std::string_view utf8) {
  std::string gbk = qor::utf8ToGbk(utf8);
  if (gbk.size() > kCommandTextMax || gbk.find('\0') != std::string::npos) return std::nullopt;
  return gbk;
}

MaintenanceSession::MaintenanceSession(MaintenanceTransport& transport, Notifier& notifier,
                                       std::function<std::uint32_t()> seedClock)
    : transport_(transport), notifier_(notifier), seedClock_(std::move(seedClock)) {
  if (!seedClock_) seedClock_ = [] { return static_cast<std::uint32_t>(std::time(nullptr)); };
}

void MaintenanceSession::Log(std::string_view text) {
  std::string line = log_.Add(text);
  if (logged) logged(line);
}

void MaintenanceSession::Send(char letter, std::uint32_t target, std::string_view gbkText) {
  // A request still waiting is ended: its sockets go before new ones are made.
  if (passesLeft_ > 0) {
    passesLeft_ = 0;
    transport_.Close();
  }
  const AdapterTable table = transport_.Adapters();
  transport_.Open(table);
  random_.seed(seedClock_());
  if (letter == kSearch || letter == kExecute) {
    do exchange_ = static_cast<std::uint32_t>(random_());
    while (exchange_ == 0);  // 0 belongs to 'c' and 'd'
  } else {
    exchange_ = 0;
  }
  message_ = static_cast<std::uint32_t>(random_());
  transport_.Broadcast(BuildRequest(letter, message_, exchange_, target, gbkText));
  if (letter == kSearch || letter == kExecute || waitAfterCommands) {
    results_.clear();
    passesLeft_ = kReplyPasses;
  } else {
    transport_.Close();  // no reply wait after 'c' and 'd'
  }
}

void MaintenanceSession::StartSearch() {
  transport_.FlushNeighbours();
  Log(str(kStrSearchStarted));
  rows_.clear();
  boards_.Clear();
  Send(kSearch, selected_, {});
}

bool MaintenanceSession::Restart() {
  if (selected_ == 0) return false;
  Send(kRestart, selected_, {});
  return true;
}

bool MaintenanceSession::FactoryReset() {
  if (selected_ == 0) return false;
  Send(kFactoryReset, selected_, {});
  return true;
}

bool MaintenanceSession::Execute(std::string_view utf8Text) {
  auto gbk = CommandTextForWire(utf8Text);
  if (!gbk) {
    notifier_.message(kCommandTooLong, NoticeIcon::Warning);
    return false;
  }
  if (selected_ == 0) return false;
  Send(kExecute, selected_, *gbk);
  return true;
}

bool MaintenanceSession::Pass() {
  if (passesLeft_ <= 0) return false;
  transport_.Pause();
  if (auto d = transport_.ReceiveOne()) Handle(*d);
  if (--passesLeft_ == 0) {
    transport_.Close();
    return false;
  }
  return true;
}

void MaintenanceSession::Wait() {
  while (Pass()) {
  }
}

void MaintenanceSession::Handle(const platform::ReceivedDatagram& datagram) {
  auto reply = ParseReply(datagram.bytes);
  if (!reply || reply->exchangeNumber != exchange_ || reply->replyNumber == lastReply_) return;
  lastReply_ = reply->replyNumber;
  if (reply->letter == kResultReply) {
    results_.push_back(*reply);
    notifier_.message(ResultText(reply->result),
                      reply->result == 0 ? NoticeIcon::Information : NoticeIcon::Error);
    return;
  }
  for (const auto& entry : reply->adapters) {
    if (entry.address != datagram.source) continue;
    // The same board heard again (on another adapter, or in a later reply) is listed once.
    bool listed = false;
    for (const auto& b : boards_) listed |= b.ip() == entry.address;
    if (listed) continue;
    CBoard board;
    board.setIp(entry.address);
    board.setMask(entry.mask);
    board.setMac(entry.mac);
    const int index = boards_.Add(board);
    std::vector<std::uint32_t> addresses;
    for (const auto& row : rows_) addresses.push_back(boards_.At(row.boardIndex).ip());
    const std::size_t at = SortedRowPosition(addresses, entry.address);
    const CBoard& added = boards_.At(index);
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at),
                 Row{index, added.AddressText(), added.MacText(), added.MaskText()});
    if (rowAdded) rowAdded(static_cast<int>(at));
  }
}

std::string MaintenanceSession::SearchButtonText() const {
  return str(Waiting() ? 125 : 119);
}

void MaintenanceSession::SelectRow(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  selected_ = boards_.At(rows_[row].boardIndex).ip();
}

}  // namespace tav::batch
