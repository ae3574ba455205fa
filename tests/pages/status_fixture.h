#pragma once
// Status blocks for page tests, built field by field.

#include <cstdint>

#include "device/board.h"
#include "le_bytes.h"
#include "wire.h"

namespace pagetest {

inline tav::StatusBlock Status(int deviceType,
                               std::uint32_t ip = qor::ipFromOctets(192, 168, 1, 20),
                               std::uint32_t mask = qor::ipFromOctets(255, 255, 255, 0)) {
  tav::StatusBlock s{};
  qor::putU32(s, 0, 200);
  qor::putU32(s, tav::status::kIdentity, 88);
  qor::putU32(s, tav::status::kIp, ip);
  qor::putU32(s, tav::status::kMask, mask);
  qor::putI32(s, tav::status::kDeviceType, deviceType);
  return s;
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
  std::uint32_t a = 0;
  qor::parseIp(text, a);
  return a;
}

}  // namespace pagetest
