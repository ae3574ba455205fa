#pragma once
// The program's own TCP packets to a board: maintenance packets (528 bytes, ports 8068/8070),
// short packets (8068) and direct frames (8060 bytes, port 4010). One connection per packet.
// The board-facing operations are methods of CBoard; these are the shared steps.

#include <chrono>
#include <cstdint>

#include "device/board.h"

namespace tav {

inline constexpr std::uint8_t kCmdMaintQuery = 0xC1;  // answered by 0xC2
inline constexpr std::uint8_t kCmdMaintSet = 0xC0;
inline constexpr std::uint8_t kCmdMaintQueryWord = 0xCA;  // answered by 0xCB
inline constexpr std::uint8_t kCmdMaintSetWord = 0xC9;
inline constexpr std::uint8_t kCmdReadRecord16 = 0xF1;  // short packet, answered by 0xF2
inline constexpr std::uint8_t kCmdWriteRecord16 = 0xF3;
inline constexpr std::uint8_t kCmdReadRecord36 = 0xF5;  // answered by 0xF6
inline constexpr std::uint8_t kCmdWriteRecord36 = 0xF4;
inline constexpr std::uint8_t kCmdReadVideoPosition = 0xF1;  // direct frame, answered by 0xF2
inline constexpr std::uint8_t kCmdWriteVideoPosition = 0xF3;
inline constexpr std::uint8_t kCmdWriteValue = 0x3C;
inline constexpr std::uint8_t kCmdReadValue = 0x3D;  // answered by 0x3E

inline constexpr std::size_t kMaintPacketSize = 528;
inline constexpr std::size_t kMaintBodySize = 524;

// Time-outs of the direct channels, read as (seconds, microseconds).
inline constexpr std::chrono::microseconds kSendTimeout{2'000'000};
inline constexpr std::chrono::microseconds kReceiveTimeout{5'000'000};
inline constexpr std::chrono::microseconds kLongReceiveTimeout{6'001'000};
// Each exchange ends by connect wait + send time-out + receive time-out, however the board
// paces its bytes.
inline constexpr std::chrono::microseconds kConnectWait{2'000'000};

// Answers are taken once this many bytes have come (or the board closed, or time ran out).
inline constexpr std::size_t kValueAnswerBytes = 36;          // 0x3E answer, exactly
inline constexpr std::size_t kVideoPositionAnswerBytes = 32;  // head + the values it carries

// Register block fields (offsets in the body).
namespace regblock {
inline constexpr std::size_t kSize = 0;
inline constexpr std::size_t kCode = 4;
inline constexpr std::size_t kCount = 6;
inline constexpr std::size_t kStatus = 8;
inline constexpr std::size_t kBus = 10;
inline constexpr std::size_t kParameters = 12;
inline constexpr std::size_t kData = 268;
// The register pages' names for the same fields: device, 256 registers, then 256 values.
inline constexpr std::size_t kDevice = kCode;
inline constexpr std::size_t kRegisters = kParameters;
inline constexpr std::size_t kValues = kData;
inline constexpr std::size_t kPairs = 256;
}  // namespace regblock

// A zeroed body with size 524, the code and count 1.
RegisterBlock MakeRegisterBlock(int code);

// One maintenance exchange with the board at address:port. For a set (answer 0) the packet is
// only sent. For a query the answer is gathered until 528 bytes have come, in as many segments
// as the board sends, and its body is copied into body when it has the right head, whatever
// its status. Results: kMaint*.
struct MaintRequest {
  std::uint8_t command;
  std::uint8_t answer = 0;  // 0: no answer expected
  std::chrono::microseconds receiveTimeout = kReceiveTimeout;
  bool retryReceive = false;  // receive a second time after a failed first receive
  bool wordStatus = false;    // status is the 32-bit word at body 8 (0xCB answers)
};
int MaintenanceExchange(std::uint32_t address, std::uint16_t port, const MaintRequest& request,
                        RegisterBlock& body);

// Sends `length` bytes to the board's port 8068 and, when answerSize > 0, receives until
// answerSize bytes have come, the board closes or the time-out passes. Returns the number of bytes
// received, 0 without answer, or kShort*.
int SendShort(std::uint32_t address, const std::uint8_t* bytes, int length, std::uint8_t* answer,
              int answerSize);

// The 36-byte video position record and its parse from an 0xF2 answer (head included).
Record36 EncodeVideoPosition(const VideoPosition& position);
// False when the answer is too short to hold the record.
bool DecodeVideoPositionAnswer(std::span<const std::uint8_t> answer, VideoPosition& position);

}  // namespace tav
