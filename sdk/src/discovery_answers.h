#pragma once
// The discovery's answers: how each datagram on the answer port changes the caller's address
// list, block buffer, count and result. Pure functions over bytes; the sockets are in
// discovery.cpp.

#include <cstddef>
#include <cstdint>

#include "le_bytes.h"

namespace qorsdk {

inline constexpr std::uint8_t kDiscoveryShortQuestion = 0xE0;
inline constexpr std::uint8_t kDiscoveryShortAnswer = 0xE1;
inline constexpr std::uint8_t kDiscoveryLongQuestion = 0xE5;
inline constexpr std::uint8_t kDiscoveryLongAnswer = 0xE6;
inline constexpr std::size_t kDiscoveryDatagramMax = 8192;
inline constexpr std::size_t kDiscoveryBlockSize = 200;

// The caller's buffers, already checked: text is textLength bytes (> 0); blocks is
// blockLength bytes, or null outside mode 2.
struct DiscoveryState {
  char* text = nullptr;
  std::size_t textLength = 0;
  std::uint8_t* blocks = nullptr;
  std::size_t blockLength = 0;
  std::size_t blockUsed = 0;
  std::int32_t count = 0;
  std::int32_t result = 0;  // 0, or 35 once an answer was short or unknown
};

// Puts "a.b.c.d;" in front of the list when the whole text still fits with its NUL; otherwise
// the list stays as it is.
void addAnswerAddress(DiscoveryState& state, std::uint32_t sender);

// One datagram from `sender` (network order, first octet lowest). Datagrams without the "qor"
// head are ignored; 0xE1 is listed and counted; 0xE6 stores its block while 200 bytes of the
// block buffer are free and is listed and counted (35 when it is shorter than 204 bytes); any
// other command gives 35 and is not listed.
void takeAnswer(DiscoveryState& state, qor::Bytes datagram, std::uint32_t sender);

}  // namespace qorsdk
