// Group and network commands as a board on the test LAN receives them.
#include <gtest/gtest.h>

#include "board_peer.h"
#include "device/datagrams.h"
#include "gbk.h"
#include "platform/ticks.h"
#include "status_builder.h"
#include "testlan.h"

using namespace devtest;
using namespace tav::test;

TEST(Datagrams, GroupCommandsAsReceived) {
  UdpListener board;
  FakeBoard fake;
  fake.ip = "192.168.1.20";  // a board outside the PC's subnet is still reached

  EXPECT_EQ(tav::Restart(tav::kTargetDecoders), 0);
  Bytes restart = board.next();
  EXPECT_EQ(restart,
            (Bytes{0x71, 0x6F, 0x72, 0xE8, 0, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0,
                   0,    0,    0,    0,    0, 0, 0, 0, 0,    0,    0,    0,    0, 0, 0, 0}));

  EXPECT_EQ(makeBoard(fake).FactoryReset(), 0);
  Bytes reset = board.next();
  ASSERT_EQ(reset.size(), 32u);
  EXPECT_TRUE(qor::hasHead(reset, 0xEB));
  EXPECT_EQ(Bytes(reset.begin() + 8, reset.begin() + 16),
            (Bytes{0x14, 0x01, 0xA8, 0xC0, 1, 0, 0, 0}));

  // The contact address, not the status block's, names the board.
  CBoard relocated = makeBoard(fake);
  relocated.SetSourceAddress(ip("10.77.0.21"));
  EXPECT_EQ(relocated.FactoryReset(), 0);
  Bytes target = board.next();
  EXPECT_EQ(Bytes(target.begin() + 8, target.begin() + 12), (Bytes{0x15, 0x00, 0x4D, 0x0A}));

  EXPECT_EQ(tav::FactoryResetAll(), 0);
  Bytes all = board.next();
  ASSERT_EQ(all.size(), 32u);
  EXPECT_TRUE(qor::hasHead(all, 0xEB));
  EXPECT_EQ(qor::getI32(all, 8), -1);
  EXPECT_EQ(qor::getU32(all, 12), 1u);

  for (int t : {tav::kTargetAllBoards, tav::kTargetEncoders}) {
    EXPECT_EQ(tav::Restart(t), 0);
    Bytes r = board.next();
    EXPECT_EQ(qor::getI32(r, 8), t);
    EXPECT_EQ(qor::getU32(r, 12), 0u);
  }
}

TEST(Datagrams, NetworkCommandAsReceivedAndTheRecordAfterIt) {
  UdpListener listener;
  FakeBoard fake;
  fake.ip = "192.168.1.20";
  fake.mac = {0x00, 0x1a, 0x01, 0x02, 0x03, 0x04};
  fake.type = 20;
  CBoard board = makeBoard(fake);
  board.statusBlock()[84] = 0x6C;  // a byte of the identity record the program does not read
  qor::putI16(board.statusBlock(), tav::status::kVersionAMajor, 4);
  board.SetSourceAddress(ip("10.77.0.21"));
  tav::StatusBlock before = board.statusBlock();

  ASSERT_EQ(board.SendNetworkIdentity(ip("10.77.0.30"), ip("255.255.0.0"), ip("10.77.0.1"), "大厅"),
            0);
  Bytes d = listener.next();
  ASSERT_EQ(d.size(), 8060u);
  EXPECT_TRUE(qor::hasHead(d, 0xF0));
  EXPECT_EQ(qor::getU32(d, 4), 96u);
  EXPECT_EQ(qor::getU32(d, 8), ip("10.77.0.21"));
  EXPECT_EQ(qor::getU32(d, 12), 88u);
  EXPECT_EQ(qor::getU32(d, 16), ip("10.77.0.30"));
  EXPECT_EQ(qor::getU32(d, 20), ip("255.255.0.0"));
  EXPECT_EQ(qor::getU32(d, 24), ip("10.77.0.1"));
  EXPECT_EQ(Bytes(d.begin() + 36, d.begin() + 42), (Bytes{0x00, 0x1a, 10, 77, 0, 30}));
  EXPECT_EQ(qor::getText(d, 44, 32), qor::utf8ToGbk("大厅"));
  // Everything after the name slot is the board's own, carried unchanged.
  EXPECT_EQ(qor::getI32(d, 12 + 64), 20);
  EXPECT_EQ(qor::getI16(d, 12 + 76), 4);
  EXPECT_EQ(d[12 + 80], 0x6C);
  EXPECT_TRUE(std::all_of(d.begin() + 100, d.end(), [](std::uint8_t c) { return c == 0; }));

  EXPECT_EQ(board.ip(), ip("10.77.0.30"));
  EXPECT_EQ(board.mask(), ip("255.255.0.0"));
  EXPECT_EQ(board.MacText(), "00:1a:0a:4d:00:1e");
  EXPECT_EQ(board.Name(), "大厅");
  EXPECT_EQ(board.deviceType(), 20);
  EXPECT_TRUE(std::equal(before.begin() + 92, before.end(), board.statusBlock().begin() + 92));
}

TEST(Datagrams, DhcpKeepsTheRecordAndSendsATickMac) {
  UdpListener listener;
  FakeBoard fake;
  fake.mac = {0x00, 0x1a, 0x01, 0x02, 0x03, 0x04};
  CBoard board = makeBoard(fake);
  tav::StatusBlock before = board.statusBlock();

  std::uint32_t ticksBefore = tav::TickCountMs();
  ASSERT_EQ(board.SendNetworkIdentity(0, 0, 0, "dhcp"), 0);
  std::uint32_t ticksAfter = tav::TickCountMs();
  Bytes d = listener.next();
  ASSERT_EQ(d.size(), 8060u);
  EXPECT_EQ(qor::getU32(d, 16), 0u);
  EXPECT_EQ(d[36], 0x22);
  EXPECT_EQ(d[37], 0x1a);
  std::uint32_t ticks = qor::getU32(d, 38);
  EXPECT_GE(ticks, ticksBefore);
  EXPECT_LE(ticks, ticksAfter);
  EXPECT_EQ(board.statusBlock(), before);
}

TEST(Datagrams, FailedSendLeavesTheRecordAlone) {
  // Without a route the limited broadcast cannot leave the PC.
  ASSERT_EQ(testlan::run({"ip", "route", "del", "default"}), 0);
  CBoard board = makeBoard({});
  tav::StatusBlock before = board.statusBlock();
  EXPECT_EQ(board.SendNetworkIdentity(ip("10.77.0.40"), ip("255.255.255.0"), ip("10.77.0.1"), "x"),
            1);
  EXPECT_EQ(tav::Restart(tav::kTargetAllBoards), 1);
  EXPECT_EQ(board.statusBlock(), before);
  ASSERT_EQ(testlan::run({"ip", "route", "add", "default", "dev", "lan0"}), 0);
}
