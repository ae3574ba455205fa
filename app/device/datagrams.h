#pragma once
// UDP control datagrams to the boards' port 4007 (broadcast to 255.255.255.255): the 32-byte
// group commands and the 8060-byte network command. No datagram is answered; the result says
// only whether it left the PC (0 sent, 1 not sent).

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tav {

inline constexpr std::uint8_t kCmdRestart = 0xE8;
inline constexpr std::uint8_t kCmdFactoryReset = 0xEB;
inline constexpr std::uint8_t kCmdNetworkIdentity = 0xF0;

// Group command targets; any other value is one board's address, first octet most significant.
inline constexpr std::int32_t kTargetAllBoards = -1;
inline constexpr std::int32_t kTargetEncoders = -2;
inline constexpr std::int32_t kTargetDecoders = -3;

// A board address as held on the wire (first octet lowest byte) as a group command target.
std::int32_t GroupTarget(std::uint32_t address);

using GroupCommand = std::array<std::uint8_t, 32>;
GroupCommand BuildGroupCommand(std::uint8_t command, std::int32_t target, bool factoryReset);

// The network identity record (status block offsets 4-91) with a new identity filled in:
// IP, mask, gateway, the MAC derived from the IP (DHCP when ip is 0: first byte 0x22, last
// four the tick count, least significant first) and the name (UTF-8, sent as GBK in the
// status block's 32-byte name slot so the device type and versions after it stay intact).
std::array<std::uint8_t, 88> BuildIdentityRecord(std::span<const std::uint8_t, 88> current,
                                                 std::uint32_t ip, std::uint32_t mask,
                                                 std::uint32_t gateway, std::string_view utf8Name,
                                                 std::uint32_t tickCount);
// First two bytes kept; last four the octets of ip in dotted order; ip 0: 0x22, keep, ticks.
std::array<std::uint8_t, 6> DeriveMac(const std::array<std::uint8_t, 6>& current, std::uint32_t ip,
                                      std::uint32_t tickCount);
// 8060 bytes: head 0xF0, size 96, the board's current contact address, the record, zeros.
std::vector<std::uint8_t> BuildNetworkCommand(std::uint32_t contactAddress,
                                              std::span<const std::uint8_t, 88> record);

// Sends one datagram to 255.255.255.255:4007 from a fresh broadcast socket.
int SendBroadcast(std::span<const std::uint8_t> datagram);

// Restart of a group: target kTargetAllBoards, kTargetEncoders or kTargetDecoders.
int Restart(std::int32_t target);
// Factory reset of every board.
int FactoryResetAll();

}  // namespace tav
