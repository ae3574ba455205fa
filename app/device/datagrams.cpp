#include "device/datagrams.h"

#include <algorithm>

#include "device/board.h"
#include "device/channel_result.h"
#include "device/socket.h"
#include "le_bytes.h"
#include "platform/ticks.h"
#include "wire.h"

namespace tav {
namespace {

constexpr std::uint32_t kLimitedBroadcast = 0xffffffffu;
// Offsets in the 88-byte network identity record (status block offset - 4).
constexpr std::size_t kRecIp = 4, kRecMask = 8, kRecGateway = 12, kRecMac = 24, kRecName = 32;

}  // namespace

std::int32_t GroupTarget(std::uint32_t address) {
  std::uint32_t n = ((address & 0xff) << 24) | ((address & 0xff00) << 8) |
                    ((address >> 8) & 0xff00) | (address >> 24);
  return static_cast<std::int32_t>(n);
}

GroupCommand BuildGroupCommand(std::uint8_t command, std::int32_t target, bool factoryReset) {
  GroupCommand c{};
  qor::putHead(c, command);
  qor::putI32(c, 8, target);
  qor::putU32(c, 12, factoryReset ? 1 : 0);
  return c;
}

std::array<std::uint8_t, 6> DeriveMac(const std::array<std::uint8_t, 6>& current, std::uint32_t ip,
                                      std::uint32_t tickCount) {
  std::array<std::uint8_t, 6> mac = current;
  // DHCP: no address to build the MAC from, so a locally administered first byte and the ticks.
  std::uint32_t tail = ip != 0 ? ip : tickCount;
  if (ip == 0) mac[0] = 0x22;
  for (int i = 0; i < 4; ++i) mac[2 + i] = static_cast<std::uint8_t>(tail >> (8 * i));
  return mac;
}

std::array<std::uint8_t, 88> BuildIdentityRecord(std::span<const std::uint8_t, 88> current,
                                                 std::uint32_t ip, std::uint32_t mask,
                                                 std::uint32_t gateway, std::string_view utf8Name,
                                                 std::uint32_t tickCount) {
  std::array<std::uint8_t, 88> record{};
  std::copy(current.begin(), current.end(), record.begin());
  qor::putU32(record, kRecIp, ip);
  qor::putU32(record, kRecMask, mask);
  qor::putU32(record, kRecGateway, gateway);
  std::array<std::uint8_t, 6> mac{};
  std::copy_n(record.begin() + kRecMac, 6, mac.begin());
  mac = DeriveMac(mac, ip, tickCount);
  std::copy(mac.begin(), mac.end(), record.begin() + kRecMac);
  qor::putText(record, kRecName, status::kNameWidth, FitGbk(utf8Name, status::kNameWidth - 1));
  return record;
}

std::vector<std::uint8_t> BuildNetworkCommand(std::uint32_t contactAddress,
                                              std::span<const std::uint8_t, 88> record) {
  std::vector<std::uint8_t> datagram(qor::kFrameSize, 0);
  qor::putHead(datagram, kCmdNetworkIdentity);
  qor::putU32(datagram, 4, 96);
  qor::putU32(datagram, 8, contactAddress);
  qor::putBytes(datagram, 12, record);
  return datagram;
}

int SendBroadcast(std::span<const std::uint8_t> datagram) {
  net::Socket socket = net::Socket::udp();
  if (!socket.setBroadcast()) return kDatagramNotSent;
  long n = socket.sendTo(datagram, kLimitedBroadcast, qor::kSearchPort);
  return n == static_cast<long>(datagram.size()) ? kDatagramSent : kDatagramNotSent;
}

int Restart(std::int32_t target) {
  return SendBroadcast(BuildGroupCommand(kCmdRestart, target, false));
}

int FactoryResetAll() {
  return SendBroadcast(BuildGroupCommand(kCmdFactoryReset, kTargetAllBoards, true));
}

}  // namespace tav

using namespace tav;

int CBoard::FactoryReset(BoardLink& link) const {
  return link.broadcast(BuildGroupCommand(kCmdFactoryReset, GroupTarget(ContactAddress()), true));
}

int CBoard::SendNetworkIdentity(std::uint32_t ip, std::uint32_t mask, std::uint32_t gateway,
                                std::string_view utf8Name, BoardLink& link) {
  std::span<const std::uint8_t, 88> current(status_.data() + status::kIdentity,
                                            status::kIdentitySize);
  auto record = BuildIdentityRecord(current, ip, mask, gateway, utf8Name, link.ticks());
  // A name left as it was goes back as the board's own bytes, not through GBK and back.
  if (utf8Name == Name())
    std::copy_n(status_.begin() + status::kName, status::kNameWidth,
                record.begin() + (status::kName - status::kIdentity));
  if (link.broadcast(BuildNetworkCommand(ContactAddress(), record)) != kDatagramSent)
    return kDatagramNotSent;
  // DHCP leaves the record as it was: the board's new address is not known yet.
  if (ip != 0) std::copy(record.begin(), record.end(), status_.begin() + status::kIdentity);
  return kDatagramSent;
}
