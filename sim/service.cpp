#include "service.h"

#include <algorithm>

namespace qorsim {

std::uint32_t storeOverlay(BoardState& b, qor::Bytes block) {
  const std::size_t n = std::min(block.size(), b.overlay.size());
  std::copy_n(block.begin(), n, b.overlay.begin());
  const std::uint32_t channel = qor::getU32(block, 4);
  b.channelOverlays[channel] = b.overlay;
  return channel;
}

std::int32_t fileWriteResult(const BoardState& b, const std::string& path) {
  if (b.faults.fileResult) return *b.faults.fileResult;
  return path == kLoginFile ? 1 : 3;
}

bool fileWriteKept(std::int32_t result) {
  return result == 1 || result == 3 || result == 5;
}

}  // namespace qorsim
