// The password module the SDK loads from the program's folder to decipher the passwords kept in
// Xml/Data.xml (see README.md beside this file for the cipher).
//
// DecryptStringEX(enciphered, plain): non-zero on success; `plain` receives at most 31 bytes
// and a NUL (the password field of a credentials record is 32 bytes).
// EncryptStringEX(plain, enciphered): the stored form of a password for the file, for tools
// that write it; `enciphered` must hold 2 * 31 + 1 bytes.

#include <cstddef>
#include <cstring>

#if defined(_WIN32)
#define PASSWORD_API extern "C" __declspec(dllexport)
#define PASSWORD_CALL __stdcall
#else
#define PASSWORD_API extern "C" __attribute__((visibility("default")))
#define PASSWORD_CALL
#endif

namespace {

constexpr std::size_t kPlainMax = 31;
constexpr unsigned char kKey[] = {'Q', 'o', 'r', 'K', 'e', 'y', '2', '4'};

unsigned char keyAt(std::size_t i) {
  return static_cast<unsigned char>(kKey[i % sizeof kKey] ^ (i * 29));
}

int digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

PASSWORD_API int PASSWORD_CALL DecryptStringEX(const char* enciphered, char* plain) {
  if (!enciphered || !plain) return 0;
  std::size_t length = strnlen(enciphered, 2 * kPlainMax + 1);
  if (length == 0 || length % 2 != 0 || length > 2 * kPlainMax) return 0;
  char out[kPlainMax + 1] = {};
  for (std::size_t i = 0; i < length / 2; ++i) {
    int high = digit(enciphered[2 * i]), low = digit(enciphered[2 * i + 1]);
    if (high < 0 || low < 0) return 0;
    out[i] = static_cast<char>((high << 4 | low) ^ keyAt(i));
    if (out[i] == 0) return 0;
  }
  std::memcpy(plain, out, length / 2 + 1);
  return 1;
}

PASSWORD_API int PASSWORD_CALL EncryptStringEX(const char* plain, char* enciphered) {
  if (!plain || !enciphered) return 0;
  std::size_t length = strnlen(plain, kPlainMax + 1);
  if (length == 0 || length > kPlainMax) return 0;
  static const char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < length; ++i) {
    unsigned char b = static_cast<unsigned char>(plain[i]) ^ keyAt(i);
    enciphered[2 * i] = kHex[b >> 4];
    enciphered[2 * i + 1] = kHex[b & 15];
  }
  enciphered[2 * length] = 0;
  return 1;
}
