#pragma once
// What a configuration page needs from the program around it. The main window implements it;
// tests implement it over a board list of their own. No Qt.

#include "device/board_link.h"
#include "device/notifier.h"
#include "pages/identity_settings.h"

class CBoard;
class CBoardCtrl;

namespace tav {

class PageHost {
 public:
  virtual ~PageHost() = default;
  // The board of the device-list row at the selection mark, looked up afresh on every call;
  // null when there is none.
  virtual CBoard* CurrentBoard() = 0;
  virtual CBoardCtrl& BoardList() = 0;
  // Message boxes, questions and the message log.
  virtual Notifier& notifier() = 0;
  // Everything a page sends to a board goes through this link (tests: a FakeBoardLink).
  virtual BoardLink& link() = 0;
  // The current board's identity changed (address, name): titles and list rows follow.
  virtual void boardIdentityChanged() {}
  // The PC's addresses as the network identity page weighs them; tests give their own.
  virtual PcNetwork pcNetwork() { return ReadPcNetwork(); }
  // The decoder's detection page chose an encoder: open a single-board window on that
  // encoder's statistics page in place of the window that holds the page.
  virtual void openStatisticsWindow(std::uint32_t /*encoderAddress*/) {}
};

}  // namespace tav
