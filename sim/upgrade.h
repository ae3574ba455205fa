#pragma once
// The board's side of the upgrade transfer on TCP 8060: each component is kept as its length
// and digest, answered with the 16-byte result the board's behaviour asks for.

#include <nlohmann/json_fwd.hpp>
#include <string>

#include "board_logic.h"
#include "qorsim.h"

namespace qorsim {

// One upgrade component (anything on 8060 that is not a file write).
Outcome handleUpgrade(BoardState& board, qor::Bytes component);

// FNV-1a 64 of the bytes as 16 hex digits.
std::string componentDigest(qor::Bytes bytes);

// The fleet's "upgrade" object; throws FleetError naming the field.
UpgradeBehaviour parseUpgradeBehaviour(const nlohmann::json& value, const std::string& path);

}  // namespace qorsim
