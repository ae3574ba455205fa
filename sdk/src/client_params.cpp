// Client settings by parameter type, the source table and the statistics reads.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

#include "client_record.h"
#include "credentials.h"
#include "stream_receiver.h"
#include "video_view.h"
#include "wire.h"

namespace qorsdk {
namespace {

// Length of a NUL-terminated text, or `limit` when it is that long or longer.
std::size_t boundedLength(const char* text, std::size_t limit) {
  return strnlen(text, limit);
}

void copyText(char* slot, const char* text, std::size_t length) {
  std::memcpy(slot, text, length);
  slot[length] = 0;
}

std::int32_t setCredentials(ClientRecord& record, const QORSDK_CREDENTIALS& credentials);

// A board account found in the credentials file, deciphered, becomes the handle's credentials
// (as type 17 would set them); the mode and port the lookup derives are not applied.
void applyStoredCredentials(ClientRecord& record, const QORSDK_SOURCE& source) {
  if (!source.address || boundedLength(source.address, kAddressLimit) >= kAddressLimit) return;
  auto folder = executableFolder();
  if (!folder) return;
  try {
    LookupOutcome found = lookupCredentials(*folder, source.address, source.port2);
    if (found.deciphered) setCredentials(record, found.record);
  } catch (const std::exception&) {  // out of memory: no lookup, nothing thrown to the caller
  }
}

std::int32_t setSource(ClientRecord& record, const QORSDK_SOURCE& source) {
  record.mode = source.mode;
  if (source.address && boundedLength(source.address, kAddressLimit) < kAddressLimit)
    copyText(record.address, source.address, std::strlen(source.address));
  if (source.port > 0) record.port = static_cast<std::uint16_t>(source.port);
  if (source.address2 && boundedLength(source.address2, kAddressLimit) < kAddressLimit)
    copyText(record.address2, source.address2, std::strlen(source.address2));
  if (source.port2 > 0) record.port2 = static_cast<std::uint16_t>(source.port2);

  const bool urlMode = source.mode == 112 || source.mode == 113 || source.mode == 114;
  if (urlMode && source.url) {
    std::size_t length = boundedLength(source.url, kTextLimit);
    if (length < kTextLimit) {
      copyText(record.url, source.url, length);
      record.urlSet = 1;
    } else if (source.mode == 112) {
      return QORSDK_CLIENT_TEXT_TOO_LONG;
    }
  }
  record.sourceKind = sourceKindFor(source.mode, record.sourceKind);
  if (source.mode == 80 || (source.mode >= 113 && source.mode <= 115)) {
    if (source.url) {
      std::size_t length = boundedLength(source.url, kTextLimit);
      if (length < kTextLimit) copyText(record.url, source.url, length);
    }
    return QORSDK_CLIENT_BAD_ARGUMENT;
  }
  if (source.mode == 0) applyStoredCredentials(record, source);
  return QORSDK_CLIENT_OK;
}

std::int32_t setVideoWindow(ClientRecord& record, const QORSDK_VIDEO_WINDOW& window) {
  if (window.enable != 0) {
    record.videoEnable = 1;
    record.videoWindow = window.window;
    if (record.view->window()) record.view->changeWindow(window.window);
  } else {
    record.videoEnable = 0;
    record.videoWindow = nullptr;
  }
  return QORSDK_CLIENT_OK;
}

std::int32_t setListen(ClientRecord& record, const QORSDK_LISTEN& listen) {
  record.listenEnable = listen.enable != 0;
  record.listenSecond = listen.secondFlag != 0;
  if (listen.port < 0) {
    record.listenPort = 0;
    return QORSDK_CLIENT_BAD_ARGUMENT;
  }
  record.listenPort = listen.port == 0 ? kDefaultListenPort : listen.port;
  return QORSDK_CLIENT_OK;
}

std::int32_t changeSourceTable(ClientRecord& record, const QORSDK_SOURCE_TABLE& change) {
  constexpr int kEntries = QORSDK_SOURCE_TABLE_ENTRIES;
  if (change.operation == -1) {
    record.sourceCount = 0;
    std::memset(record.sources, 0, sizeof record.sources);
    return QORSDK_CLIENT_OK;
  }
  if (change.operation != 0 && change.operation != 1) return QORSDK_CLIENT_BAD_ARGUMENT;
  // Ports above 65535 are refused too: they are not ports, and the list text is sized for 5 digits.
  std::uint32_t address = 0;
  if (!change.address || change.port <= 0 || change.port > 0xffff ||
      !qor::parseIp(change.address, address) || address == 0)
    return QORSDK_CLIENT_BAD_ARGUMENT;
  if (record.sourceCount < 0) record.sourceCount = 0;

  auto same = [&](const SourceEntry& e) {
    return e.active && e.address == address && e.port == change.port;
  };
  if (change.operation == 0) {
    for (int i = kEntries - 1; i >= 0; --i) {
      if (same(record.sources[i])) {
        record.sources[i].active = 0;
        --record.sourceCount;
        return QORSDK_CLIENT_OK;
      }
    }
    return QORSDK_CLIENT_SOURCE_MISSING;
  }
  int firstFree = -1;
  bool duplicate = false;
  for (int i = 0; i < kEntries; ++i) {
    if (same(record.sources[i])) duplicate = true;
    if (!record.sources[i].active && firstFree < 0) firstFree = i;
  }
  if (firstFree < 0) return QORSDK_CLIENT_TABLE_FULL;
  if (duplicate) return QORSDK_CLIENT_SOURCE_EXISTS;
  SourceEntry& entry = record.sources[firstFree];
  auto port = static_cast<std::uint16_t>(change.port);
  entry.active = 1;
  entry.port = change.port;
  entry.address = address;
  entry.family = 2;
  entry.portNetwork = static_cast<std::uint16_t>((port >> 8) | (port << 8));
  entry.addressNetwork = address;
  ++record.sourceCount;
  return QORSDK_CLIENT_OK;
}

std::int32_t setText(ClientRecord& record, const QORSDK_TEXT_SETTING& setting) {
  if (!setting.text) return QORSDK_CLIENT_BAD_ARGUMENT;
  std::size_t length = boundedLength(setting.text, kTextLimit);
  if (length >= kTextLimit) return QORSDK_CLIENT_TEXT_TOO_LONG;
  copyText(record.text16, setting.text, length);
  record.words16[0] = setting.value1;
  record.words16[1] = setting.value2;
  return QORSDK_CLIENT_OK;
}

std::int32_t setCredentials(ClientRecord& record, const QORSDK_CREDENTIALS& credentials) {
  if ((credentials.mode != 0 && credentials.mode != 1) || credentials.user[0] == 0 ||
      credentials.password[0] == 0)
    return QORSDK_CLIENT_BAD_ARGUMENT;
  record.credentialMode = static_cast<std::uint8_t>(credentials.mode);
  std::memcpy(record.user, credentials.user, sizeof record.user);
  std::memcpy(record.password, credentials.password, sizeof record.password);
  std::memcpy(record.credentialWords, credentials.value, sizeof record.credentialWords);
  return QORSDK_CLIENT_OK;
}

// Stream control codes act on a stream worker's control socket, which this library never
// connects; the codes that only store do so, and the call reports 1 either way.
std::int32_t streamControl(ClientRecord& record, const QORSDK_STREAM_CONTROL& control) {
  switch (control.code) {
    case 22:
    case 23:
    case 24:
      record.streamControl[0] = control.code;
      break;
    case 25:
      record.streamControl[1] = control.value;
      break;
    case 26:
      record.streamControl[0] = 26;
      record.streamControl[2] = control.value2;
      break;
    default:
      break;  // a control message; nothing to send it on
  }
  return QORSDK_CLIENT_BAD_ARGUMENT;
}

template <typename Record>
const Record* sized(const void* data) {
  auto* record = static_cast<const Record*>(data);
  return record->size == sizeof(Record) ? record : nullptr;
}

}  // namespace

std::int32_t setParam(ClientRecord& record, std::int32_t type, const void* data) {
  switch (type) {
    case QORSDK_PARAM_FLAG_A_ON:
      record.flagA = 1;
      return QORSDK_CLIENT_OK;
    case QORSDK_PARAM_FLAG_A_OFF:
      record.flagA = 0;
      return QORSDK_CLIENT_OK;
    case QORSDK_PARAM_FLAG_B_ON:
      record.flagB = 1;
      return QORSDK_CLIENT_OK;
    case QORSDK_PARAM_FLAG_B_OFF:
      record.flagB = 0;
      return QORSDK_CLIENT_OK;
    case QORSDK_PARAM_VOLUME:
      record.sound->setLevel(
          volumeLevel(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(data))));
      return QORSDK_CLIENT_OK;
    case QORSDK_PARAM_STREAM_CONTROL:
      if (data) streamControl(record, *static_cast<const QORSDK_STREAM_CONTROL*>(data));
      return QORSDK_CLIENT_BAD_ARGUMENT;
    case QORSDK_PARAM_PLAY_SETTINGS:
      if (!data || !sized<QORSDK_PLAY_SETTINGS>(data)) return QORSDK_CLIENT_BAD_ARGUMENT;
      std::memcpy(record.playSettings, data, sizeof record.playSettings);
      return QORSDK_CLIENT_OK;
    default:
      break;
  }
  const bool known = type >= QORSDK_PARAM_SOURCE && type <= QORSDK_PARAM_CREDENTIALS;
  if (!known) return QORSDK_CLIENT_UNKNOWN_PARAM;
  if (!data) return QORSDK_CLIENT_BAD_ARGUMENT;

