#pragma once
// The board's side of the service pages: overlays kept per channel, and the answer code a
// file write on 8060 gets.

#include <cstdint>
#include <string>

#include "le_bytes.h"
#include "qorsim.h"

namespace qorsim {

inline constexpr const char* kLoginFile = "/mnt/apps/configFile/login.ini";

// A 368-byte overlay block from command 0x33: kept for its channel and as the current one.
// Returns the channel.
std::uint32_t storeOverlay(BoardState& board, qor::Bytes block);

// The answer code of a whole file write to `path`: the configured one, else 1 for the login
// file (it takes effect after a restart) and 3 for any other file. The file is kept only when
// the code says it was written (1, 3, 5).
std::int32_t fileWriteResult(const BoardState& board, const std::string& path);
bool fileWriteKept(std::int32_t result);

}  // namespace qorsim
