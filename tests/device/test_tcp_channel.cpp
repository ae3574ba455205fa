// The direct TCP packets to a board, against raw peers on the boards' side of the test LAN.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "board_peer.h"
#include "device/tcp_channel.h"
#include "recording_notifier.h"
#include "status_builder.h"
#include "testlan.h"

using namespace devtest;
using namespace tav::test;

namespace {

constexpr const char* kBoardIp = "10.77.0.20";   // the status block's address
constexpr const char* kSourceIp = "10.77.0.21";  // where the search answer came from

class TcpChannel : public ::testing::Test {
 protected:
  void SetUp() override {
    testlan::addBoardAddress(kBoardIp);
    testlan::addBoardAddress(kSourceIp);
  }
  // A board contacted at its status-block address.
  CBoard board() const { return makeBoard({}); }
  // A board whose search answer came from another address than its status block's.
  CBoard relocated() const {
    CBoard b = makeBoard({});
    b.SetSourceAddress(ip(kSourceIp));
    return b;
  }
};

Bytes shortAnswer(std::uint8_t command, std::size_t size) {
  Bytes a(size, 0);
  qor::putHead(a, command);
  for (std::size_t i = 4; i < size; ++i) a[i] = static_cast<std::uint8_t>(i);
  return a;
}

}  // namespace

TEST_F(TcpChannel, QueryByteSendsOneMaintenancePacketAndTakesTheDataByte) {
  TcpPeer peer(kBoardIp, 8068, {{528, MaintAnswer(0xC2, 1, 0x5A)}});
  std::uint8_t value = 0;
  EXPECT_EQ(board().QueryByte(0x48, 0x1F, value), tav::kMaintOk);
  EXPECT_EQ(value, 0x5A);

  Bytes sent = peer.requests().at(0);
  ASSERT_EQ(sent.size(), 528u);
  EXPECT_TRUE(qor::hasHead(sent, 0xC1));
  qor::Bytes body = qor::Bytes(sent).subspan(4);
  EXPECT_EQ(qor::getU32(body, 0), 524u);
  EXPECT_EQ(qor::getU16(body, 4), 0x48);
  EXPECT_EQ(qor::getU16(body, 6), 1);
  EXPECT_EQ(qor::getU16(body, 10), 0);
  EXPECT_EQ(body[12], 0x1F);
}

TEST_F(TcpChannel, QueryResultsForBadAnswers) {
  struct Row {
    const char* what;
    Bytes answer;
    int result;
  };
  Bytes tooShort = MaintAnswer(0xC2, 1);
  tooShort.pop_back();
  Bytes tooLong = MaintAnswer(0xC2, 1);
  tooLong.push_back(0);
  const Row rows[] = {
      {"527 bytes", tooShort, tav::kMaintWrongLength},
      {"529 bytes", tooLong, tav::kMaintWrongLength},
      {"request echoed as answer", MaintAnswer(0xC1, 1), tav::kMaintWrongHead},
      {"status 0", MaintAnswer(0xC2, 0), tav::kMaintBoardStatus},
      {"status 2", MaintAnswer(0xC2, 2), tav::kMaintBoardStatus},
      {"closed without answer", {}, tav::kMaintWrongLength},
  };
  for (const Row& r : rows) {
    TcpPeer peer(kBoardIp, 8068, {{528, r.answer}});
    std::uint8_t value = 0x77;
    EXPECT_EQ(board().QueryByte(1, 2, value), r.result) << r.what;
    EXPECT_EQ(value, 0x77) << r.what << ": value taken from a failed answer";
  }
}