  switch (type) {
    case QORSDK_PARAM_SOURCE:
      if (auto* r = sized<QORSDK_SOURCE>(data)) return setSource(record, *r);
      break;
    case QORSDK_PARAM_VIDEO_WINDOW:
      if (auto* r = sized<QORSDK_VIDEO_WINDOW>(data)) return setVideoWindow(record, *r);
      break;
    case QORSDK_PARAM_SOUND:
      if (auto* r = sized<QORSDK_SOUND>(data)) {
        record.soundEnable = r->enable != 0;
        record.soundValue = r->enable != 0 ? r->value : 0;
        return QORSDK_CLIENT_OK;
      }
      break;
    case QORSDK_PARAM_THREE_WORDS:
      if (auto* r = sized<QORSDK_THREE_WORDS>(data)) {
        std::memcpy(record.words3, r->value, sizeof record.words3);
        return QORSDK_CLIENT_OK;
      }
      break;
    case QORSDK_PARAM_LISTEN:
      if (auto* r = sized<QORSDK_LISTEN>(data)) return setListen(record, *r);
      break;
    case QORSDK_PARAM_SOURCE_TABLE:
      if (auto* r = sized<QORSDK_SOURCE_TABLE>(data)) return changeSourceTable(record, *r);
      break;
    case QORSDK_PARAM_TWO_WORDS_11:
    case QORSDK_PARAM_TWO_WORDS_14:
      if (auto* r = sized<QORSDK_TWO_WORDS>(data)) {
        std::memcpy(type == QORSDK_PARAM_TWO_WORDS_11 ? record.words11 : record.words14, r->value,
                    sizeof r->value);
        return QORSDK_CLIENT_OK;
      }
      break;
    case QORSDK_PARAM_EXTENDED:
      if (auto* r = sized<QORSDK_EXTENDED_SETTINGS>(data)) {
        std::memcpy(record.settings, r->settings, sizeof record.settings);
        return QORSDK_CLIENT_OK;
      }
      break;
    case QORSDK_PARAM_TEXT:
      if (auto* r = sized<QORSDK_TEXT_SETTING>(data)) return setText(record, *r);
      break;
    case QORSDK_PARAM_CREDENTIALS:
      if (auto* r = sized<QORSDK_CREDENTIALS>(data)) return setCredentials(record, *r);
      break;
  }
  return QORSDK_CLIENT_BAD_SIZE;
}

}  // namespace qorsdk

