#pragma once
// The network identity page without a display: what it shows of a board, the serial number
// and ID answer, the DHCP switch, the checks on a new address and the choice between the
// configuration exchange (board in the PC's subnet) and the UDP network command.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "qorsdk.h"
#include "wire.h"

class CBoard;

namespace tav {

class BoardLink;
class Notifier;

inline constexpr int kIdentityType = 0;        // configuration write
inline constexpr int kIdentityTextType = 268;  // text command read
inline constexpr std::size_t kIdentityTextBuffer =
    QORSDK_TEXT_BUFFER_SIZE;  // the SDK cuts answers to it
inline constexpr std::size_t kIdentityRecordSize = 88;
// Names longer than the status block's slot would run into the device type after it.
inline constexpr std::size_t kIdentityNameMaxBytes = 31;

struct IdentityAddresses {
  std::uint32_t ip = 0;
  std::uint32_t mask = 0;
  std::uint32_t gateway = 0;
};

struct IdentityInput {
  IdentityAddresses addresses;
  std::string name;  // UTF-8
};

struct Subnet {
  std::uint32_t address = 0;
  std::uint32_t mask = 0;
};

// The PC's side: the host's first address and its first network adapter (unknown: nothing).
struct PcNetwork {
  std::optional<std::uint32_t> hostAddress;
  std::optional<Subnet> firstAdapter;
};
PcNetwork ReadPcNetwork();

// Everything the page shows of a board (texts UTF-8).
struct IdentityShown {
  std::string addressText, typeName, versionText, macText, name, basebandText;
  IdentityAddresses addresses;
  bool dhcp = false;  // the board has no address of its own
};
IdentityShown ShowIdentity(const CBoard& board);

// The identity text command and its answer; an absent value hides its row.
std::string UniqueRequestText();  // "getunique:SN=;ID=;"
struct UniqueIds {
  std::optional<std::string> serialNumber;
  std::optional<std::string> id;
};
// The answer text as UTF-8 (invalid sequences are taken as U+FFFD). A value present is 1 to 63
// bytes of valid UTF-8 without ';'; a serial number is a positive decimal number.
UniqueIds ParseUniqueAnswer(std::string_view answer);
// Asks the board; both rows hidden when the exchange fails.
UniqueIds ReadUniqueIds(const CBoard& board, BoardLink& link);

// The page re-reads the board only when it looks like one of the PC's neighbours (same third
// octet); otherwise it shows the record it has. Unknown PC address: read.
bool RefreshReadsBoard(std::uint32_t boardIp, std::optional<std::uint32_t> pcAddress);

// What the address fields hold after the DHCP box is ticked (true) or unticked.
IdentityAddresses DhcpToggled(bool dhcpOn);
inline constexpr IdentityAddresses kDefaultStaticAddresses{qor::ipFromOctets(192, 168, 18, 235),
                                                           qor::ipFromOctets(255, 255, 255, 0),
                                                           qor::ipFromOctets(192, 168, 18, 1)};

// What the checks make of new addresses, in the order the page goes through it: the gateway
// question, then the refusal, then the DHCP question.
struct IdentityCheck {
  bool askGateway = false;             // gateway outside the subnet: message 185, OK logs 186
  std::optional<std::string> refusal;  // 277/278/279 (conflicts) or 1160; nothing is sent
  bool askDhcp = false;                // all zero: message 1161
};
IdentityCheck CheckIdentityAddresses(const IdentityAddresses& a);

// Asks the check's questions and shows its refusal; true when the input may go out.
bool ConfirmIdentityInput(const IdentityAddresses& a, Notifier& notifier);

// True: configuration exchange first (the board's subnet is the PC's); false: UDP only.
bool UsesConfigExchange(std::uint32_t contactAddress, std::uint32_t boardMask, const Subnet& pc);

// A name the user left as shown (the board's name read back) goes to the board as the bytes the
// board sent, whatever GBK makes of them.
bool NameUnchanged(const CBoard& board, std::string_view utf8Name);
// Why a new name cannot go to the board (too long for its slot, characters GBK cannot hold, a
// NUL); empty when it fits.
std::string NameRefusal(std::string_view utf8Name);

// The 88-byte record of configuration type 0, built from zero.
std::array<std::uint8_t, kIdentityRecordSize> IdentityConfigRecord(const CBoard& board,
                                                                   const IdentityInput& input,
                                                                   std::uint32_t tickCount);

enum class IdentityOutcome { Refused, Failed, Done };

// Checks, asks, sends by the right path, reports and updates the board record; pcAdapter is
// the PC's first adapter (none: the new address decides). The configuration write (type 0),
// the network command, the neighbour-cache flush and the tick count all go through the link.
IdentityOutcome ApplyIdentity(CBoard& board, const IdentityInput& input,
                              std::optional<Subnet> pcAdapter, Notifier& notifier, BoardLink& link);

}  // namespace tav
