#include "discovery.h"

#include "layout.h"
#include "wire.h"

namespace qorsim {

std::vector<std::uint8_t> discoveryAnswer(const BoardState& board) {
  std::vector<std::uint8_t> answer(8);
  qor::putHead(answer, kDiscoveryAnswer);
  qor::putU32(answer, 4, board.ip());
  return answer;
}

}  // namespace qorsim
