// Client handles: creation, start, stop, release, the process-wide last error and the fixed-result
// entry points.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <unordered_set>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "client_record.h"
#include "socket_io.h"
#include "stream_receiver.h"
#include "video_view.h"

namespace qorsdk {
namespace {

std::atomic<std::int32_t> gLastError{0};

// Handles this library made and has not freed, so a stale or foreign pointer gives "bad handle"
// instead of a read through freed memory.
struct Registry {
  std::mutex lock;
  std::unordered_set<const void*> live;
};
Registry& registry() {
  static Registry r;
  return r;
}

std::uint32_t threadId() {
#if defined(_WIN32)
  return static_cast<std::uint32_t>(GetCurrentThreadId());
#else
  return static_cast<std::uint32_t>(syscall(SYS_gettid));
#endif
}

ClientRecord* allocate() {
  auto* record = static_cast<ClientRecord*>(std::calloc(1, sizeof(ClientRecord)));
  if (!record) return nullptr;
  record->playState =
      static_cast<std::uint32_t*>(std::calloc(kPlayStateWords, sizeof(std::uint32_t)));
  record->view = new (std::nothrow) CVideoView;
  record->sound = new (std::nothrow) QorSound;
  if (!record->playState || !record->view || !record->sound) {
    std::free(record->playState);
    delete record->view;
    delete record->sound;
    std::free(record);
    return nullptr;
  }
  return record;
}

void initialise(ClientRecord& record) {
  record.tag = QORSDK_HANDLE_TAG;
  std::snprintf(record.name, sizeof record.name, "v%08xt%08x",
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&record) & 0xffffffffu),
                static_cast<unsigned>(threadId()));
  record.controlSocket = -1;
  record.controlSpare = -1;
  record.flagA = record.flagB = 1;
  record.videoEnable = record.soundEnable = 1;
  record.playState[0] = record.playState[1] = record.playState[2] = 1;
}

std::int32_t start(ClientRecord& record) {
  if (record.runState != kIdle) {
    gLastError = QORSDK_LAST_ERROR_STARTED;
    return QORSDK_CLIENT_STARTED;
  }
  record.mainLength = kMainBufferSize;
  record.mainBuffer =
      static_cast<std::uint8_t*>(std::calloc(kMainBufferSize, 1));  // failure not reported
  record.view->prepare(record.videoWindow);
  std::memset(record.counters, 0, sizeof record.counters);
  if (record.address[0] != '\0')
    record.receiver = new (std::nothrow) StreamReceiver(std::string(record.address));
  record.runState = kStarted;
  return QORSDK_CLIENT_OK;
}

void destroy(ClientRecord* record) {
  {
    std::lock_guard guard(registry().lock);
    registry().live.erase(record);
  }
  std::free(record->playState);
  delete record->view;
  delete record->sound;
  std::free(record->mainBuffer);
  std::free(record->secondBuffer);
  std::memset(static_cast<void*>(record), 0, sizeof *record);
  std::free(record);
}

QORSDK_HANDLE playWith(QORSDK_HANDLE handle, void* window) {
  if (!handle) return nullptr;
  ClientRecord* record = liveRecord(handle);
  if (!record) {
    gLastError = QORSDK_CLIENT_BAD_HANDLE;
    return nullptr;
  }
  record->videoWindow = window;
  record->videoWindowValue = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
  record->videoEnable = 1;
  record->playFlag = 1;
  std::int32_t result = start(*record);
  if (result != QORSDK_CLIENT_OK) {
    gLastError = result;
    return nullptr;
  }
  return handle;
}

}  // namespace

ClientRecord* liveRecord(QORSDK_HANDLE handle) {
  {
    std::lock_guard guard(registry().lock);
    if (!registry().live.count(handle)) return nullptr;
  }
  auto* record = reinterpret_cast<ClientRecord*>(handle);
  return record->tag == QORSDK_HANDLE_TAG ? record : nullptr;
}

