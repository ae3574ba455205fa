#include "qorsdk.h"

extern "C" {
QORSDK_API int32_t QORSDK_CALL DEVICE_GetConfig(const char*, int32_t, void*) { return 1; }
QORSDK_API int32_t QORSDK_CALL DEVICE_SetConfig(const char*, int32_t, const void*) { return 1; }
}
