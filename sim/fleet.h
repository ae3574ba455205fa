#pragma once
// Fleet description → board states. The states built here are also each board's factory
// settings (group command 0xEB returns a board to them).

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "qorsim.h"

namespace qorsim {

struct FleetBoard {
  BoardState state;
  bool rtspUrlDerived = true;  // the stream-information URL follows the board's address
};

struct Fleet {
  std::vector<FleetBoard> boards;
  double restartSeconds = 3.0;
};

// Throws FleetError naming the field, e.g. "boards[3].send.port: ...".
Fleet parseFleet(const nlohmann::json& fleet);
Fleet generatedFleet(int count);

// The derived blocks that follow the status block: stream-information URL, EDIDs, register
// values of the capture front end. Called after the status block changes mode or address.
void refreshDerived(BoardState& board, bool rtspUrlDerived);

}  // namespace qorsim
