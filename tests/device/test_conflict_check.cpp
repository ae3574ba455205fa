// The conflict check on random fleets against a plain scan of lists (every board against every
// one seen before), and on a fleet of ten thousand boards.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>

#include "device/board_list.h"
#include "status_builder.h"
#include "wire.h"

using tav::BoardConflict;
using tav::ConflictKind;

namespace {

using Stream = std::pair<std::uint32_t, std::uint16_t>;

// The check as the lists describe it, one scan per board; true at the first conflict.
bool ScanHasConflicts(const CBoardCtrl& boards) {
  std::vector<std::uint32_t> addresses;
  std::vector<std::string> macs;
  std::vector<Stream> multicast, broadcast, unicast;
  auto has = [](const auto& list, const auto& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
  };
  for (const CBoard& b : boards) {
    if (has(addresses, b.ContactAddress()) || has(macs, b.MacText())) return true;
    addresses.push_back(b.ContactAddress());
    macs.push_back(b.MacText());
    if (!b.IsEncoder()) continue;
    const Stream s{b.sendAddress(), b.sendPort()};
    if ((s.first & 0xff) >= 224 && (s.first & 0xff) <= 239) {
      if (has(multicast, s)) return true;
      multicast.push_back(s);
      continue;
    }
    if ((s.first >> 24) == 255 && (s.first & b.mask()) == (b.ip() & b.mask())) {
      if (has(broadcast, s)) return true;
      broadcast.push_back(s);
      continue;
    }
    const int mode = b.sendMode();
    if ((s.first == 0 && s.second == 0) || mode == 3 || mode == 4 || mode == 5 || mode == 8)
      continue;
    if (has(unicast, s)) return true;
    unicast.push_back(s);
  }
  for (const Stream& u : unicast)
    for (const Stream& c : broadcast)
      if ((u.first | 0xff000000u) == c.first && u.second == c.second) return true;
  return false;
}

// Every conflict with all its boards, grouped by a scan of lists in first-seen order.
std::vector<BoardConflict> ScanConflicts(const CBoardCtrl& boards) {
  struct Group {
    std::string key;
    Stream stream;
    std::vector<int> boards;
  };
  auto add = [](std::vector<Group>& groups, const std::string& key, Stream stream, int board) {
    for (Group& g : groups)
      if (g.key == key) return g.boards.push_back(board);
    groups.push_back({key, stream, {board}});
  };
  auto streamText = [](Stream s) { return qor::ipText(s.first) + ":" + std::to_string(s.second); };
  std::vector<Group> addresses, macs, multicast, broadcast, unicast;
  for (int i = 0; i < boards.Count(); ++i) {
    const CBoard& b = boards.At(i);
    add(addresses, qor::ipText(b.ContactAddress()), {}, i);
    add(macs, b.MacText(), {}, i);
    if (!b.IsEncoder()) continue;
    const Stream s{b.sendAddress(), b.sendPort()};
    if ((s.first & 0xff) >= 224 && (s.first & 0xff) <= 239) {
      add(multicast, streamText(s), s, i);
    } else if ((s.first >> 24) == 255 && (s.first & b.mask()) == (b.ip() & b.mask())) {
      add(broadcast, streamText(s), s, i);
    } else {
      const int mode = b.sendMode();
      if (!((s.first == 0 && s.second == 0) || mode == 3 || mode == 4 || mode == 5 || mode == 8))
        add(unicast, streamText(s), s, i);
    }
  }
  std::vector<BoardConflict> out;
  for (const auto& [groups, kind] :
       {std::pair{&addresses, ConflictKind::Address}, std::pair{&macs, ConflictKind::Mac},
        std::pair{&multicast, ConflictKind::Multicast},
        std::pair{&broadcast, ConflictKind::Broadcast}, std::pair{&unicast, ConflictKind::Unicast}})
    for (const Group& g : *groups)
      if (g.boards.size() > 1) out.push_back({kind, g.key, g.boards});
  for (const Group& u : unicast)
    for (const Group& c : broadcast)
      if ((u.stream.first | 0xff000000u) == c.stream.first && u.stream.second == c.stream.second) {
        std::vector<int> both = u.boards;
        both.insert(both.end(), c.boards.begin(), c.boards.end());
        std::sort(both.begin(), both.end());
        out.push_back({ConflictKind::UnicastIntoBroadcast, u.key + " / " + c.key, both});
      }
  return out;
}

std::string Describe(const std::vector<BoardConflict>& list) {
  std::string text;
  for (const auto& c : list) {
    text += std::string(tav::ConflictKey(c.kind)) + " " + c.shared + ":";
    for (int b : c.boards) text += " " + std::to_string(b);
    text += "\n";
  }
  return text;
}

// A fleet drawn from small pools, so every kind of clash turns up now and then.
CBoardCtrl RandomFleet(std::mt19937& random, int count, int pool) {
  auto pick = [&](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(random)); };
  static const char* const sends[] = {"239.1.1.1", "239.1.1.2", "10.0.0.255", "10.0.1.255",
                                      "10.0.0.7",  "10.0.0.8",  "0.0.0.0",    "192.168.1.255"};
  static const int types[] = {1, 2, 3, 4, 5, 7, 9, 11, 20, 21, 0};
  CBoardCtrl boards;
  for (int i = 0; i < count; ++i) {
    const std::string ip = "10.0." + std::to_string(pick(2)) + "." + std::to_string(1 + pick(pool));
    devtest::FakeBoard s;
    s.ip = ip.c_str();
    s.mask = pick(4) == 0 ? "255.255.0.0" : "255.255.255.0";
    s.mac[5] = std::uint8_t(pick(pool * 2));
    s.type = types[pick(std::size(types))];
    s.send = sends[pick(std::size(sends))];
    s.sendPort = std::uint16_t(pick(3) == 0 ? 0 : 5000 + pick(3));
    s.sendMode = std::uint16_t(pick(10));
    const int index = boards.Add(devtest::makeStatus(s));
    if (pick(5) == 0)
      boards.At(index).SetSourceAddress(devtest::ip("10.0.9.9") +
                                        (std::uint32_t(pick(pool)) << 24));
  }
  return boards;
}

}  // namespace

