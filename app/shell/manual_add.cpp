#include "shell/manual_add.h"

#include "device/board_list.h"
#include "device/notifier.h"
#include "resources/string_table.h"

namespace tav {

int ManualAdd(CBoardCtrl& boards, std::uint32_t address, Notifier& notifier,
              const std::function<void()>& asked) {
  CBoard probe;
  probe.setIp(address);
  probe.SetSourceAddress(address);
  const int result = probe.RefreshStatus();
  if (asked) asked();
  if (result != 0) {
    notifier.log(str(255));
    notifier.message(str(255), NoticeIcon::Error);
    return -1;
  }
  int index = boards.Add(probe.statusBlock());
  boards.At(index).SetSourceAddress(address);
  notifier.log(str(256));
  return index;
}

}  // namespace tav
