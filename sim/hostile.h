#pragma once
// How a board paces what it sends, and the limits that keep any one client from holding a
// board's connection: every TCP connection ends by its deadline whatever the client does
// (drips its request, never reads the answer), and a hostile board's own faults (a dripped or
// split answer, a flood of search answers) are bounded the same way.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

#include "le_bytes.h"
#include "qorsim.h"

namespace qorsim {

using SteadyClock = std::chrono::steady_clock;

// The whole of one connection, from accept to close: reading the request, the board's delay
// and sending the answer. Upgrade components on 8060 may be large and get longer.
std::chrono::milliseconds connectionDeadline(std::uint16_t port);

// Sends `reply` on the non-blocking-safe socket `fd` paced as the faults say (one byte every
// dripMs, or two segments splitMs apart), until everything is sent, the client fails or closes,
// `deadline` passes or `stopping` is set. Returns the number of bytes sent.
std::size_t sendPaced(int fd, qor::Bytes reply, const Faults& faults,
                      SteadyClock::time_point deadline, const std::atomic<bool>& stopping);

// A board flooding the PC with search answers: `answer` sent again and again from the board's
// address to `to` (address as on the wire) port 5007 for faults.floodSearchMs or until
// `stopping`. Returns how many were sent. Runs on its own thread.
std::size_t floodSearchAnswers(std::uint32_t from, std::uint32_t to,
                               const std::vector<std::uint8_t>& answer,
                               std::chrono::milliseconds duration,
                               const std::atomic<bool>& stopping);

}  // namespace qorsim