TEST(ConflictCheck, AgreesWithAScanOfListsOnRandomFleets) {
  std::mt19937 random(10000);
  int withConflicts = 0;
  for (int round = 0; round < 600; ++round) {
    const int count = 1 + round % 40;
    const CBoardCtrl boards = RandomFleet(random, count, 4 + round % 200);
    const bool expected = ScanHasConflicts(boards);
    ASSERT_EQ(boards.HasConflicts(), expected) << "round " << round;
    const auto conflicts = boards.Conflicts();
    ASSERT_EQ(Describe(conflicts), Describe(ScanConflicts(boards))) << "round " << round;
    EXPECT_EQ(conflicts.empty(), !expected);
    withConflicts += expected;
  }
  // Both outcomes were drawn often enough to mean something.
  EXPECT_GT(withConflicts, 100);
  EXPECT_LT(withConflicts, 550);
}

TEST(ConflictCheck, TenThousandBoardsWithOneClashAtTheEnd) {
  CBoardCtrl boards;
  for (int n = 0; n < 10000; ++n) {
    const std::string ip = "10.77." + std::to_string(n / 250) + "." + std::to_string(1 + n % 250);
    const std::string send = "239.2." + std::to_string(n / 250) + "." + std::to_string(1 + n % 250);
    devtest::FakeBoard s;
    s.ip = ip.c_str();
    s.send = send.c_str();
    s.sendPort = 6000;
    s.mac = {0x00, 0x1a, 0x00, std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
    boards.Add(devtest::makeStatus(s));
  }
  EXPECT_FALSE(boards.HasConflicts());
  EXPECT_TRUE(boards.Conflicts().empty());
  boards.Add(boards.At(4321));
  ASSERT_TRUE(boards.HasConflicts());
  const auto conflicts = boards.Conflicts();
  ASSERT_EQ(conflicts.size(), 3u);  // address, MAC and multicast stream
  EXPECT_EQ(conflicts[0].boards, (std::vector<int>{4321, 10000}));
  EXPECT_EQ(conflicts[2].kind, ConflictKind::Multicast);
}
