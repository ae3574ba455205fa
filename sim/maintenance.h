#pragma once
// The board's side of the maintenance protocol on UDP 6006: 'a' answered by 'b' with the
// board's adapter table (its own interface first, then its other interfaces), 'c' and 'd'
// obeyed and 'e' journalled, each answered by 'j' carrying the board's command result. A
// request the PC sent from several adapters reaches the board once per adapter; every copy
// gets the same reply number, as the PC drops a repeated one.

#include <chrono>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "board_logic.h"
#include "le_bytes.h"
#include "qorsim.h"

namespace qorsim {

// The board's reply number for this request: the one it gave the same request (message and
// exchange number) within the last half second, else the next of `counter`.
std::uint32_t maintenanceReplyNumber(BoardState& board, qor::Bytes request, std::uint32_t& counter,
                                     std::chrono::steady_clock::time_point now);

// The outcome of one datagram; requests aimed at another board give an empty summary.
Outcome answerMaintenance(BoardState& board, qor::Bytes request, std::uint32_t replyNumber);

// Fleet field "otherInterfaces": [{"address": "...", "mask": "...", "mac": "..."}] or plain
// address texts. Throws FleetError naming `path`.
std::vector<MaintenanceInterface> parseOtherInterfaces(const nlohmann::json& value,
                                                       const std::string& path);

}  // namespace qorsim
