#pragma once
// The board record: one codec board as the program knows it, built from its 200-byte status
// block, with the text formatters every list and page uses and the board's direct command
// channels (TCP maintenance, short packets and direct frames; UDP network command).

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "device/board_link.h"
#include "device/channel_result.h"

namespace tav {

class Notifier;

using StatusBlock = std::array<std::uint8_t, 200>;
using StreamInfoBlock = std::array<std::uint8_t, 388>;
using StreamAccessBlock = std::array<std::uint8_t, 200>;
// Body of a 528-byte maintenance packet (the register block of the debug pages).
using RegisterBlock = std::array<std::uint8_t, 524>;
using Record16 = std::array<std::uint8_t, 16>;  // picture position record
using Record36 = std::array<std::uint8_t, 36>;  // customer timing record

// The ten values of the video position record carried by direct frames 0xF1/0xF3.
// -1 in a write leaves a value unchanged on the board.
struct VideoPosition {
  std::int16_t width = 0;               // record offset 4
  std::int16_t length = 0;              // 6
  std::int16_t x = 0;                   // 8
  std::int16_t y = 0;                   // 10
  std::int16_t horizontalPosition = 0;  // 12 (stored as shown value + 1174 by the pages)
  std::int16_t verticalPosition = 0;    // 14
  std::int16_t horizontalSpacing = 0;   // 16
  std::int16_t verticalSpacing = 0;     // 18
  std::uint32_t registerAddress = 0;    // 20
  std::int32_t registerValue = 0;       // 24 (-1 in a write = read request)
  bool operator==(const VideoPosition&) const = default;
};

// Device types 1, 3, 5, 7, 9, 11 and 20 are encoders; every other type is a decoder.
bool IsEncoderType(int type);
// The device types whose stream fields are the receive side (2, 4, 21).
bool IsReceiverType(int type);

// UTF-8 text as GBK of at most maxBytes bytes, cut before a character that would not fit whole.
std::string FitGbk(std::string_view utf8, std::size_t maxBytes);

// Transport classes of an encoder's sending (TransportClass()).
inline constexpr int kTransportMulticast = 0;
inline constexpr int kTransportBroadcast = 1;
inline constexpr int kTransportOnDemand = 2;
inline constexpr int kTransportUnicast = 10;
inline constexpr int kTransportNone = -1;  // decoder kind

// Status block offsets the program reads or writes.
namespace status {
inline constexpr std::size_t kSize = 0;
inline constexpr std::size_t kIdentity = 4;  // network identity record, 88 bytes (4-91)
inline constexpr std::size_t kIdentitySize = 88;
inline constexpr std::size_t kIp = 8;
inline constexpr std::size_t kMask = 12;
inline constexpr std::size_t kGateway = 16;
inline constexpr std::size_t kMac = 28;
inline constexpr std::size_t kName = 36;
inline constexpr std::size_t kNameWidth = 32;
inline constexpr std::size_t kDeviceType = 68;
inline constexpr std::size_t kBasebandMajor = 74;
inline constexpr std::size_t kBasebandMinor = 75;
inline constexpr std::size_t kVersionKMajor = 76;
inline constexpr std::size_t kVersionKMinor = 78;
inline constexpr std::size_t kVersionAMajor = 80;
inline constexpr std::size_t kVersionAMinor = 82;
inline constexpr std::size_t kSendAddress = 96;
inline constexpr std::size_t kSendPort = 100;
inline constexpr std::size_t kSendMode = 102;
inline constexpr std::size_t kReceiveAddress = 104;
inline constexpr std::size_t kReceivePort = 108;
inline constexpr std::size_t kReceiveMode = 110;
inline constexpr std::size_t kVideoMode = 124;
inline constexpr std::size_t kVideoWidth = 126;
inline constexpr std::size_t kVideoHeight = 128;
// The board's copies of the records the simple pages write.
inline constexpr std::size_t kVideoEncoding = 136;  // 28-byte record of type 1
inline constexpr std::size_t kAudioEncoding = 164;  // 16-byte record of type 2
inline constexpr std::size_t kVideoQuality = 180;   // 12-byte record of type 9
inline constexpr std::size_t kVolume = 192;         // 8-byte record of type 10
}  // namespace status

}  // namespace tav

