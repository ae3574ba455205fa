#include "gbk.h"

#include <iconv.h>

#include <cerrno>
#include <charconv>
#include <vector>

#include "wire.h"

namespace qor {
namespace {

// Converts with iconv; an invalid or incomplete input sequence is replaced and skipped.
std::string convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement, std::size_t skip) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return sanitizeUtf8(in);  // keep the output valid UTF-8
  std::string out;
  std::vector<char> buf(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buf.data();
    std::size_t dstLeft = buf.size();
    std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf.data(), dst - buf.data());
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      out.append(replacement);
      std::size_t n = std::min(skip, srcLeft);
      src += n;
      srcLeft -= n;
    }
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  iconv_close(cd);
  return out;
}

std::size_t utf8SeqLen(unsigned char c) {
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::string gbkToUtf8(std::string_view gbk) {
  return convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD", 1);
}

std::string utf8ToGbk(std::string_view utf8) {
  // Unconvertible characters: skip the whole UTF-8 sequence, write '?'.
  std::string clean = sanitizeUtf8(utf8);
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return clean;
  std::string out;
  std::size_t i = 0;
  while (i < clean.size()) {
    std::size_t n = utf8SeqLen(static_cast<unsigned char>(clean[i]));
    if (n == 0 || i + n > clean.size()) n = 1;
    char* src = clean.data() + i;
    std::size_t srcLeft = n;
    char buf[8];
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1))
      out.push_back('?');
    else
      out.append(buf, dst - buf);
    i += n;
  }
  iconv_close(cd);
  return out;
}

std::string sanitizeUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = utf8SeqLen(c);
    bool ok = n > 0 && i + n <= s.size();
    for (std::size_t k = 1; ok && k < n; ++k)
      ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (ok && n == 3) {
      auto c1 = static_cast<unsigned char>(s[i + 1]);
      ok = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
    }
    if (ok && n == 4) {
      auto c1 = static_cast<unsigned char>(s[i + 1]);
      ok = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
    }
    if (ok) {
      out.append(s.substr(i, n));
      i += n;
    } else {
      out.append("\xEF\xBF\xBD");
      ++i;
    }
  }
  return out;
}

bool parseIp(std::string_view text, std::uint32_t& out) {
  std::uint32_t value = 0;
  const char* p = text.data();
  const char* end = text.data() + text.size();
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (p == end || *p != '.') return false;
      ++p;
    }
    if (p == end || *p < '0' || *p > '9') return false;
    unsigned octet = 0;
    auto [next, ec] = std::from_chars(p, end, octet);
    if (ec != std::errc() || octet > 255 || next - p > 3) return false;
    value |= octet << (8 * i);
    p = next;
  }
  if (p != end) return false;
  out = value;
  return true;
}

}  // namespace qor
