#pragma once
// The system tick count: milliseconds since an arbitrary start, wrapping at 32 bits.

#include <cstdint>

namespace tav {

std::uint32_t TickCountMs();

}  // namespace tav
