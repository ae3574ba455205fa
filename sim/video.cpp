#include "video.h"

#include <algorithm>

#include "layout.h"

namespace qorsim {

namespace L = layout;

void applyPeripheral(BoardState& b, qor::Bytes p) {
  std::copy_n(p.begin(), std::min(p.size(), b.peripheral.size()), b.peripheral.begin());
  auto s = qor::MutBytes(b.status);
  qor::putU16(s, L::kVideoMode, qor::getU16(p, 4));
  qor::putU16(s, L::kVideoWidth, qor::getU16(p, 6));
  qor::putU16(s, L::kVideoHeight, qor::getU16(p, 8));
  qor::putU16(s, kAudioFlags, qor::getU16(p, 10));
}

}  // namespace qorsim
