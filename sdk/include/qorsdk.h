#ifndef QORSDK_H
#define QORSDK_H
/* qorsdk: configuration exchange and stream-client handles for the codec boards. */

#include <stdint.h>

#if defined(_WIN32)
#  define QORSDK_CALL __stdcall
#  if defined(QORSDK_BUILDING)
#    define QORSDK_API __declspec(dllexport)
#  else
#    define QORSDK_API __declspec(dllimport)
#  endif
#else
#  define QORSDK_CALL
#  define QORSDK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

QORSDK_API int32_t QORSDK_CALL DEVICE_GetConfig(const char* address, int32_t type, void* record);
QORSDK_API int32_t QORSDK_CALL DEVICE_SetConfig(const char* address, int32_t type, const void* record);

#ifdef __cplusplus
}
#endif

#endif
