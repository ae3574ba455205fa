#include "pages/identity_settings.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "device/board.h"
#include "device/board_link.h"
#include "device/datagrams.h"
#include "device/notifier.h"
#include "gbk.h"
#include "le_bytes.h"
#include "platform/adapters.h"
#include "resources/string_table.h"

namespace tav {
namespace {

constexpr std::string_view kUniqueCommand = "getunique:";
constexpr std::string_view kUniqueAnswer = "sendunique:";
constexpr std::size_t kUniqueValueMax = 63;
constexpr std::uint32_t kAllOnes = 0xffffffffu;

// The text after "key" up to the next ';' or the end, 1..63 characters; absent otherwise.
std::optional<std::string> FieldValue(std::string_view body, std::string_view key) {
  std::size_t at = body.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = body.substr(at + key.size());
  rest = rest.substr(0, std::min(rest.find(';'), rest.size()));
  if (rest.empty()) return std::nullopt;
  // Cut at a character boundary; a character is at most 4 bytes, so something is left.
  std::size_t cut = std::min(rest.size(), kUniqueValueMax);
  while (cut > 0 && cut < rest.size() && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80)
    --cut;
  return std::string(rest.substr(0, cut));
}

std::uint8_t ThirdOctet(std::uint32_t address) {
  return static_cast<std::uint8_t>(address >> 16);
}

}  // namespace

PcNetwork ReadPcNetwork() {
  PcNetwork pc;
  bool ok = false;
  auto all = platform::listAdapters(&ok);
  if (!ok) return pc;
  pc.hostAddress = platform::hostFirstAddress(all);
  auto usable = platform::boardAdapters(all);
  if (!usable.empty() && !usable.front().addresses.empty())
    pc.firstAdapter = Subnet{usable.front().addresses.front(), usable.front().masks.front()};
  return pc;
}

IdentityShown ShowIdentity(const CBoard& board) {
  IdentityShown s;
  s.addressText = board.AddressText();
  s.typeName = board.TypeName();
  s.versionText = board.VersionText();
  s.macText = board.MacText();
  s.name = board.Name();
  s.basebandText = board.BasebandText();
  s.addresses = {board.ip(), board.mask(), board.gateway()};
  s.dhcp = board.ip() == 0;
  return s;
}

std::string UniqueRequestText() {
  return std::string(kUniqueCommand) + "SN=;ID=;";
}

UniqueIds ParseUniqueAnswer(std::string_view answerText) {
  UniqueIds ids;
  if (answerText.substr(0, kUniqueAnswer.size()) != kUniqueAnswer) return ids;
  // Values are cut at character boundaries, so the text is made valid UTF-8 first: a run of
  // stray continuation bytes would otherwise leave no boundary to cut at.
  const std::string answer = qor::sanitizeUtf8(answerText);
  std::string_view body = std::string_view(answer).substr(kUniqueAnswer.size());
  if (auto sn = FieldValue(body, "SN=")) {
    // Shown as a number, so "0012" reads 12 and a serial that is not above 0 is no serial.
    std::string_view digits = *sn;
    while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
    std::int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (value > 0) ids.serialNumber = std::to_string(value);
  }
  ids.id = FieldValue(body, "ID=");
  return ids;
}

UniqueIds ReadUniqueIds(const CBoard& board, BoardLink& link) {
  // The buffer carries the request in and the answer out.
  std::vector<char> buffer(kIdentityTextBuffer, 0);
  std::string request = UniqueRequestText();
  std::copy(request.begin(), request.end(), buffer.begin());
  if (link.getConfig(board.AddressText(), kIdentityTextType,
                     std::span(reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size())) != 0)
    return {};
  buffer.back() = 0;
  return ParseUniqueAnswer(qor::gbkToUtf8(buffer.data()));
}

bool RefreshReadsBoard(std::uint32_t boardIp, std::optional<std::uint32_t> pcAddress) {
  return !pcAddress || ThirdOctet(boardIp) == ThirdOctet(*pcAddress);
}

IdentityAddresses DhcpToggled(bool dhcpOn) {
  return dhcpOn ? IdentityAddresses{} : kDefaultStaticAddresses;
}

IdentityCheck CheckIdentityAddresses(const IdentityAddresses& a) {
  IdentityCheck check;
  check.askGateway = (a.ip & a.mask) != (a.gateway & a.mask);
  auto usable = [](std::uint32_t v) { return v != 0 && v != kAllOnes; };
  if (usable(a.ip) && usable(a.gateway)) {
    if (a.ip == a.gateway)
      check.refusal = str(kStrIpConflictsGateway);
    else if (a.ip == (a.ip & a.mask))
      check.refusal = str(kStrIpConflictsNetwork);
    else if (a.ip == (a.ip | ~a.mask))
      check.refusal = str(kStrIpConflictsBroadcast);
  } else if (a.ip == 0 && a.mask == 0 && a.gateway == 0) {
    check.askDhcp = true;
  } else {
    check.refusal = str(kStrCheckParameters);
  }
  return check;
}

bool ConfirmIdentityInput(const IdentityAddresses& a, Notifier& notifier) {
  const IdentityCheck check = CheckIdentityAddresses(a);
  if (check.askGateway) {
    if (!notifier.question({str(kStrAskGatewayOutsideSubnet), "Confirm", AskButtons::OkCancel}))
      return false;
    notifier.log(str(kStrGatewayOutsideSubnet));
  }
  if (check.refusal) {
    notifier.message(*check.refusal, NoticeIcon::Warning);
    return false;
  }
  if (check.askDhcp) return notifier.question({str(kStrAskDhcp), "Confirm", AskButtons::YesNo});
  return true;
}

bool UsesConfigExchange(std::uint32_t contactAddress, std::uint32_t boardMask, const Subnet& pc) {
  return (contactAddress & boardMask) == (pc.address & pc.mask);
}

bool NameUnchanged(const CBoard& board, std::string_view utf8Name) {
  return utf8Name == board.Name();
}

std::string NameRefusal(std::string_view utf8Name) {
  // A board without a name cannot be told apart in the device list.
  if (utf8Name.find_first_not_of(" \t") == std::string_view::npos)
    return trText("设备名称不能为空，请输入设备名称后再设置。");
  const std::string gbk = qor::utf8ToGbk(utf8Name);
  if (utf8Name.find('\0') != std::string_view::npos || qor::gbkToUtf8(gbk) != utf8Name)
    return "设备名称含有GBK无法表示的字符，请修改后再设置。";
  if (gbk.size() > kIdentityNameMaxBytes)
    return "设备名称过长（最多" + std::to_string(kIdentityNameMaxBytes) +
           "字节，一个汉字占2字节），请修改后再设置。";
  return {};
}

std::array<std::uint8_t, kIdentityRecordSize> IdentityConfigRecord(const CBoard& board,
                                                                   const IdentityInput& input,
                                                                   std::uint32_t tickCount) {
  std::array<std::uint8_t, kIdentityRecordSize> r{};
  qor::putU32(r, 0, kIdentityRecordSize);
  qor::putU32(r, 4, input.addresses.ip);
  qor::putU32(r, 8, input.addresses.mask);
  qor::putU32(r, 12, input.addresses.gateway);
  auto mac = DeriveMac(board.mac(), input.addresses.ip, tickCount);
  qor::putBytes(r, 24, mac);
  // The two bytes after the MAC in its 8-byte slot are the board's own.
  const StatusBlock& s = board.statusBlock();
  qor::putBytes(r, 30, qor::Bytes(s).subspan(status::kMac + 6, 2));
  if (NameUnchanged(board, input.name))
    qor::putBytes(r, 32, qor::Bytes(s).subspan(status::kName, status::kNameWidth));
  else
    qor::putText(r, 32, kIdentityRecordSize - 32, FitGbk(input.name, kIdentityNameMaxBytes));
  return r;
}

IdentityOutcome ApplyIdentity(CBoard& board, const IdentityInput& input,
                              std::optional<Subnet> pcAdapter, Notifier& notifier,
                              BoardLink& link) {
  const bool nameChanged = !NameUnchanged(board, input.name);
  if (nameChanged) {
    if (std::string refusal = NameRefusal(input.name); !refusal.empty()) {
      notifier.message(refusal, NoticeIcon::Warning);
      return IdentityOutcome::Refused;
    }
  }
  if (!ConfirmIdentityInput(input.addresses, notifier)) return IdentityOutcome::Refused;
  const IdentityAddresses& a = input.addresses;
  Subnet pc = pcAdapter.value_or(Subnet{a.ip, a.mask});
  bool done = false;
  if (UsesConfigExchange(board.ContactAddress(), board.mask(), pc)) {
    std::uint32_t ticks = link.ticks();
    auto record = IdentityConfigRecord(board, input, ticks);
    done = link.setConfig(board.AddressText(), kIdentityType, record) == 0;
    link.forgetNeighbours();
    // A board moved to DHCP has no address yet: the record keeps the old one, as after the
    // network command, rather than an address nobody can reach.
    if (done && a.ip != 0) {
      board.setIp(a.ip);
      board.setMask(a.mask);
      board.setGateway(a.gateway);
      if (nameChanged) board.setName(input.name);
      board.setMac(DeriveMac(board.mac(), a.ip, ticks));
    }
  }
  if (!done && board.SendNetworkIdentity(a.ip, a.mask, a.gateway, input.name, link) != 0) {
    notifier.log(str(kStrIdentitySetFailed));
    notifier.message(str(kStrIdentitySetFailed), NoticeIcon::Error);
    return IdentityOutcome::Failed;
  }
  notifier.log(str(kStrIdentitySetOk));
  notifier.message(str(kStrIdentitySetOk), NoticeIcon::Information);
  board.SetSourceAddress(0);
  return IdentityOutcome::Done;
}

}  // namespace tav
