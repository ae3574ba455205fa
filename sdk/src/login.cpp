// CLIENT_Login: a local check of the boards' fixed service account; no network traffic.

#include <cstring>

#include "client_record.h"
#include "qorsdk.h"

namespace {

constexpr const char* kServiceAccount = "tarvenol";  // user name and password alike
constexpr std::size_t kAddressMin = 5, kAddressMax = 15;

void fillDeviceInfo(QORSDK_DEVICE_INFO* info) {
  if (!info) return;
  std::memcpy(info->model, "VGAenc\0", sizeof info->model);
  info->flag = 1;
}

}  // namespace

extern "C" {

QORSDK_API QORSDK_HANDLE QORSDK_CALL CLIENT_Login(const char* address, int32_t port,
                                                  const char* user, const char* password,
                                                  QORSDK_DEVICE_INFO* info, int32_t* error) {
  if (!address || !user || !password) {
    if (error) *error = QORSDK_CLIENT_E_NULL;
    return nullptr;
  }
  if (!error) return nullptr;
  if (std::strcmp(user, kServiceAccount) != 0 || std::strcmp(password, kServiceAccount) != 0) {
    *error = QORSDK_CLIENT_E_LOGIN_REFUSED;
    return nullptr;
  }
  QORSDK_CREATE defaults{};  // size 0: a handle with default settings
  QORSDK_HANDLE handle = CLIENT_Create(&defaults);
  if (qorsdk::ClientRecord* record = handle ? qorsdk::liveRecord(handle) : nullptr) {
    if (port > 0) record->port2 = static_cast<std::uint16_t>(port);
    std::size_t length = strnlen(address, kAddressMax + 1);
    if (length >= kAddressMin && length <= kAddressMax) {
      std::memcpy(record->address, address, length);
      record->address[length] = 0;
    }
    record->mode = 1;
  }
  fillDeviceInfo(info);
  return handle;
}

}  // extern "C"