TEST_F(TcpChannel, ExchangeReturnsTheAnswerBodyEvenWithAFailureStatus) {
  // The debug page shows what the board said, also when it said "not done".
  for (std::uint16_t port : {8068, 8070}) {
    Bytes answer = MaintAnswer(0xC2, 0, 0x99);
    answer[4 + 12] = 0x33;
    TcpPeer peer(kBoardIp, port, {{528, answer}});
    tav::RegisterBlock body = tav::MakeRegisterBlock(0x20);
    qor::putU16(body, tav::regblock::kCount, 4);
    qor::putU16(body, tav::regblock::kBus, 2);
    int result = port == 8068 ? board().Exchange(body) : board().ExchangeAlt(body);
    EXPECT_EQ(result, tav::kMaintBoardStatus);
    EXPECT_EQ(body[tav::regblock::kData], 0x99);
    EXPECT_EQ(body[tav::regblock::kParameters], 0x33);
    // The caller's body went out as built (count and bus included).
    Bytes sent = peer.requests().at(0);
    ASSERT_EQ(sent.size(), 528u);
    EXPECT_EQ(qor::getU16(sent, 4 + 6), 4);
    EXPECT_EQ(qor::getU16(sent, 4 + 10), 2);
  }
}

TEST_F(TcpChannel, WordQueryChecksTheWholeStatusWord) {
  Bytes good = MaintAnswer(0xCB, 1);
  qor::putU16(good, 4 + 268, 0xBEEF);
  Bytes highHalfSet = good;
  qor::putU16(highHalfSet, 4 + 10, 1);  // 16-bit status 1, 32-bit status 0x10001
  {
    TcpPeer peer(kBoardIp, 8068, {{528, good}});
    std::uint16_t value = 0;
    EXPECT_EQ(board().QueryWord(0x1234, value), tav::kMaintOk);
    EXPECT_EQ(value, 0xBEEF);
    Bytes sent = peer.requests().at(0);
    EXPECT_TRUE(qor::hasHead(sent, 0xCA));
    EXPECT_EQ(qor::getU16(sent, 4 + 4), 0);
    EXPECT_EQ(qor::getU16(sent, 4 + 12), 0x1234);
  }
  {
    TcpPeer peer(kBoardIp, 8068, {{528, highHalfSet}});
    std::uint16_t value = 0;
    EXPECT_EQ(board().QueryWord(0x1234, value), tav::kMaintBoardStatus);
  }
}

TEST_F(TcpChannel, SetsAreSentWithoutWaitingForAnAnswer) {
  tav::RegisterBlock body = tav::MakeRegisterBlock(0x48);
  body[tav::regblock::kData + 3] = 0xAB;
  TcpPeer peer(kBoardIp, 8068, {{528, {}}, {528, {}}, {528, {}}});
  TcpPeer alt(kBoardIp, 8070, {{528, {}}});
  EXPECT_EQ(board().SetByte(0x48, 0x05, 0x7E), 0);
  EXPECT_EQ(board().SetWord(0x0102, 0xA55A), 0);
  EXPECT_EQ(board().Post(body), 0);
  EXPECT_EQ(board().PostAlt(body), 0);

  auto sent = peer.requests();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_TRUE(qor::hasHead(sent[0], 0xC0));
  EXPECT_EQ(sent[0][4 + 12], 0x05);
  EXPECT_EQ(sent[0][4 + 268], 0x7E);
  EXPECT_TRUE(qor::hasHead(sent[1], 0xC9));
  EXPECT_EQ(qor::getU16(sent[1], 4 + 12), 0x0102);
  EXPECT_EQ(qor::getU16(sent[1], 4 + 268), 0xA55A);
  EXPECT_TRUE(qor::hasHead(sent[2], 0xC0));
  EXPECT_EQ(Bytes(sent[2].begin() + 4, sent[2].end()), Bytes(body.begin(), body.end()));
  Bytes altSent = alt.requests().at(0);
  EXPECT_TRUE(qor::hasHead(altSent, 0xC0));
  EXPECT_EQ(altSent[4 + 268 + 3], 0xAB);
}

