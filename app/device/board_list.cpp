#include "device/board_list.h"

#include <set>
#include <utility>

int CBoardCtrl::Add(const tav::StatusBlock& statusBlock) {
  return Add(CBoard(statusBlock));
}

int CBoardCtrl::Add(const CBoard& board) {
  boards_.push_back(board);
  return Count() - 1;
}

CBoard& CBoardCtrl::At(int index) {
  return boards_.at(static_cast<std::size_t>(index));
}
const CBoard& CBoardCtrl::At(int index) const {
  return boards_.at(static_cast<std::size_t>(index));
}

bool CBoardCtrl::HasConflicts() const {
  // Sets instead of fixed tables: the check stays right however many boards a search finds.
  using Stream = std::pair<std::uint32_t, std::uint16_t>;
  std::set<std::uint32_t> addresses;
  std::set<std::string> macs;
  std::set<Stream> multicast, broadcast, unicast;

  for (const CBoard& board : boards_) {
    if (!addresses.insert(board.ContactAddress()).second) return true;
    if (!macs.insert(board.MacText()).second) return true;
    if (!board.IsEncoder()) continue;

    std::uint32_t send = board.sendAddress();
    Stream stream{send, board.sendPort()};
    std::uint32_t first = send & 0xff;
    if (first >= 224 && first <= 239) {
      if (!multicast.insert(stream).second) return true;
      continue;
    }
    if ((send >> 24) == 255 && (send & board.mask()) == (board.ip() & board.mask())) {
      if (!broadcast.insert(stream).second) return true;
      continue;
    }
    int mode = board.sendMode();
    if ((send == 0 && board.sendPort() == 0) || mode == 3 || mode == 4 || mode == 5 || mode == 8)
      continue;
    if (!unicast.insert(stream).second) return true;
  }

  // A unicast stream into a subnet that also carries a broadcast stream on the same port.
  for (const Stream& s : unicast)
    if (broadcast.count({s.first | 0xff000000u, s.second})) return true;
  return false;
}
