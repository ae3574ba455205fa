#pragma once
// Offsets of the blocks a board keeps, as the program reads them. Kept apart from the app's
// own definitions (app/device/board.h) on purpose: a second reading of the same layout
// catches a misreading the two would otherwise share.

#include <cstddef>
#include <cstdint>

namespace qorsim::layout {

// Board status block (200 bytes).
inline constexpr std::size_t kSize = 0;
inline constexpr std::size_t kIdentity = 4;  // network identity record, 88 bytes
inline constexpr std::size_t kIdentitySize = 88;
inline constexpr std::size_t kIp = 8;
inline constexpr std::size_t kMask = 12;
inline constexpr std::size_t kGateway = 16;
inline constexpr std::size_t kMac = 28;  // 8-byte slot, 6 used
inline constexpr std::size_t kName = 36;
inline constexpr std::size_t kNameWidth = 32;
inline constexpr std::size_t kType = 68;
inline constexpr std::size_t kBaseband = 74;  // s8 major, s8 minor
inline constexpr std::size_t kVersionK = 76;  // s16 major, s16 minor
inline constexpr std::size_t kVersionA = 80;
inline constexpr std::size_t kSendAddress = 96;
inline constexpr std::size_t kSendPort = 100;
inline constexpr std::size_t kSendMode = 102;
inline constexpr std::size_t kReceiveAddress = 104;
inline constexpr std::size_t kReceivePort = 108;
inline constexpr std::size_t kReceiveMode = 110;
inline constexpr std::size_t kVideoMode = 124;
inline constexpr std::size_t kVideoWidth = 126;
inline constexpr std::size_t kVideoHeight = 128;
inline constexpr std::size_t kVideoRecord = 136;    // copy of the type 1 record, 28 bytes
inline constexpr std::size_t kAudioRecord = 164;    // type 2, 16 bytes
inline constexpr std::size_t kQualityRecord = 180;  // type 9, 12 bytes
inline constexpr std::size_t kVolumeRecord = 192;   // type 10, 8 bytes

inline constexpr std::size_t kVideoRecordSize = 28;
inline constexpr std::size_t kAudioRecordSize = 16;
inline constexpr std::size_t kQualityRecordSize = 12;
inline constexpr std::size_t kVolumeRecordSize = 8;

// Network identity record (88 bytes; type 0 and the UDP network command).
inline constexpr std::size_t kIdIp = 4;
inline constexpr std::size_t kIdMask = 8;
inline constexpr std::size_t kIdGateway = 12;
inline constexpr std::size_t kIdMac = 24;
inline constexpr std::size_t kIdName = 32;
inline constexpr std::size_t kIdNameWidth = 56;

// Stream-access block (200 bytes, type 261; also bytes 28-227 of the transport record).
inline constexpr std::size_t kAccessSize = 200;
inline constexpr std::size_t kAccessUrl = 8;
inline constexpr std::size_t kAccessUrlWidth = 128;
inline constexpr std::size_t kAccessUser = 136;
inline constexpr std::size_t kAccessPassword = 168;
inline constexpr std::size_t kAccessTextWidth = 32;

// Stream-information block (388 bytes, type 269).
inline constexpr std::size_t kInfoSize = 388;
inline constexpr std::size_t kInfoRtspUrl = 260;
inline constexpr std::size_t kInfoRtspUrlWidth = 128;

// Transport settings record (type 11).
inline constexpr std::size_t kTransportShort = 28;
inline constexpr std::size_t kTransportLong = 228;

// Maintenance packet body (after the 4-byte head).
inline constexpr std::size_t kPacketSize = 528;
inline constexpr std::size_t kBodyDevice = 4;
inline constexpr std::size_t kBodyCount = 6;
inline constexpr std::size_t kBodyStatus = 8;
inline constexpr std::size_t kBodyBus = 10;
inline constexpr std::size_t kBodyParams = 12;
inline constexpr std::size_t kBodyData = 268;
inline constexpr std::size_t kBodyArea = 256;

// i2c devices whose registers follow the capture mode.
inline constexpr std::uint8_t kFrontEndDevice = 0x42;  // period and line count at 0xB1-0xB4
inline constexpr std::uint8_t kHdmiDevice = 0x6A;      // active size at 0x07-0x0A

}  // namespace qorsim::layout