TEST_F(TcpChannel, UnreachableBoardGivesConnectionFailure) {
  // Nothing listens on the board: refused at once.
  EXPECT_EQ(board().SetByte(1, 2, 3), tav::kMaintConnectFailed);
  // No host at all: bounded by the 2 s send time-out (or the neighbour lookup giving up).
  FakeBoard fake;
  fake.ip = "10.77.0.99";
  auto start = std::chrono::steady_clock::now();
  std::uint8_t value = 0;
  EXPECT_EQ(makeBoard(fake).QueryByte(1, 2, value), tav::kMaintConnectFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(TcpChannel, MaintenanceGoesToTheContactAddress) {
  TcpPeer peer(kSourceIp, 8068, {{528, MaintAnswer(0xC2, 1, 9)}});
  std::uint8_t value = 0;
  EXPECT_EQ(relocated().QueryByte(1, 0, value), tav::kMaintOk);
  EXPECT_EQ(value, 9);
}

TEST_F(TcpChannel, RecordReads) {
  {
    TcpPeer peer(kSourceIp, 8068, {{4, shortAnswer(0xF2, 20)}, {4, shortAnswer(0xF6, 40)}});
    tav::Record16 r16{};
    tav::Record36 r36{};
    EXPECT_EQ(relocated().ReadRecord16(r16), 0);
    EXPECT_EQ(relocated().ReadRecord36(r36), 0);
    EXPECT_EQ(r16[0], 4);
    EXPECT_EQ(r16[15], 19);
    EXPECT_EQ(r36[35], 39);
    auto sent = peer.requests();
    EXPECT_EQ(sent[0], (Bytes{0x71, 0x6F, 0x72, 0xF1}));
    EXPECT_EQ(sent[1], (Bytes{0x71, 0x6F, 0x72, 0xF5}));
  }
  struct Row {
    const char* what;
    Bytes answer;
    int result;
  };
  const Row rows[] = {
      {"19 bytes", shortAnswer(0xF2, 19), tav::kShortBadArgument},
      {"wrong command", shortAnswer(0xF6, 20), tav::kShortBadArgument},
      {"no answer", {}, tav::kShortNoAnswer},
  };
  for (const Row& r : rows) {
    TcpPeer peer(kBoardIp, 8068, {{4, r.answer}});
    tav::Record16 record{};
    record.fill(0xEE);
    EXPECT_EQ(board().ReadRecord16(record), r.result) << r.what;
    EXPECT_EQ(record[0], 0xEE) << r.what;
  }
  tav::Record36 r36{};
  EXPECT_EQ(board().ReadRecord36(r36), tav::kShortConnectFailed);  // nothing listens
}

TEST_F(TcpChannel, RecordWritesSendHeadAndRecordOnly) {
  tav::Record16 r16{};
  tav::Record36 r36{};
  for (std::size_t i = 0; i < r36.size(); ++i) r36[i] = static_cast<std::uint8_t>(0x80 + i);
  r16.fill(0xFF);
  TcpPeer peer(kBoardIp, 8068, {{100, {}}, {100, {}}});
  EXPECT_EQ(board().WriteRecord16(r16), 0);
  EXPECT_EQ(board().WriteRecord36(r36), 0);
  auto sent = peer.requests();
  ASSERT_EQ(sent.size(), 2u);
  ASSERT_EQ(sent[0].size(), 20u);
  EXPECT_TRUE(qor::hasHead(sent[0], 0xF3));
  ASSERT_EQ(sent[1].size(), 40u);
  EXPECT_TRUE(qor::hasHead(sent[1], 0xF4));
  EXPECT_EQ(Bytes(sent[1].begin() + 4, sent[1].end()), Bytes(r36.begin(), r36.end()));
}

TEST(SendShort, RefusesMissingArgumentsBeforeOpeningASocket) {
  std::uint8_t bytes[4] = {0x71, 0x6F, 0x72, 0xF1};
  EXPECT_EQ(tav::SendShort(ip("10.77.0.99"), nullptr, 4, nullptr, 0), tav::kShortBadArgument);
  EXPECT_EQ(tav::SendShort(ip("10.77.0.99"), bytes, -1, nullptr, 0), tav::kShortBadArgument);
  EXPECT_EQ(tav::SendShort(ip("10.77.0.99"), bytes, 4, nullptr, 20), tav::kShortBadArgument);
}

TEST_F(TcpChannel, VideoPositionFramesGoToTheStatusBlockAddress) {
  tav::VideoPosition wanted{1920, 1080, 0, 0, 1200, 5, -1, -1, 0x1C71C00, -1};
  Bytes answer(8060, 0);
  // Only byte 3 is checked: the magic of this answer is not relied on.
  answer[3] = 0xF2;
  qor::putBytes(answer, 4, tav::EncodeVideoPosition(wanted));
  TcpPeer peer(kBoardIp, 4010, {{8060, {}}, {8060, answer}, {8060, Bytes(40, 0x00)}});
  tav::test::RecordingNotifier notifier;
  CBoard b = relocated();

  EXPECT_EQ(b.WriteVideoPosition(wanted, notifier), 0);
  tav::VideoPosition read{};
  EXPECT_EQ(b.ReadVideoPosition(read, notifier), tav::kDirectOk);
  EXPECT_EQ(read, wanted);
  tav::VideoPosition untouched = wanted;
  untouched.width = 7;
  EXPECT_EQ(b.ReadVideoPosition(untouched, notifier), tav::kDirectNoAnswer);  // byte 3 is not 0xF2
  EXPECT_EQ(untouched.width, 7);
  EXPECT_TRUE(notifier.messages.empty());

  auto sent = peer.requests();
  ASSERT_EQ(sent.size(), 3u);
  ASSERT_EQ(sent[0].size(), 8060u);
  EXPECT_TRUE(qor::hasHead(sent[0], 0xF3));
  EXPECT_EQ(qor::getU32(sent[0], 4), 0u);
  EXPECT_EQ(qor::getI16(sent[0], 8), 1920);
  EXPECT_EQ(qor::getI16(sent[0], 16), 1200);
  EXPECT_EQ(qor::getI16(sent[0], 20), -1);
  EXPECT_EQ(qor::getU32(sent[0], 24), 0x1C71C00u);
  EXPECT_EQ(qor::getI32(sent[0], 28), -1);
  EXPECT_TRUE(
      std::all_of(sent[0].begin() + 32, sent[0].end(), [](std::uint8_t c) { return c == 0; }));
  ASSERT_EQ(sent[1].size(), 8060u);
  EXPECT_TRUE(qor::hasHead(sent[1], 0xF1));
}

TEST_F(TcpChannel, DirectFramesReportAFailedConnection) {
  tav::test::RecordingNotifier notifier;
  CBoard b = board();  // nothing listens on 4010
  tav::VideoPosition position{};
  position.width = 3;
  EXPECT_EQ(b.WriteValue(5, notifier), 1);
  EXPECT_EQ(b.WriteVideoPosition(position, notifier), 0);  // reported as done all the same
  EXPECT_EQ(b.ReadVideoPosition(position, notifier), tav::kDirectConnectFailed);
  EXPECT_EQ(position.width, 3);
  ASSERT_EQ(notifier.messages.size(), 3u);
  for (const auto& m : notifier.messages) EXPECT_EQ(m.text, "CONNECT FAILED!");
}

TEST_F(TcpChannel, SerialValueFrames) {
  Bytes exact(36, 0), longer(40, 0);
  for (Bytes* a : {&exact, &longer}) {
    qor::putHead(*a, 0x3E);
    qor::putU32(*a, 8, 115200);
  }
  {
    TcpPeer peer(kBoardIp, 4010, {{8060, {}}});
    tav::test::RecordingNotifier notifier;
    EXPECT_EQ(relocated().WriteValue(0xA1B2C3D4, notifier), 0);
    Bytes sent = peer.requests().at(0);
    ASSERT_EQ(sent.size(), 8060u);
    EXPECT_TRUE(qor::hasHead(sent, 0x3C));
    EXPECT_EQ(qor::getU32(sent, 4), 0u);
    EXPECT_EQ(qor::getU32(sent, 8), 0xA1B2C3D4u);
    EXPECT_TRUE(std::all_of(sent.begin() + 12, sent.end(), [](std::uint8_t c) { return c == 0; }));
  }
  // ReadValue goes to the contact address and accepts exactly 36 bytes.
  TcpPeer peer(kSourceIp, 4010, {{8, exact}, {4, longer}, {4, {}}});
  EXPECT_EQ(relocated().ReadValue(), 115200u);
  EXPECT_EQ(relocated().ReadValue(), 0u);
  EXPECT_EQ(relocated().ReadValue(), 0u);
  EXPECT_EQ(peer.requests().at(0), (Bytes{0x71, 0x6F, 0x72, 0x3D}));  // head only, not padded
}
