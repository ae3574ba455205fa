#pragma once
// What a board does with one request: pure functions over its state and the request bytes,
// so the serving code only moves bytes and the rules can be tested without sockets.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "le_bytes.h"
#include "qorsim.h"

namespace qorsim {

struct Outcome {
  std::optional<std::vector<std::uint8_t>> reply;  // none: the board does not answer
  std::string summary;                             // for the log line
  bool addressChanged = false;                     // the board now lives at another address
  bool restart = false;                            // the board goes silent for a while
  bool factoryReset = false;                       // the board returns to its fleet settings
  bool hold = false;                   // no answer: the connection stays open until the PC gives up
  std::chrono::milliseconds delay{0};  // time the board takes before it answers
};

// "qor" and a command byte.
bool hasMagic(qor::Bytes bytes);

// TCP framing: true once `got` holds the whole request for that port. Requests the board
// cannot size (unknown commands, head-only writes) end with the sender's end of stream.
bool requestComplete(std::uint16_t port, qor::Bytes got);

Outcome handleConfig(BoardState& board, qor::Bytes request, bool rtspUrlDerived);  // TCP 4010
Outcome handleSerial(BoardState& board, qor::Bytes request);                       // TCP 8067
Outcome handleMaintenance(BoardState& board, qor::Bytes request);                  // TCP 8068, 8070
Outcome handleFile(BoardState& board, qor::Bytes request);                         // TCP 8060
// UDP 6006: maintenance.h.

// How long a request may pause before the board takes what arrived as the whole of it.
std::chrono::milliseconds requestIdle(std::uint16_t port);

// The answer to a type 268 text command, without its NUL.
std::string textAnswer(BoardState& board, std::string_view command);

// Network identity record (88 bytes) from type 0 or the UDP network command. A new address of
// 0 means DHCP: the board keeps its address, mask and gateway. True when the address moved.
bool applyIdentity(BoardState& board, qor::Bytes record, bool rtspUrlDerived);

// Group command target: -1 all, -2 encoder kind, -3 decoder kind, else an address with the
// first octet most significant, compared with the board's address and its contact address.
bool groupTargets(const BoardState& board, std::int32_t target);
// The address the PC knows the board by: where its search answers come from.
std::uint32_t contactAddress(const BoardState& board);

// Misbehaviour that changes reply bytes: wrong command byte, cut short.
void applyReplyFaults(std::vector<std::uint8_t>& reply, const Faults& faults);

// "0xE6 200 bytes"-style description of a reply for the log.
std::string describeReply(const std::optional<std::vector<std::uint8_t>>& reply);

}  // namespace qorsim
