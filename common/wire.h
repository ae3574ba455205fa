#pragma once
// Constants every party on the boards' LAN agrees on: the packet magic, ports and addresses.

#include <array>
#include <cstdint>
#include <string>

#include "le_bytes.h"

namespace qor {

inline constexpr std::array<std::uint8_t, 3> kMagic{0x71, 0x6F, 0x72};  // "qor"

inline constexpr std::uint16_t kSearchPort = 4007;    // boards: search, group and network commands
inline constexpr std::uint16_t kAnswerPort = 5007;    // PC: search answers
inline constexpr std::uint16_t kMaintPort = 6006;     // maintenance dialog protocol
inline constexpr std::uint16_t kConfigPort = 4010;    // configuration exchange, direct frames
inline constexpr std::uint16_t kFilePort = 8060;      // upgrade components, file writes
inline constexpr std::uint16_t kSerialPort = 8067;    // serial data
inline constexpr std::uint16_t kRegisterPort = 8068;  // maintenance and short packets
inline constexpr std::uint16_t kRegisterAltPort = 8070;

inline constexpr std::size_t kStatusBlockSize = 200;
inline constexpr std::size_t kFrameSize = 8060;  // direct frames and the network command

inline bool hasHead(Bytes b, std::uint8_t command) {
  return b.size() >= 4 && b[0] == kMagic[0] && b[1] == kMagic[1] && b[2] == kMagic[2] &&
         b[3] == command;
}
inline void putHead(MutBytes b, std::uint8_t command) {
  if (b.size() < 4) return;
  b[0] = kMagic[0];
  b[1] = kMagic[1];
  b[2] = kMagic[2];
  b[3] = command;
}

// IPv4 addresses are held as on the wire: network byte order in a little-endian word, so the
// first dotted octet is the lowest byte.
inline std::string ipText(std::uint32_t a) {
  return std::to_string(a & 0xff) + "." + std::to_string((a >> 8) & 0xff) + "." +
         std::to_string((a >> 16) & 0xff) + "." + std::to_string(a >> 24);
}
inline constexpr std::uint32_t ipFromOctets(std::uint8_t a, std::uint8_t b, std::uint8_t c,
                                            std::uint8_t d) {
  return std::uint32_t(a) | (std::uint32_t(b) << 8) | (std::uint32_t(c) << 16) |
         (std::uint32_t(d) << 24);
}
// Strict dotted-quad parse; false for anything else.
bool parseIp(std::string_view text, std::uint32_t& out);

}  // namespace qor
