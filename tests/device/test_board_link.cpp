// CBoard's refreshes, maintenance and short packets and datagrams go through the link they are
// given: what each sends, and how the answer reaches the record.
#include <gtest/gtest.h>

#include "device/board.h"
#include "device/datagrams.h"
#include "device/tcp_channel.h"
#include "fake_board_link.h"
#include "le_bytes.h"
#include "status_block.h"
#include "wire.h"

using namespace tav;
using test::FakeBoardLink;
using Op = FakeBoardLink::Op;

namespace {

CBoard Board() {
  CBoard b(test::MakeStatus({.ip = test::Ip("10.77.0.5")}));
  b.SetSourceAddress(qor::ipFromOctets(10, 77, 0, 6));
  return b;
}

}  // namespace

TEST(BoardLink, RefreshTakesTheBlockOnlyOnSuccess) {
  CBoard board = Board();
  FakeBoardLink link;
  std::vector<std::uint8_t> answer(200, 0);
  answer[status::kDeviceType] = 9;
  link.configAnswers[256] = answer;
  EXPECT_EQ(board.RefreshStatus(link), 0);
  EXPECT_EQ(board.deviceType(), 9);
  ASSERT_EQ(link.sent().size(), 1u);
  EXPECT_EQ(link.sent()[0].address, "10.77.0.6");  // the contact address
  EXPECT_EQ(qor::getU32(link.sent()[0].bytes, 0), 200u);

  link.configResults[269] = 15;
  board.streamInfo()[10] = 0x5A;
  EXPECT_EQ(board.RefreshStreamInfo(link), 15);
  EXPECT_EQ(board.streamInfo()[10], 0x5A);
}

TEST(BoardLink, MaintenanceAndShortPacketsGoThroughTheLink) {
  CBoard board = Board();
  FakeBoardLink link;
  RegisterBlock answer = MakeRegisterBlock(7);
  answer[regblock::kData] = 0x42;
  link.maintenanceAnswers.push_back({kMaintOk, answer});
  std::uint8_t value = 0;
  EXPECT_EQ(board.QueryByte(7, 3, value, link), kMaintOk);
  EXPECT_EQ(value, 0x42);
  auto sent = link.sentOf(Op::Maintenance);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].address, "10.77.0.6");
  EXPECT_EQ(sent[0].type, qor::kRegisterPort);
  EXPECT_EQ(sent[0].bytes[0], kCmdMaintQuery);
  EXPECT_EQ(sent[0].bytes[1 + regblock::kParameters], 3);

  // No answer scripted: the failure comes back and the value stays.
  value = 9;
  EXPECT_EQ(board.QueryByte(7, 3, value, link), kMaintConnectFailed);
  EXPECT_EQ(value, 9);

  Record16 record{};
  std::vector<std::uint8_t> shortAnswer(20, 0);
  qor::putHead(shortAnswer, 0xF2);
  shortAnswer[4] = 0x77;
  link.shortAnswers.push_back(shortAnswer);
  EXPECT_EQ(board.ReadRecord16(record, link), 0);
  EXPECT_EQ(record[0], 0x77);
  link.shortAnswers.push_back({0x71, 0x6F, 0x72, 0x99});  // wrong head, too short
  EXPECT_EQ(board.ReadRecord16(record, link), kShortBadArgument);
}

TEST(BoardLink, DatagramsGoThroughTheLinkAndAFailedSendChangesNothing) {
  CBoard board = Board();
  FakeBoardLink link;
  EXPECT_EQ(board.FactoryReset(link), kDatagramSent);
  auto sent = link.sentOf(Op::Broadcast);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes[3], kCmdFactoryReset);

  link.broadcastResult = kDatagramNotSent;
  EXPECT_EQ(board.SendNetworkIdentity(qor::ipFromOctets(10, 77, 0, 9),
                                      qor::ipFromOctets(255, 255, 255, 0), 0, "x", link),
            kDatagramNotSent);
  EXPECT_EQ(board.ip(), qor::ipFromOctets(10, 77, 0, 5));
  link.broadcastResult = kDatagramSent;
  EXPECT_EQ(board.SendNetworkIdentity(qor::ipFromOctets(10, 77, 0, 9),
                                      qor::ipFromOctets(255, 255, 255, 0), 0, "x", link),
            kDatagramSent);
  EXPECT_EQ(board.ip(), qor::ipFromOctets(10, 77, 0, 9));
}
