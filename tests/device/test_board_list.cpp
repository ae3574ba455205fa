// The board list and its conflict check.
#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <string>

#include "device/board_list.h"
#include "status_builder.h"

using devtest::FakeBoard;
using devtest::ip;
using devtest::makeBoard;

namespace {

// Board n of a fleet: its own address and MAC, an encoder sending nowhere in particular.
FakeBoard nth(int n) {
  static std::deque<std::string> addresses;  // keeps the texts alive for the boards' pointers
  addresses.push_back("10." + std::to_string(n / 250) + "." + std::to_string(n % 250) + ".1");
  FakeBoard s;
  s.ip = addresses.back().c_str();
  s.mask = "255.255.255.0";
  s.mac = {0x00, 0x1a, 0x00, 0x00, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
  return s;
}

CBoardCtrl listOf(const std::vector<FakeBoard>& specs) {
  CBoardCtrl list;
  for (const FakeBoard& s : specs) list.Add(devtest::makeStatus(s));
  return list;
}

FakeBoard sending(FakeBoard s, const char* send, std::uint16_t port, std::uint16_t mode = 0) {
  s.send = send;
  s.sendPort = port;
  s.sendMode = mode;
  return s;
}

}  // namespace

TEST(BoardList, AddAtCountClear) {
  CBoardCtrl list;
  EXPECT_EQ(list.Add(devtest::makeStatus(nth(0))), 0);
  EXPECT_EQ(list.Add(makeBoard(nth(1))), 1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.At(1).ip(), ip("10.0.1.1"));
  EXPECT_THROW(list.At(2), std::out_of_range);
  EXPECT_THROW(list.At(-1), std::out_of_range);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.HasConflicts());
}

TEST(BoardList, IdentityConflicts) {
  FakeBoard a = nth(1), b = nth(2);
  EXPECT_FALSE(listOf({a, b}).HasConflicts());

  FakeBoard sameMac = b;
  sameMac.mac = a.mac;
  EXPECT_TRUE(listOf({a, sameMac}).HasConflicts());

  FakeBoard sameIp = b;
  sameIp.ip = a.ip;
  EXPECT_TRUE(listOf({a, sameIp}).HasConflicts());

  // Two records answering from the same source address clash even if their blocks differ.
  CBoardCtrl list = listOf({a, b});
  list.At(0).SetSourceAddress(ip("10.77.0.50"));
  list.At(1).SetSourceAddress(ip("10.77.0.50"));
  EXPECT_TRUE(list.HasConflicts());
}

TEST(BoardList, StreamConflicts) {
  FakeBoard a = nth(1), b = nth(2);
  a.ip = "192.168.1.20";
  b.ip = "192.168.1.21";

  EXPECT_TRUE(
      listOf({sending(a, "239.1.1.1", 1234), sending(b, "239.1.1.1", 1234)}).HasConflicts());
  EXPECT_FALSE(
      listOf({sending(a, "239.1.1.1", 1234), sending(b, "239.1.1.1", 1235)}).HasConflicts());
  EXPECT_TRUE(listOf({sending(a, "192.168.1.255", 5000), sending(b, "192.168.1.255", 5000)})
                  .HasConflicts());
  EXPECT_TRUE(
      listOf({sending(a, "192.168.1.7", 5000), sending(b, "192.168.1.7", 5000)}).HasConflicts());

  // Unicast into a subnet that a broadcast on the same port covers, in either order.
  EXPECT_TRUE(
      listOf({sending(a, "192.168.1.7", 5000), sending(b, "192.168.1.255", 5000)}).HasConflicts());
  EXPECT_TRUE(
      listOf({sending(a, "192.168.1.255", 5000), sending(b, "192.168.1.7", 5000)}).HasConflicts());
  EXPECT_FALSE(
      listOf({sending(a, "192.168.1.7", 5000), sending(b, "192.168.1.255", 5001)}).HasConflicts());

  // A ".255" outside the sender's own subnet counts as unicast.
  FakeBoard far = b;
  far.ip = "192.168.2.21";
  EXPECT_TRUE(listOf({sending(a, "192.168.9.255", 5000), sending(far, "192.168.9.255", 5000)})
                  .HasConflicts());
}

TEST(BoardList, StreamsThatCannotClash) {
  FakeBoard a = nth(1), b = nth(2);
  // On demand, and the modes whose stream is pulled by the client.
  EXPECT_FALSE(listOf({sending(a, "0.0.0.0", 0), sending(b, "0.0.0.0", 0)}).HasConflicts());
  for (std::uint16_t mode : {3, 4, 5, 8})
    EXPECT_FALSE(listOf({sending(a, "10.0.0.7", 554, mode), sending(b, "10.0.0.7", 554, mode)})
                     .HasConflicts())
        << mode;
  EXPECT_TRUE(
      listOf({sending(a, "10.0.0.7", 554, 6), sending(b, "10.0.0.7", 554, 6)}).HasConflicts());
  // Decoders' send fields are not streams.
  a.type = b.type = 4;
  EXPECT_FALSE(
      listOf({sending(a, "239.1.1.1", 1234), sending(b, "239.1.1.1", 1234)}).HasConflicts());
}

