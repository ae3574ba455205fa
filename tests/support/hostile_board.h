#pragma once
// Hostile boards for LAN tests, on top of qorsim: boards that drip or split their answers, flood
// the search, claim sizes they do not send, or carry terminal escapes and bytes GBK cannot map
// in their texts. Each helper sets one board's state; the faults that pace bytes are qorsim's.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "le_bytes.h"
#include "qorsim.h"

namespace hostile {

// Texts a terminal would act on: a title change, clear screen, a C1 CSI and a bell.
inline const std::string kEscapes =
    "\x1b]0;owned\x07\x1b[2J\xc2\x9b"
    "31m";

inline qorsim::Faults Drip(int ms) {
  qorsim::Faults f;
  f.dripMs = ms;
  return f;
}
inline qorsim::Faults Split(int ms) {
  qorsim::Faults f;
  f.splitMs = ms;
  return f;
}
inline qorsim::Faults FloodSearch(int ms) {
  qorsim::Faults f;
  f.floodSearchMs = ms;
  return f;
}

// A variable block (types 266/267: reply command 0x5B/0x5D) of `length` bytes whose size word
// claims `sizeWord`.
inline void OversizeBlock(qorsim::Simulator& sim, const std::string& board, std::uint8_t reply,
                          std::uint32_t sizeWord, std::size_t length) {
  std::vector<std::uint8_t> block(length);
  for (std::size_t i = 0; i < length; ++i) block[i] = static_cast<std::uint8_t>(0x10 + i);
  qor::putU32(block, 0, sizeWord);
  sim.withBoard(board, [&](qorsim::BoardState& b) { b.readBlocks[reply] = block; });
}

// The board's name slot (status block 36, 32 bytes) set to raw bytes, unterminated when 32.
inline void RawName(qorsim::Simulator& sim, const std::string& board,
                    const std::vector<std::uint8_t>& bytes) {
  sim.withBoard(board, [&](qorsim::BoardState& b) {
    std::fill_n(b.status.begin() + 36, 32, 0);
    std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), 32), b.status.begin() + 36);
  });
}

}  // namespace hostile
