#pragma once
// Little-endian field access with explicit offsets. Readers check bounds and never cast structs
// over received bytes.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace qor {

using Bytes = std::span<const std::uint8_t>;
using MutBytes = std::span<std::uint8_t>;

inline bool fits(Bytes b, std::size_t off, std::size_t n) {
  return off <= b.size() && n <= b.size() - off;
}

// Out-of-range reads give 0; out-of-range writes are dropped. Callers size their buffers from
// the record tables, so a miss here is a programming error that must not corrupt memory.
inline std::uint8_t getU8(Bytes b, std::size_t off) {
  return fits(b, off, 1) ? b[off] : 0;
}
inline std::uint16_t getU16(Bytes b, std::size_t off) {
  return fits(b, off, 2) ? static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8)) : 0;
}
inline std::uint32_t getU32(Bytes b, std::size_t off) {
  if (!fits(b, off, 4)) return 0;
  return std::uint32_t(b[off]) | (std::uint32_t(b[off + 1]) << 8) |
         (std::uint32_t(b[off + 2]) << 16) | (std::uint32_t(b[off + 3]) << 24);
}
inline std::int8_t getI8(Bytes b, std::size_t off) {
  return static_cast<std::int8_t>(getU8(b, off));
}
inline std::int16_t getI16(Bytes b, std::size_t off) {
  return static_cast<std::int16_t>(getU16(b, off));
}
inline std::int32_t getI32(Bytes b, std::size_t off) {
  return static_cast<std::int32_t>(getU32(b, off));
}

inline void putU8(MutBytes b, std::size_t off, std::uint8_t v) {
  if (fits(b, off, 1)) b[off] = v;
}
inline void putU16(MutBytes b, std::size_t off, std::uint16_t v) {
  if (!fits(b, off, 2)) return;
  b[off] = v & 0xff;
  b[off + 1] = v >> 8;
}
inline void putU32(MutBytes b, std::size_t off, std::uint32_t v) {
  if (!fits(b, off, 4)) return;
  for (int i = 0; i < 4; ++i) b[off + i] = (v >> (8 * i)) & 0xff;
}
inline void putI16(MutBytes b, std::size_t off, std::int16_t v) {
  putU16(b, off, static_cast<std::uint16_t>(v));
}
inline void putI32(MutBytes b, std::size_t off, std::int32_t v) {
  putU32(b, off, static_cast<std::uint32_t>(v));
}

inline void putBytes(MutBytes b, std::size_t off, Bytes src) {
  if (fits(b, off, src.size()) && !src.empty()) std::memcpy(b.data() + off, src.data(), src.size());
}

// A NUL-terminated 8-bit text in a fixed slot; a slot without NUL gives all of its bytes.
inline std::string getText(Bytes b, std::size_t off, std::size_t width) {
  if (off >= b.size()) return {};
  std::size_t n = std::min(width, b.size() - off);
  const char* p = reinterpret_cast<const char*>(b.data() + off);
  return std::string(p, strnlen(p, n));
}
// Writes at most width-1 bytes and always a NUL; the rest of the slot is zeroed.
inline void putText(MutBytes b, std::size_t off, std::size_t width, std::string_view text) {
  if (width == 0 || !fits(b, off, width)) return;
  std::memset(b.data() + off, 0, width);
  std::memcpy(b.data() + off, text.data(), std::min(text.size(), width - 1));
}

}  // namespace qor