// CBoard: one codec board's record (status block, stream blocks, statistics client state).
class CBoard {
 public:
  CBoard();  // all blocks zero
  explicit CBoard(const tav::StatusBlock& statusBlock);
  // Takes up to 200 bytes; a shorter block is zero-filled.
  explicit CBoard(std::span<const std::uint8_t> statusBytes);
  virtual ~CBoard() = default;
  CBoard(const CBoard&) = default;
  CBoard& operator=(const CBoard&) = default;
  CBoard(CBoard&&) = default;
  CBoard& operator=(CBoard&&) = default;

  // Statistics client state, kept for the detection engine.
  std::string statisticsAddress;       // address the client was started with; empty when stopped
  // CLIENT_Create handle, shared by copies of the record; the last one to go frees it.
  std::shared_ptr<void> statisticsClient;
  std::int32_t statisticsRunning = 0;  // 1 while the client runs

  // Data detection of this encoder (detect/detection.h). Start: 0, 1 running, 2 no handle, 3 set
  // or start failed, 11 bind failed. Statistics: 0, 1 read failed, 2 not running. Stop: 0, 1.
  int StartDetection();
  int GetDetectionStatistics(std::string& address, std::uint32_t& total, std::uint32_t& video,
                             std::uint32_t& audio);
  int StopDetection();

  const tav::StatusBlock& statusBlock() const { return status_; }
  tav::StatusBlock& statusBlock() { return status_; }
  const tav::StreamInfoBlock& streamInfo() const { return streamInfo_; }
  tav::StreamInfoBlock& streamInfo() { return streamInfo_; }
  const tav::StreamAccessBlock& streamAccess() const { return streamAccess_; }
  tav::StreamAccessBlock& streamAccess() { return streamAccess_; }

  // Typed fields of the status block; addresses as held on the wire (first octet lowest byte).
  std::uint32_t ip() const;
  std::uint32_t mask() const;
  std::uint32_t gateway() const;
  std::array<std::uint8_t, 6> mac() const;
  std::int32_t deviceType() const;
  std::int8_t basebandMajor() const;
  std::int8_t basebandMinor() const;
  std::int16_t versionKMajor() const;
  std::int16_t versionKMinor() const;
  std::int16_t versionAMajor() const;
  std::int16_t versionAMinor() const;
  std::uint32_t sendAddress() const;
  std::uint16_t sendPort() const;
  std::uint16_t sendMode() const;
  std::uint32_t receiveAddress() const;
  std::uint16_t receivePort() const;
  std::int16_t receiveMode() const;
  std::int16_t videoMode() const;
  std::int16_t videoWidth() const;
  std::int16_t videoHeight() const;

  void setIp(std::uint32_t address);
  void setMask(std::uint32_t mask);
  void setGateway(std::uint32_t gateway);
  void setMac(const std::array<std::uint8_t, 6>& mac);
  // UTF-8 in, GBK in the 32-byte slot; cut at a character boundary to 31 bytes.
  void setName(std::string_view utf8);

  std::uint32_t sourceAddress() const { return sourceAddress_; }
  void SetSourceAddress(std::uint32_t address) { sourceAddress_ = address; }

  // The source address of the search answer when known, else the status block's IP.
  std::uint32_t ContactAddress() const;
  // Dotted text of the contact address: the first argument of every configuration call.
  std::string AddressText() const;
  std::string MaskText() const;
  std::string MacText() const;       // "00:1a:..." lower-case
  std::string Name() const;          // UTF-8 from the board's GBK
  std::string TypeName() const;      // empty for unknown types
  std::string VersionText() const;   // "K%d.%d-A%d.%d"
  std::string BasebandText() const;  // "A%d.%d" or "未知"
  int TransportClass() const;        // 0..10 for encoders, -1 for decoders
  std::string TransportName() const;
  std::string StreamAddressText() const;  // "a.b.c.d:port"
  std::uint32_t StreamAddress() const;
  std::string VideoModeName() const;
  bool IsEncoder() const;