std::int32_t stop(ClientRecord& record) {
  // The stop request is a hand-shake with a stream worker; with none running it is acknowledged
  // at once instead of waiting out its 200 polls.
  record.stopRequest = 2;
  delete record.receiver;  // ends its worker within 200 ms
  record.receiver = nullptr;
  std::memset(record.counters + 4, 0, 4 * sizeof record.counters[0]);  // no rates once stopped
  record.stopRequest = 0;
  std::free(record.spareBuffer);
  record.spareBuffer = nullptr;
  record.runState = kStopping;
  std::memset(record.playState, 0, kPlayStateWords * sizeof(std::uint32_t));
  record.view->release();
  record.sound->stop();
  std::free(record.mainBuffer);
  std::free(record.secondBuffer);
  record.mainBuffer = record.secondBuffer = nullptr;
  record.mainLength = record.secondLength = 0;
  std::memset(record.positions, 0, sizeof record.positions);
  record.runState = kIdle;
  return QORSDK_CLIENT_OK;
}

}  // namespace qorsdk

using qorsdk::ClientRecord;
using qorsdk::liveRecord;

extern "C" {

QORSDK_API int32_t QORSDK_CALL CLIENT_SDKInit(int32_t) {
  qorsdk::ensureSocketLibrary();
  return 0;
}
QORSDK_API int32_t QORSDK_CALL CLIENT_SDKClose(void) {
  return 0;
}
QORSDK_API int32_t QORSDK_CALL CLIENT_SDKVersion(int32_t* major, int32_t* minor) {
  if (major) *major = 1;
  if (minor) *minor = 0;
  return 0;
}
QORSDK_API int32_t QORSDK_CALL CLIENT_GetSDKVersion(void) {
  return 0x00010000;
}
QORSDK_API int32_t QORSDK_CALL CLIENT_Init(int32_t, int32_t) {
  return 1;
}
QORSDK_API int32_t QORSDK_CALL CLIENT_SetPlayerBufNumber(int32_t, int32_t) {
  return 1;
}
QORSDK_API void QORSDK_CALL CLIENT_Cleanup(void) {}
QORSDK_API void QORSDK_CALL CLIENT_SetNetworkParam(int32_t) {}
QORSDK_API void QORSDK_CALL CLIENT_SetConnectTime(int32_t, int32_t) {}
QORSDK_API void QORSDK_CALL CLIENT_SetAutoReconnect(int32_t, int32_t) {}
QORSDK_API QORSDK_HANDLE QORSDK_CALL CLIENT_LoginEx(int32_t, int32_t, int32_t, int32_t, int32_t,
                                                    int32_t, int32_t, int32_t) {
  return nullptr;
}
QORSDK_API int32_t QORSDK_CALL CLIENT_SetRealDataCallBack(QORSDK_HANDLE, QORSDK_REAL_DATA_CALLBACK,
                                                          void*) {
  return 0;
}
QORSDK_API int32_t QORSDK_CALL CLIENT_SetRealDataCallBackEx(QORSDK_HANDLE handle,
                                                            QORSDK_REAL_DATA_CALLBACK callback,
                                                            void*, uint32_t) {
  if (!handle || !callback) return QORSDK_CLIENT_E_NULL;
  if (!liveRecord(handle)) return QORSDK_CLIENT_E_BAD_HANDLE;
  return 0;
}
QORSDK_API int32_t QORSDK_CALL CLIENT_StartListenEx(int32_t) {
  return 1;
}

QORSDK_API int32_t QORSDK_CALL CLIENT_GetLastError(void) {
  return qorsdk::gLastError.exchange(0);
}

QORSDK_API QORSDK_HANDLE QORSDK_CALL CLIENT_Create(const QORSDK_CREATE* create) {
  if (!create) {
    qorsdk::gLastError = QORSDK_CLIENT_BAD_ARGUMENT;
    return nullptr;
  }
  ClientRecord* record = qorsdk::allocate();
  if (!record) return nullptr;
  qorsdk::initialise(*record);
  try {
    std::lock_guard guard(qorsdk::registry().lock);
    qorsdk::registry().live.insert(record);
  } catch (const std::exception&) {  // out of memory: no handle, nothing thrown to the caller
    qorsdk::destroy(record);
    return nullptr;
  }
  if (create->size == sizeof(QORSDK_CREATE)) {
    record->flagA = create->flagA;
    record->flagB = create->flagB;
    record->playFlag = static_cast<std::uint32_t>(create->playFlag);
    // Nested records apply like CLIENT_SetParam; their results are not reported.
    if (create->source.size == sizeof(QORSDK_SOURCE))
      qorsdk::setParam(*record, QORSDK_PARAM_SOURCE, &create->source);
    if (create->videoWindow.size == sizeof(QORSDK_VIDEO_WINDOW))
      qorsdk::setParam(*record, QORSDK_PARAM_VIDEO_WINDOW, &create->videoWindow);
    if (create->sound.size == sizeof(QORSDK_SOUND))
      qorsdk::setParam(*record, QORSDK_PARAM_SOUND, &create->sound);
  }
  return reinterpret_cast<QORSDK_HANDLE>(record);
}

QORSDK_API int32_t QORSDK_CALL CLIENT_Start(QORSDK_HANDLE handle) {
  if (!handle) return QORSDK_CLIENT_BAD_ARGUMENT;
  ClientRecord* record = liveRecord(handle);
  return record ? qorsdk::start(*record) : QORSDK_CLIENT_BAD_HANDLE;
}

QORSDK_API int32_t QORSDK_CALL CLIENT_Stop(QORSDK_HANDLE handle) {
  if (!handle) return QORSDK_CLIENT_BAD_ARGUMENT;
  ClientRecord* record = liveRecord(handle);
  return record ? qorsdk::stop(*record) : QORSDK_CLIENT_BAD_HANDLE;
}

QORSDK_API int32_t QORSDK_CALL CLIENT_Dump(QORSDK_HANDLE handle) {
  if (!handle) return QORSDK_CLIENT_BAD_ARGUMENT;
  ClientRecord* record = liveRecord(handle);
  if (!record) return QORSDK_CLIENT_BAD_HANDLE;
  std::int32_t result =
      record->runState == qorsdk::kStarted ? qorsdk::stop(*record) : QORSDK_CLIENT_OK;
  qorsdk::destroy(record);
  return result;
}

QORSDK_API int32_t QORSDK_CALL CLIENT_Logout(QORSDK_HANDLE handle) {
  CLIENT_Dump(handle);
  return 0;
}

QORSDK_API QORSDK_HANDLE QORSDK_CALL CLIENT_RealPlay(QORSDK_HANDLE handle, int32_t, void* window) {
  return qorsdk::playWith(handle, window);
}
QORSDK_API QORSDK_HANDLE QORSDK_CALL CLIENT_RealPlayEx(QORSDK_HANDLE handle, int32_t, void* window,
                                                       int32_t) {
  return qorsdk::playWith(handle, window);
}

QORSDK_API int32_t QORSDK_CALL CLIENT_StopRealPlay(QORSDK_HANDLE handle) {
  return CLIENT_Stop(handle) == QORSDK_CLIENT_OK ? 1 : 0;
}
QORSDK_API int32_t QORSDK_CALL CLIENT_StopRealPlayEx(QORSDK_HANDLE handle) {
  return CLIENT_StopRealPlay(handle);
}

QORSDK_API int32_t QORSDK_CALL CLIENT_GetDeviceConfig(QORSDK_HANDLE handle, int32_t type,
                                                      void* record) {
  ClientRecord* client = handle ? liveRecord(handle) : nullptr;
  if (!client) return QORSDK_CONFIG_NO_HANDLE;
  return DEVICE_GetConfig(client->address, type, record);
}

QORSDK_API int32_t QORSDK_CALL CLIENT_SetDeviceConfig(QORSDK_HANDLE handle, int32_t type,
                                                      const void* record) {
  ClientRecord* client = handle ? liveRecord(handle) : nullptr;
  if (!client) return QORSDK_CONFIG_NO_HANDLE;
  return DEVICE_SetConfig(client->address, type, record);
}

}  // extern "C"
