#include "debug_registers.h"

#include <algorithm>

#include "layout.h"

namespace qorsim {

bool prepareBatchRead(qor::MutBytes body) {
  namespace L = layout;
  if (qor::getU16(body, L::kBodyCount) != L::kBodyArea) return false;
  if (!qor::fits(body, L::kBodyParams, L::kBodyArea)) return false;
  auto area = body.subspan(L::kBodyParams, L::kBodyArea);
  if (!std::all_of(area.begin(), area.end(), [](std::uint8_t b) { return b == 0; })) return false;
  for (std::size_t i = 0; i < area.size(); ++i) area[i] = static_cast<std::uint8_t>(i);
  return true;
}

}  // namespace qorsim
