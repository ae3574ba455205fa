#pragma once
// What the harnesses assert beyond "no crash": a failed check aborts, which libFuzzer reports
// as a crash and the corpus replay as a failed test.

#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition) ((condition) ? void(0) : fuzz::Fail(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. Written here rather
// than taken from common/ so a fault there cannot hide itself.
inline bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    unsigned char lead = byte(0);
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead < 0x80) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (length > text.size() - i) return false;
    if (length > 1 && (byte(1) < low || byte(1) > high)) return false;
    for (std::size_t k = 2; k < length; ++k)
      if ((byte(k) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

}  // namespace fuzz
