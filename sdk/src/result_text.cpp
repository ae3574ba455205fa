// Result values in words, for logs and tavctl.

#include "qorsdk.h"

extern "C" {

QORSDK_API const char* QORSDK_CALL QORSDK_ConfigResultText(int32_t result) {
  switch (result) {
    case QORSDK_CONFIG_OK:
      return "success";
    case QORSDK_CONFIG_BAD_TYPE:
      return "unknown configuration type or record size";
    case QORSDK_CONFIG_NO_HANDLE:
      return "no client handle";
    case QORSDK_CONFIG_BAD_ADDRESS:
      return "address missing or unusable";
    case QORSDK_CONFIG_NO_SOCKET:
      return "no socket could be created";
    case QORSDK_CONFIG_SOCKET_MODE:
      return "socket mode or time-out could not be set";
    case QORSDK_CONFIG_CONNECT:
      return "connection refused";
    case QORSDK_CONFIG_SHORT_REPLY:
      return "reply too short or connection closed";
    case QORSDK_CONFIG_WRONG_HEAD:
      return "reply head does not match";
    case QORSDK_CONFIG_TRANSFER:
      return "send or receive failed or timed out";
    default:
      return "unknown result";
  }
}

QORSDK_API const char* QORSDK_CALL QORSDK_ClientResultText(int32_t result) {
  switch (result) {
    case QORSDK_CLIENT_OK:
      return "success";
    case QORSDK_CLIENT_BAD_ARGUMENT:
      return "null argument, unknown operation or value out of range";
    case QORSDK_CLIENT_BAD_HANDLE:
      return "bad handle";
    case QORSDK_CLIENT_BAD_SIZE:
      return "record size does not match";
    case QORSDK_CLIENT_UNKNOWN_PARAM:
      return "unknown parameter type";
    case QORSDK_CLIENT_STARTED:
      return "handle already started";
    case QORSDK_CLIENT_TEXT_TOO_LONG:
      return "text too long";
    case QORSDK_CLIENT_TABLE_FULL:
      return "source table full";
    case QORSDK_CLIENT_SOURCE_EXISTS:
      return "source already in the table";
    case QORSDK_CLIENT_SOURCE_MISSING:
      return "source not in the table";
    case QORSDK_DISCOVERY_SOCKET:
      return "no socket, socket option or broadcast could not be set up";
    case QORSDK_DISCOVERY_BIND:
      return "answer port could not be bound";
    case QORSDK_DISCOVERY_BAD_ANSWER:
      return "answer too short or unknown";
    case QORSDK_CLIENT_E_BAD_HANDLE:
      return "bad handle";
    case QORSDK_CLIENT_E_NULL:
      return "null argument";
    case QORSDK_CLIENT_E_LOGIN_REFUSED:
      return "user name or password refused";
    case QORSDK_LAST_ERROR_STARTED:
      return "handle already started";
    default:
      return "unknown result";
  }
}

}  // extern "C"
