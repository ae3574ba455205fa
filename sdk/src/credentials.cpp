#include "credentials.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace qorsdk {
namespace {

// The value after `key` (which ends in the opening quote), searched from `from`.
std::optional<std::string_view> valueAfter(std::string_view text, std::size_t from,
                                           std::string_view key) {
  std::size_t at = text.find(key, from);
  if (at == std::string_view::npos) return std::nullopt;
  std::size_t begin = at + key.size();
  std::size_t end = text.find('"', begin);
  if (end == std::string_view::npos || end - begin > kCredentialValueMax) return std::nullopt;
  return text.substr(begin, end - begin);
}

std::string readAtMost(const std::string& path, std::size_t limit) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return {};
  std::string text(limit, '\0');
  text.resize(std::fread(text.data(), 1, limit, file.get()));
  return text;
}

#if defined(_WIN32)
using Decipher = int(__stdcall*)(const char*, char*);
const char* const kModules[] = {"password.dll"};
#else
using Decipher = int (*)(const char*, char*);
const char* const kModules[] = {"libpassword.so", "password.so"};
#endif

// DecryptStringEX of the first module present in `folder`, called once.
bool decipher(const std::string& folder, const std::string& stored, char (&plain)[32]) {
  for (const char* name : kModules) {
    std::string path = folder + name;
#if defined(_WIN32)
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) continue;
    auto fn = reinterpret_cast<Decipher>(GetProcAddress(module, "DecryptStringEX"));
    bool ok = fn && fn(stored.c_str(), plain) != 0;
    FreeLibrary(module);
#else
    if (access(path.c_str(), F_OK) != 0) continue;
    // A path with a separator: the loader opens exactly that file, never a search.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return false;
    auto fn = reinterpret_cast<Decipher>(dlsym(module, "DecryptStringEX"));
    bool ok = fn && fn(stored.c_str(), plain) != 0;
    dlclose(module);
#endif
    return ok;
  }
  return false;
}

}  // namespace

std::optional<StoredCredentials> findCredentials(std::string_view text, std::string_view address) {
  std::string host = "host=\"" + std::string(address) + "\"";
  std::size_t at = text.find(host);
  if (at == std::string_view::npos) return std::nullopt;
  auto user = valueAfter(text, at, "username=\"");
  auto password = valueAfter(text, at, "password=\"");
  if (!user || !password) return std::nullopt;
  return StoredCredentials{std::string(*user), std::string(*password)};
}

LookupOutcome lookupCredentials(const std::string& folder, const char* address,
                                std::int32_t port2) {
  LookupOutcome out;
  if (!address || !*address) return out;
  std::string text = readAtMost(folder + "Xml/Data.xml", kCredentialsFileMax);
  if (text.empty()) return out;
  auto entry = findCredentials(text, address);
  if (!entry) return out;
  if (entry->user == kServiceUser) {
    out.mode = 1;
    return out;
  }
  out.mode = 12;
  out.port = static_cast<std::uint16_t>(std::clamp<std::int32_t>(port2, 80, 0xffff));
  if (entry->user.empty() || entry->password.empty()) return out;
  char plain[32] = {};
  if (!decipher(folder, entry->password, plain)) return out;
  plain[sizeof plain - 1] = 0;  // whatever the module wrote
  if (!plain[0]) return out;
  out.record.size = sizeof(QORSDK_CREDENTIALS);
  std::memcpy(out.record.user, entry->user.data(), entry->user.size());
  std::memcpy(out.record.password, plain, sizeof plain);
  out.deciphered = true;
  return out;
}

std::optional<std::string> executableFolder() {
  std::string path;
#if defined(_WIN32)
  char buffer[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::nullopt;
  path.assign(buffer, n);
#else
  std::vector<char> buffer(4096);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return std::nullopt;
  path.assign(buffer.data(), static_cast<std::size_t>(n));
#endif
  std::size_t cut = path.find_last_of("/\\");
  if (cut == std::string::npos || cut == 0) return std::nullopt;
  return path.substr(0, cut + 1);
}

}  // namespace qorsdk
