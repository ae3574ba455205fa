#pragma once
// The service commands on a board's port 4010 (clock, overlays, storage): one connection per
// action, the head "qor" + an ASCII command byte, then either nothing back (the writes) or one
// answer of head + block (the reads). Failures become the texts the pages show.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "device/board_link.h"
#include "device/notifier.h"
#include "le_bytes.h"

namespace tav {

inline constexpr std::uint16_t kServicePort = 4010;

namespace service {
inline constexpr std::uint8_t kSetClock = 0x30;       // '0' + clock block
inline constexpr std::uint8_t kGetClock = 0x31;       // '1'
inline constexpr std::uint8_t kClockAnswer = 0x32;    // '2' + clock block
inline constexpr std::uint8_t kSetOverlay = 0x33;     // '3' + overlay block
inline constexpr std::uint8_t kGetOverlay = 0x34;     // '4'
inline constexpr std::uint8_t kOverlayAnswer = 0x35;  // '5' + overlay block
inline constexpr std::uint8_t kSetStorage = 0x39;     // '9' + storage settings
inline constexpr std::uint8_t kGetStorage = 0x3A;     // ':'
inline constexpr std::uint8_t kStorageAnswer = 0x3B;  // ';' + storage report
}  // namespace service

// The board answers one receive of at most this many bytes.
inline constexpr std::size_t kServiceAnswerMax = 1024;

// Connect wait 1 s 800 us; send and receive time-outs 5 s each; the whole action at most 12 s.
struct ServiceLimits {
  Millis connectWait{1001};
  Millis ioTimeout{5000};
  Millis overall{12000};
};

enum class ServiceStatus {
  Ok,
  NoConnection,  // the board did not take the connection in time
  SendError,
  RecvError,  // nothing (or not the whole block) came in time
  HeadError,  // an answer that is not "qor" + the expected command
  Refused,    // the page's input was refused; nothing was sent
};

// "send error", "recv error", "head error"; "connect error" for a connection that failed;
// empty for Ok and Refused.
std::string_view ServiceStatusText(ServiceStatus status);

struct ServiceAnswer {
  ServiceStatus status = ServiceStatus::NoConnection;
  std::vector<std::uint8_t> block;  // the whole block after the head, when Ok
};

// A read: sends the head alone and takes the answer's block of `blockSize` bytes.
ServiceAnswer ServiceRead(BoardLink& link, std::uint32_t address, std::uint8_t command,
                          std::uint8_t answerCommand, std::size_t blockSize,
                          const ServiceLimits& limits = {});
// A write: head and payload in one send; the board does not answer.
ServiceStatus ServiceWrite(BoardLink& link, std::uint32_t address, std::uint8_t command,
                           qor::Bytes payload, const ServiceLimits& limits = {});

// Tells the user about a failure: message box and log line for send, receive and head errors;
// a connection failure is only logged (the pages show no box for it). On Ok, `okText` (if
// any) is reported as an information message.
void ReportService(ServiceStatus status, Notifier& notifier, std::string_view okText = {});

}  // namespace tav
