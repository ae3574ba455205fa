#pragma once
// The boards' side of the library's own discovery: the short question "qor" + 0xE0 on UDP 4007
// is answered with "qor" + 0xE1 and the board's address, sent to the asker's port 5007 like a
// search answer (the search faults apply: silent, delayed, cut, wrong head, twice, other source).

#include <cstdint>
#include <vector>

#include "qorsim.h"

namespace qorsim {

inline constexpr std::uint8_t kDiscoveryQuestion = 0xE0;
inline constexpr std::uint8_t kDiscoveryAnswer = 0xE1;

// "qor" + 0xE1 + the board's IPv4 address as in its status block (4 bytes).
std::vector<std::uint8_t> discoveryAnswer(const BoardState& board);

}  // namespace qorsim
