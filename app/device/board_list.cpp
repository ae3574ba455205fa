#include "device/board_list.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "resources/string_table.h"
#include "wire.h"

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

namespace {

std::string StreamText(std::uint32_t address, std::uint16_t port) {
  return qor::ipText(address) + ":" + std::to_string(port);
}

// Groups boards by a key, keeping the order in which keys were first seen.
template <class Key>
struct Groups {
  std::map<Key, std::size_t> at;
  std::vector<std::pair<Key, std::vector<int>>> list;
  void add(const Key& key, int board) {
    auto [it, fresh] = at.emplace(key, list.size());
    if (fresh) list.push_back({key, {}});
    list[it->second].second.push_back(board);
  }
};

}  // namespace

std::vector<tav::BoardConflict> CBoardCtrl::Conflicts() const {
  using tav::ConflictKind;
  using Stream = std::pair<std::uint32_t, std::uint16_t>;
  Groups<std::uint32_t> addresses;
  Groups<std::string> macs;
  Groups<Stream> multicast, broadcast, unicast;
  for (int i = 0; i < Count(); ++i) {
    const CBoard& board = At(i);
    addresses.add(board.ContactAddress(), i);
    macs.add(board.MacText(), i);
    if (!board.IsEncoder()) continue;
    const std::uint32_t send = board.sendAddress();
    const Stream stream{send, board.sendPort()};
    const std::uint32_t first = send & 0xff;
    if (first >= 224 && first <= 239) {
      multicast.add(stream, i);
      continue;
    }
    if ((send >> 24) == 255 && (send & board.mask()) == (board.ip() & board.mask())) {
      broadcast.add(stream, i);
      continue;
    }
    const int mode = board.sendMode();
    if ((send == 0 && board.sendPort() == 0) || mode == 3 || mode == 4 || mode == 5 || mode == 8)
      continue;
    unicast.add(stream, i);
  }

  std::vector<tav::BoardConflict> out;
  for (const auto& [a, list] : addresses.list)
    if (list.size() > 1) out.push_back({ConflictKind::Address, qor::ipText(a), list});
  for (const auto& [mac, list] : macs.list)
    if (list.size() > 1) out.push_back({ConflictKind::Mac, mac, list});
  for (const auto& [groups, kind] :
       {std::pair{&multicast, ConflictKind::Multicast},
        std::pair{&broadcast, ConflictKind::Broadcast}, std::pair{&unicast, ConflictKind::Unicast}})
    for (const auto& [s, list] : groups->list)
      if (list.size() > 1) out.push_back({kind, StreamText(s.first, s.second), list});
  for (const auto& [s, list] : unicast.list) {
    const Stream into{s.first | 0xff000000u, s.second};
    auto it = broadcast.at.find(into);
    if (it == broadcast.at.end()) continue;
    std::vector<int> both = list;
    for (int b : broadcast.list[it->second].second) both.push_back(b);
    std::sort(both.begin(), both.end());
    out.push_back({ConflictKind::UnicastIntoBroadcast,
                   StreamText(s.first, s.second) + " / " + StreamText(into.first, into.second),
                   both});
  }
  return out;
}

namespace tav {

std::string_view ConflictKey(ConflictKind kind) {
  switch (kind) {
    case ConflictKind::Address:
      return "address";
    case ConflictKind::Mac:
      return "mac";
    case ConflictKind::Multicast:
      return "multicast";
    case ConflictKind::Broadcast:
      return "broadcast";
    case ConflictKind::Unicast:
      return "unicast";
    case ConflictKind::UnicastIntoBroadcast:
      break;
  }
  return "unicastIntoBroadcast";
}

namespace {

const char* ConflictName(ConflictKind kind) {
  switch (kind) {
    case ConflictKind::Address:
      return trText("IP地址冲突");
    case ConflictKind::Mac:
      return trText("MAC地址冲突");
    case ConflictKind::Multicast:
      return trText("组播地址和端口冲突");
    case ConflictKind::Broadcast:
      return trText("广播地址和端口冲突");
    case ConflictKind::Unicast:
      return trText("单播地址和端口冲突");
    case ConflictKind::UnicastIntoBroadcast:
      break;
  }
  return trText("单播与广播的地址和端口冲突");
}

}  // namespace

std::string ConflictLine(const CBoardCtrl& boards, const BoardConflict& conflict) {
  std::string line = std::string(ConflictName(conflict.kind)) + " " + conflict.shared + "：";
  for (std::size_t i = 0; i < conflict.boards.size(); ++i) {
    const CBoard& b = boards.At(conflict.boards[i]);
    if (i > 0) line += "，";
    line += b.AddressText() + " \"" + b.Name() + "\"";
  }
  return line;
}

}  // namespace tav
