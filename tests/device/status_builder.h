#pragma once
// Status blocks for tests: the fields the tests vary, everything else zero.

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "device/board.h"
#include "le_bytes.h"
#include "wire.h"

namespace devtest {

inline std::uint32_t ip(const char* dotted) {
  std::uint32_t a = 0;
  if (!qor::parseIp(dotted, a)) throw std::invalid_argument(dotted);
  return a;
}

struct FakeBoard {
  const char* ip = "10.77.0.20";
  const char* mask = "255.255.255.0";
  const char* gateway = "10.77.0.1";
  std::array<std::uint8_t, 6> mac{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  int type = 1;
  const char* send = "0.0.0.0";
  std::uint16_t sendPort = 0;
  std::uint16_t sendMode = 0;
  const char* name = "board";
};

inline tav::StatusBlock makeStatus(const FakeBoard& s) {
  tav::StatusBlock b{};
  qor::putU32(b, 0, 200);
  qor::putU32(b, tav::status::kIdentity, 88);
  qor::putU32(b, tav::status::kIp, ip(s.ip));
  qor::putU32(b, tav::status::kMask, ip(s.mask));
  qor::putU32(b, tav::status::kGateway, ip(s.gateway));
  std::copy(s.mac.begin(), s.mac.end(), b.begin() + tav::status::kMac);
  qor::putText(b, tav::status::kName, tav::status::kNameWidth, s.name);
  qor::putI32(b, tav::status::kDeviceType, s.type);
  qor::putU32(b, tav::status::kSendAddress, ip(s.send));
  qor::putU16(b, tav::status::kSendPort, s.sendPort);
  qor::putU16(b, tav::status::kSendMode, s.sendMode);
  return b;
}

inline CBoard makeBoard(const FakeBoard& s) {
  return CBoard(makeStatus(s));
}

}  // namespace devtest
