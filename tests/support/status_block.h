#pragma once
// The one status-block builder of the tests: the fields a test names, everything else zero, the
// block and identity sizes at their places as a board sends them. Fields by name:
//   tav::test::MakeStatus({.ip = tav::test::Ip("10.77.0.5"), .deviceType = 9})

#include <algorithm>
#include <array>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>

#include "device/board.h"
#include "le_bytes.h"
#include "wire.h"

namespace tav::test {

// A dotted address as held on the wire; a test's typo throws instead of reading 0.0.0.0.
inline std::uint32_t Ip(const std::string& dotted) {
  std::uint32_t a = 0;
  if (!qor::parseIp(dotted, a)) throw std::invalid_argument("not an address: " + dotted);
  return a;
}

// "00:1a:2b:3c:4d:5e".
inline std::array<std::uint8_t, 6> Mac(const std::string& text) {
  std::array<std::uint8_t, 6> mac{};
  std::istringstream in(text);
  std::string octet;
  for (std::size_t i = 0; i < mac.size() && std::getline(in, octet, ':'); ++i)
    mac[i] = static_cast<std::uint8_t>(std::stoul(octet, nullptr, 16));
  return mac;
}

struct StatusFields {
  std::uint32_t ip = 0;
  std::uint32_t mask = qor::ipFromOctets(255, 255, 255, 0);
  std::uint32_t gateway = 0;
  std::array<std::uint8_t, 6> mac{};
  int deviceType = 1;
  std::string name{};  // the bytes the board holds (GBK), at most 31
  std::uint32_t sendAddress = 0;
  std::uint16_t sendPort = 0, sendMode = 0;
  std::uint32_t receiveAddress = 0;
  std::uint16_t receivePort = 0;
  std::int16_t receiveMode = 0;
};

inline StatusBlock MakeStatus(const StatusFields& f) {
  StatusBlock b{};
  qor::putU32(b, status::kSize, static_cast<std::uint32_t>(b.size()));
  qor::putU32(b, status::kIdentity, static_cast<std::uint32_t>(status::kIdentitySize));
  qor::putU32(b, status::kIp, f.ip);
  qor::putU32(b, status::kMask, f.mask);
  qor::putU32(b, status::kGateway, f.gateway);
  std::copy(f.mac.begin(), f.mac.end(), b.begin() + status::kMac);
  qor::putText(b, status::kName, status::kNameWidth, f.name);
  qor::putI32(b, status::kDeviceType, f.deviceType);
  qor::putU32(b, status::kSendAddress, f.sendAddress);
  qor::putU16(b, status::kSendPort, f.sendPort);
  qor::putU16(b, status::kSendMode, f.sendMode);
  qor::putU32(b, status::kReceiveAddress, f.receiveAddress);
  qor::putU16(b, status::kReceivePort, f.receivePort);
  qor::putI16(b, status::kReceiveMode, f.receiveMode);
  return b;
}

}  // namespace tav::test
