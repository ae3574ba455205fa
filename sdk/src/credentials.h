#pragma once
// Per-board credentials from Xml/Data.xml beside the program: the file's entries (a pure reader
// over its text) and the lookup that has the stored password deciphered by the password module
// in the same folder.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "qorsdk.h"

namespace qorsdk {

inline constexpr std::size_t kCredentialsFileMax = 524288;  // bytes read at most
inline constexpr std::size_t kCredentialValueMax = 31;      // a 32-byte field and its NUL
inline constexpr const char* kServiceUser = "tarvenol";

struct StoredCredentials {
  std::string user;
  std::string password;  // enciphered, as stored
};

// The entry of `address` in the file's text: after host="ADDRESS", the value of username="..."
// and of password="..." (each up to the next double quote). Nothing when the host, either key
// or a closing quote is missing, or a value is longer than kCredentialValueMax.
std::optional<StoredCredentials> findCredentials(std::string_view text, std::string_view address);

struct LookupOutcome {
  std::int32_t mode = 0;  // 0 no entry, 1 the service account, 12 a board account
  std::uint16_t port = 0;
  bool deciphered = false;  // record holds size 84, the user and the plain password
  QORSDK_CREDENTIALS record{};
};

// The lookup in `folder` (ending in a separator): Xml/Data.xml there, and the password module
// loaded from there by full path only (libpassword.so, else password.so; password.dll on
// Windows). `port2` is the source's second port.
LookupOutcome lookupCredentials(const std::string& folder, const char* address, std::int32_t port2);

// The folder of the running program's executable with its trailing separator; nothing when it
// cannot be found or the path has no separator past its first character.
std::optional<std::string> executableFolder();

}  // namespace qorsdk
