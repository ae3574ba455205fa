#pragma once
// Status blocks for page tests, over the shared builder (support/status_block.h).

#include <cstdint>

#include "status_block.h"

namespace pagetest {

inline tav::StatusBlock Status(int deviceType,
                               std::uint32_t ip = qor::ipFromOctets(192, 168, 1, 20),
                               std::uint32_t mask = qor::ipFromOctets(255, 255, 255, 0)) {
  return tav::test::MakeStatus({.ip = ip, .mask = mask, .deviceType = deviceType});
}

inline void SetSend(tav::StatusBlock& s, std::uint32_t address, std::uint16_t port,
                    std::uint16_t mode) {
  qor::putU32(s, tav::status::kSendAddress, address);
  qor::putU16(s, tav::status::kSendPort, port);
  qor::putU16(s, tav::status::kSendMode, mode);
}

inline void SetReceive(tav::StatusBlock& s, std::uint32_t address, std::uint16_t port,
                       std::int16_t mode) {
  qor::putU32(s, tav::status::kReceiveAddress, address);
  qor::putU16(s, tav::status::kReceivePort, port);
  qor::putI16(s, tav::status::kReceiveMode, mode);
}

inline std::uint32_t Ip(const char* text) {
  return tav::test::Ip(text);
}

}  // namespace pagetest
