// The credentials file as anyone who can write it may leave it: the entry found for an address
// and the password module's deciphering of the stored value. Values are never longer than the
// record's 31 bytes, never hold a quote, and come from after the address's own host entry; the
// deciphered text always ends inside its 32-byte field.
//
// Input: [address length, 1 byte, % 16] [address] [file text].

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "credentials.h"
#include "fuzz_check.h"

extern "C" int DecryptStringEX(const char* enciphered, char* plain);
extern "C" int EncryptStringEX(const char* plain, char* enciphered);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::size_t addressLength = std::min<std::size_t>(data[0] % 16, size - 1);
  std::string address(reinterpret_cast<const char*>(data + 1), addressLength);
  std::string_view text(reinterpret_cast<const char*>(data + 1 + addressLength),
                        size - 1 - addressLength);

  auto found = qorsdk::findCredentials(text, address);
  if (found) {
    std::string host = "host=\"" + address + "\"";
    std::size_t at = text.find(host);
    FUZZ_CHECK(at != std::string_view::npos);
    for (const std::string& value : {found->user, found->password}) {
      FUZZ_CHECK(value.size() <= qorsdk::kCredentialValueMax);
      FUZZ_CHECK(value.find('"') == std::string::npos);
      FUZZ_CHECK(text.find("=\"" + value + "\"", at) != std::string_view::npos);
    }
  }

  // The module over the stored value (or the raw text): a NUL within the field on success,
  // and the stored form of what came out deciphers to the same text.
  std::string stored = found ? found->password : std::string(text.substr(0, 80));
  stored = stored.c_str();  // as a C text it ends at the first NUL
  char plain[32 + 8];
  std::memset(plain, 0x5A, sizeof plain);
  if (DecryptStringEX(stored.c_str(), plain)) {
    FUZZ_CHECK(std::memchr(plain, 0, 32) != nullptr);
    FUZZ_CHECK(std::all_of(plain + 32, plain + sizeof plain, [](char c) { return c == 0x5A; }));
    FUZZ_CHECK(plain[0] != 0);
    char again[63], back[32];
    FUZZ_CHECK(EncryptStringEX(plain, again) == 1);
    FUZZ_CHECK(DecryptStringEX(again, back) == 1 && std::strcmp(back, plain) == 0);
  }
  return 0;
}
