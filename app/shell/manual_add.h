#pragma once
// Adding a board by hand, for one the broadcast search cannot reach (behind a router): the
// board is asked for its status block at the entered address and becomes an ordinary record
// contacted at that address.

#include <cstdint>
#include <functional>

class CBoardCtrl;

namespace tav {

class Notifier;

// Returns the new board's index, or -1 when the board did not answer (message 255 shown and
// logged, list unchanged). Logs "手动添加设备成功。" on success; the caller inserts the row.
// `asked` runs as soon as the exchange with the board is over, before anything is reported
// (the window ends its wait cursor there).
int ManualAdd(CBoardCtrl& boards, std::uint32_t address, Notifier& notifier,
              const std::function<void()>& asked = {});

}  // namespace tav
