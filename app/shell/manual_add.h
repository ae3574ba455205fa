#pragma once
// Adding a board by hand, for one the broadcast search cannot reach (behind a router): the
// board is asked for its status block at the entered address and becomes an ordinary record
// contacted at that address.

#include <cstdint>

#include "device/board.h"

class CBoardCtrl;

namespace tav {

class BoardLink;
class Notifier;

// The exchange (runs on a worker): the board at `address` asked for its status block.
struct ManualProbe {
  int result = -1;  // the configuration read's result, 0 success
  CBoard board;     // contacted at `address`; its status block when result is 0
};
ManualProbe ProbeBoard(std::uint32_t address, BoardLink& link);

// The rest, on the window's thread: returns the new board's index, or -1 when the board did
// not answer (message 255 shown and logged, list unchanged). Logs "手动添加设备成功。" on
// success; the caller inserts the row.
int AddProbedBoard(CBoardCtrl& boards, const ManualProbe& probe, Notifier& notifier);

// Both in one call.
int ManualAdd(CBoardCtrl& boards, std::uint32_t address, Notifier& notifier, BoardLink& link);

}  // namespace tav