  // Re-read a block from the board through the link's configuration read (types 256, 269,
  // 261). On success the block replaces the record's copy; otherwise the record is unchanged.
  // Returns the SDK's result (0 success). Pages pass their host's link; tavctl the LAN's.
  int RefreshStatus(tav::BoardLink& link = tav::LanLink());
  int RefreshStreamInfo(tav::BoardLink& link = tav::LanLink());
  int RefreshStreamAccess(tav::BoardLink& link = tav::LanLink());

  // Maintenance packets on TCP 8068 (…Alt: 8070) to the contact address. Results: tav::kMaint*.
  int QueryByte(int code, std::uint8_t parameter, std::uint8_t& value,
                tav::BoardLink& link = tav::LanLink()) const;
  int SetByte(int code, std::uint8_t parameter, std::uint8_t value,
              tav::BoardLink& link = tav::LanLink()) const;
  int Exchange(tav::RegisterBlock& body,
               tav::BoardLink& link = tav::LanLink()) const;  // the answer body replaces body
  int Post(const tav::RegisterBlock& body, tav::BoardLink& link = tav::LanLink()) const;
  int ExchangeAlt(tav::RegisterBlock& body, tav::BoardLink& link = tav::LanLink()) const;
  int PostAlt(const tav::RegisterBlock& body, tav::BoardLink& link = tav::LanLink()) const;
  int QueryWord(std::uint16_t address, std::uint16_t& value,
                tav::BoardLink& link = tav::LanLink()) const;
  int SetWord(std::uint16_t address, std::uint16_t value,
              tav::BoardLink& link = tav::LanLink()) const;

  // Short packets on TCP 8068. Results: 0 or tav::kShort*.
  int ReadRecord16(tav::Record16& record, tav::BoardLink& link = tav::LanLink()) const;
  int WriteRecord16(const tav::Record16& record, tav::BoardLink& link = tav::LanLink()) const;
  int ReadRecord36(tav::Record36& record, tav::BoardLink& link = tav::LanLink()) const;
  int WriteRecord36(const tav::Record36& record, tav::BoardLink& link = tav::LanLink()) const;

  // Maintenance and short packets go through the link (the LAN link sends them with
  // MaintenanceExchange and SendShort of tcp_channel.h).

  // Direct frames on TCP 4010, the wire side of BoardLink's direct-frame operations: pages
  // call the link, never these. The video-position frames and WriteValue go to the status
  // block's IP; a failed connection is reported as "CONNECT FAILED!" through the notifier.
  // ReadVideoPosition leaves `position` as it was unless a valid answer came; it returns 0 on a
  // valid answer, else a tav::kDirect* code (the pages treat any answer as done).
  int ReadVideoPosition(tav::VideoPosition& position, tav::Notifier& notifier) const;
  int WriteVideoPosition(const tav::VideoPosition& position,
                         tav::Notifier& notifier) const;  // always 0
  int WriteValue(std::uint32_t value,
                 tav::Notifier& notifier) const;  // 1 when the connection failed
  std::uint32_t ReadValue() const;                // 0 when no valid answer came

  // UDP network command (0xF0) to 255.255.255.255:4007 giving the board a new identity;
  // ip 0 asks for DHCP. On a send that worked and a non-zero ip the record takes the new IP,
  // mask, gateway, name and MAC. 0 sent, 1 not sent.
  int SendNetworkIdentity(std::uint32_t ip, std::uint32_t mask, std::uint32_t gateway,
                          std::string_view utf8Name, tav::BoardLink& link = tav::LanLink());
  // Group command 0xEB to this board's contact address. 0 sent, 1 not sent.
  int FactoryReset(tav::BoardLink& link = tav::LanLink()) const;

 private:
  tav::StatusBlock status_{};
  tav::StreamInfoBlock streamInfo_{};
  tav::StreamAccessBlock streamAccess_{};
  std::uint32_t sourceAddress_ = 0;
};
