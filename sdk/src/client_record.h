#pragma once
// The record behind a client handle, and the pure rules of its settings.

#include <cstdint>

#include "qorsdk.h"

class CVideoView;
class QorSound;

namespace qorsdk {
class StreamReceiver;
}

namespace qorsdk {

inline constexpr std::uint32_t kMainBufferSize = 65536;
inline constexpr std::uint32_t kPlayStateWords = 50;  // 200-byte play-state record
inline constexpr std::int32_t kDefaultListenPort = 8066;
inline constexpr int kTextLimit = 128;  // URL and type 16 texts must be shorter
inline constexpr int kAddressLimit = 16;

enum RunState : std::int32_t { kIdle = 0, kStarted = 1, kStopping = 2 };

// One source of the table: ports in host order, the address as on the wire, and the socket
// address (family 2, port and address in network order) a receiver would use.
struct SourceEntry {
  std::uint16_t active;
  std::int32_t port;
  std::uint32_t address;
  std::uint16_t family;
  std::uint16_t portNetwork;
  std::uint32_t addressNetwork;
};

// Zero-filled on creation; the tag comes first and the name text right after it, as the public
// header promises.
struct ClientRecord {
  std::uint32_t tag;
  char name[QORSDK_HANDLE_NAME_SIZE];
  std::int32_t runState;
  std::int32_t streamControl[3];  // type 13: code, value, second value
  volatile std::int32_t stopRequest;
  std::uint8_t settings[32];  // type 15
  // Source settings (type 0).
  std::int32_t mode;
  std::int32_t sourceKind;
  char address[kAddressLimit];
  char address2[kAddressLimit];
  std::uint16_t port;
  std::uint16_t port2;
  std::intptr_t controlSocket;  // never connected by this library
  std::int32_t controlSpare;
  std::uint8_t playSettings[48];  // type 12
  std::uint32_t playFlag;
  std::uint32_t counters[8];  // c1..c8; the stream receiver's last values
  std::int32_t words3[3];     // type 3
  std::int32_t words11[2];    // type 11
  std::int32_t words14[2];    // type 14
  void* spareBuffer;
  std::int32_t flagA;
  std::int32_t flagB;
  std::uint8_t* mainBuffer;
  std::uint32_t mainLength;
  std::uint8_t* secondBuffer;
  std::uint32_t secondLength;
  std::uint32_t positions[3];
  std::uint32_t* playState;
  std::int32_t videoEnable;
  std::int32_t soundEnable;
  void* videoWindow;
  std::uint32_t videoWindowValue;
  std::int32_t soundValue;  // type 2
  CVideoView* view;
  QorSound* sound;
  std::int32_t urlSet;
  char url[kTextLimit];
  std::int32_t listenEnable;
  std::int32_t listenSecond;
  std::int32_t listenPort;
  std::int32_t sourceCount;
  SourceEntry sources[QORSDK_SOURCE_TABLE_ENTRIES];
  char text16[kTextLimit];  // type 16
  std::int32_t words16[2];
  std::uint8_t credentialMode;  // type 17
  char user[32];
  char password[32];
  std::int32_t credentialWords[3];
  StreamReceiver* receiver;  // while started with a source address: fills counters
};

// Volume 0-100 to a level in hundredths of a decibel, quotients rounded toward zero.
constexpr std::int32_t volumeLevel(std::int32_t volume) {
  if (volume <= 0) return -10000;
  if (volume >= 100) return 0;
  std::int32_t d = volume - 100;
  std::int32_t e = d * d / 10;
  return -(e * e / 100);
}

// Source kind derived from a mode code; other codes keep the current kind.
constexpr std::int32_t sourceKindFor(std::int32_t mode, std::int32_t current) {
  switch (mode) {
    case 6:
      return 1;
    case 7:
      return 2;
    case 8:
      return 3;
    case 80:
      return 7;
    case 113:
      return 8;
    case 114:
      return 9;
    case 115:
      return 10;
    case 116:
      return 11;
    default:
      return current;
  }
}

// The live record behind a handle, or null when the pointer is not a handle this library made
// and has not freed. Never reads through an unknown pointer.
ClientRecord* liveRecord(QORSDK_HANDLE handle);

// Shared by CLIENT_SetParam and CLIENT_Create.
std::int32_t setParam(ClientRecord& record, std::int32_t type, const void* data);
std::int32_t stop(ClientRecord& record);

}  // namespace qorsdk
