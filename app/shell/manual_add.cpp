#include "shell/manual_add.h"

#include "device/board_link.h"
#include "device/board_list.h"
#include "device/notifier.h"
#include "resources/string_table.h"

namespace tav {

ManualProbe ProbeBoard(std::uint32_t address, BoardLink& link) {
  ManualProbe probe;
  probe.board.setIp(address);
  probe.board.SetSourceAddress(address);
  probe.result = probe.board.RefreshStatus(link);
  return probe;
}

int AddProbedBoard(CBoardCtrl& boards, const ManualProbe& probe, Notifier& notifier) {
  if (probe.result != 0) {
    notifier.log(str(kStrManualAddFailed));
    notifier.message(str(kStrManualAddFailed), NoticeIcon::Error);
    return -1;
  }
  int index = boards.Add(probe.board.statusBlock());
  boards.At(index).SetSourceAddress(probe.board.sourceAddress());
  notifier.log(str(kStrManualAddOk));
  return index;
}

int ManualAdd(CBoardCtrl& boards, std::uint32_t address, Notifier& notifier, BoardLink& link) {
  return AddProbedBoard(boards, ProbeBoard(address, link), notifier);
}

}  // namespace tav
