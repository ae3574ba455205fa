#pragma once
// Status blocks for the device tests, over the shared builder (support/status_block.h): a board
// with an address, a MAC, a name and an encoder's sending, unless the test says otherwise.

#include <array>
#include <cstdint>

#include "status_block.h"

namespace devtest {

inline std::uint32_t ip(const char* dotted) {
  return tav::test::Ip(dotted);
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
  return tav::test::MakeStatus({.ip = ip(s.ip),
                                .mask = ip(s.mask),
                                .gateway = ip(s.gateway),
                                .mac = s.mac,
                                .deviceType = s.type,
                                .name = s.name,
                                .sendAddress = ip(s.send),
                                .sendPort = s.sendPort,
                                .sendMode = s.sendMode});
}

inline CBoard makeBoard(const FakeBoard& s) {
  return CBoard(makeStatus(s));
}

}  // namespace devtest