TEST(BoardList, ThreeHundredBoards) {
  std::vector<FakeBoard> fleet;
  for (int n = 0; n < 300; ++n) {
    // Every kind of stream well past 256 of each: multicast, broadcast and unicast.
    static std::deque<std::string> sends;
    sends.push_back(n % 3 == 0 ? "239.1." + std::to_string(n / 250) + "." + std::to_string(n % 250)
                    : n % 3 == 1
                        ? "10." + std::to_string(n / 250) + "." + std::to_string(n % 250) + ".255"
                        : "172.16." + std::to_string(n / 250) + "." + std::to_string(n % 250));
    fleet.push_back(sending(nth(n), sends.back().c_str(), 5000));
  }
  EXPECT_FALSE(listOf(fleet).HasConflicts());

  auto withLast = [&](auto change) {
    std::vector<FakeBoard> copy = fleet;
    change(copy.back());
    return listOf(copy).HasConflicts();
  };
  EXPECT_TRUE(withLast([&](FakeBoard& s) { s.mac = fleet[3].mac; }));
  EXPECT_TRUE(withLast([&](FakeBoard& s) { s.ip = fleet[280].ip; }));
  EXPECT_TRUE(withLast([&](FakeBoard& s) { s.send = fleet[297].send; }));  // multicast
  EXPECT_TRUE(withLast([&](FakeBoard& s) { s.send = fleet[5].send; }));    // unicast
  // Board 298 broadcasts in 10.1.48.0/24 (its own subnet); a unicast into it on the same port.
  EXPECT_TRUE(withLast([&](FakeBoard& s) { s.send = "10.1.48.9"; }));
}

// Which boards clash and on what: one entry per shared thing, all its boards in list order,
// and a line naming the kind, the shared address or stream, and each board.
TEST(BoardList, ConflictsNameTheirKindAndBoards) {
  FakeBoard a = nth(1), b = nth(2), c = nth(3);
  a.ip = "192.168.1.20";
  b.ip = "192.168.1.21";
  c.ip = "192.168.1.22";
  a.name = "A";
  b.name = "B";
  c.name = "C";
  auto only = [](const CBoardCtrl& list) {
    auto all = list.Conflicts();
    EXPECT_EQ(all.empty(), !list.HasConflicts());
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? std::string() : tav::ConflictLine(list, all[0]);
  };
  FakeBoard sameIp = b;
  sameIp.ip = a.ip;
  EXPECT_EQ(only(listOf({a, c, sameIp})),
            "IP地址冲突 192.168.1.20：192.168.1.20 \"A\"，192.168.1.20 \"B\"");
  FakeBoard sameMac = b;
  sameMac.mac = a.mac;
  EXPECT_EQ(only(listOf({a, sameMac})),
            "MAC地址冲突 00:1a:00:00:00:01：192.168.1.20 \"A\"，192.168.1.21 \"B\"");
  EXPECT_EQ(only(listOf({sending(a, "239.1.1.1", 1234), sending(b, "239.1.1.1", 1234),
                         sending(c, "239.1.1.1", 1234)})),
            "组播地址和端口冲突 239.1.1.1:1234：192.168.1.20 \"A\"，192.168.1.21 \"B\"，"
            "192.168.1.22 \"C\"");
  EXPECT_EQ(only(listOf({sending(a, "192.168.1.255", 5000), sending(b, "192.168.1.255", 5000)})),
            "广播地址和端口冲突 192.168.1.255:5000：192.168.1.20 \"A\"，192.168.1.21 \"B\"");
  EXPECT_EQ(only(listOf({sending(a, "192.168.1.7", 5000), sending(b, "192.168.1.7", 5000)})),
            "单播地址和端口冲突 192.168.1.7:5000：192.168.1.20 \"A\"，192.168.1.21 \"B\"");
  EXPECT_EQ(only(listOf({sending(a, "192.168.1.255", 5000), sending(b, "192.168.1.7", 5000)})),
            "单播与广播的地址和端口冲突 192.168.1.7:5000 / 192.168.1.255:5000：192.168.1.20 "
            "\"A\"，192.168.1.21 \"B\"");

  // Several at once, each with its own entry; none when nothing clashes.
  auto both = listOf({sending(a, "239.1.1.1", 1234), sending(sameIp, "239.1.1.1", 1234)});
  auto all = both.Conflicts();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].kind, tav::ConflictKind::Address);
  EXPECT_EQ(all[1].kind, tav::ConflictKind::Multicast);
  EXPECT_EQ(all[1].boards, (std::vector<int>{0, 1}));
  EXPECT_EQ(tav::ConflictKey(all[1].kind), "multicast");
  EXPECT_TRUE(listOf({a, b, c}).Conflicts().empty());
}