using qorsdk::ClientRecord;

namespace {

// The receiver's latest counters, when one runs.
void refreshCounters(ClientRecord& client) {
  if (!client.receiver) return;
  const auto latest = client.receiver->counters();
  std::copy(latest.begin(), latest.end(), client.counters);
}

}  // namespace

extern "C" {

QORSDK_API int32_t QORSDK_CALL CLIENT_SetParam(QORSDK_HANDLE handle, int32_t type,
                                               const void* record) {
  if (!handle) return QORSDK_CLIENT_BAD_ARGUMENT;
  ClientRecord* client = qorsdk::liveRecord(handle);
  return client ? qorsdk::setParam(*client, type, record) : QORSDK_CLIENT_BAD_HANDLE;
}

QORSDK_API int32_t QORSDK_CALL CLIENT_GetParam(QORSDK_HANDLE handle, int32_t type, void* record) {
  if (!handle) return QORSDK_CLIENT_BAD_ARGUMENT;
  ClientRecord* client = qorsdk::liveRecord(handle);
  if (!client) return QORSDK_CLIENT_BAD_HANDLE;
  if (type == QORSDK_PARAM_STATISTICS) {
    auto* stats = static_cast<QORSDK_STATISTICS*>(record);
    if (!stats) return QORSDK_CLIENT_BAD_ARGUMENT;
    if (stats->size != sizeof(QORSDK_STATISTICS)) return QORSDK_CLIENT_BAD_SIZE;
    refreshCounters(*client);
    const std::uint32_t* c = client->counters;
    stats->counter1 = c[0];
    stats->counter2 = c[1];
    stats->counter3 = c[2];
    stats->totalRate = c[4];
    stats->videoRate = c[5];
    stats->audioRate = c[6];
    stats->counter4 = c[3];
    stats->counter8 = c[7];
    return QORSDK_CLIENT_OK;
  }
  if (type == QORSDK_PARAM_SOURCE_LIST) {
    if (!record) return -1;
    // At most 64 entries of 22 characters: the caller's QORSDK_SOURCE_LIST_BUFFER_SIZE.
    char* out = static_cast<char*>(record);
    std::size_t used = 0;
    int32_t listed = 0;
    out[0] = 0;
    for (const auto& entry : client->sources) {
      if (!entry.active) continue;
      std::uint32_t a = entry.address;
      int n = std::snprintf(out + used, QORSDK_SOURCE_LIST_BUFFER_SIZE - used, "%u.%u.%u.%u:%d;",
                            a & 0xff, (a >> 8) & 0xff, (a >> 16) & 0xff, a >> 24, entry.port);
      used += static_cast<std::size_t>(n);
      ++listed;
    }
    return listed;
  }
  return QORSDK_CLIENT_UNKNOWN_PARAM;
}

QORSDK_API int32_t QORSDK_CALL CLIENT_GetStatiscFlux(QORSDK_HANDLE handle, int32_t selector) {
  if (!handle) return QORSDK_CLIENT_E_NULL;
  ClientRecord* client = qorsdk::liveRecord(handle);
  if (!client) return QORSDK_CLIENT_E_BAD_HANDLE;
  refreshCounters(*client);
  return static_cast<int32_t>((selector != 0 ? client->counters[5] : client->counters[4]) / 10);
}

}  // extern "C"
