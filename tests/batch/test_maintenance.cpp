// The maintenance protocol without sockets: datagram layouts, reply filtering, rows.
#include <gtest/gtest.h>

#include <deque>

#include "batch/maintenance.h"
#include "le_bytes.h"
#include "recording_notifier.h"
#include "resources/string_table.h"
#include "scripted_maintenance.h"
#include "wire.h"

using namespace tav::batch;
using tav::platform::ReceivedDatagram;

using namespace maintenance_test;

namespace {

struct Fixture : ::testing::Test {
  ScriptedTransport transport;
  tav::test::RecordingNotifier notifier;
  std::uint32_t clock = 1000;
  MaintenanceSession session{transport, notifier, [this] { return clock; }};
};

}  // namespace

TEST(MaintenanceDatagrams, RequestLayouts) {
  auto a = BuildRequest(kSearch, 0x11223344, 0x55667788, Ip("10.77.0.20"));
  EXPECT_EQ(a.size(), 272u);
  EXPECT_EQ(std::string(a.begin(), a.begin() + 4), "qora");
  EXPECT_EQ(qor::getU32(a, 4), 12u);
  EXPECT_EQ(qor::getU32(a, 8), 0x11223344u);
  EXPECT_EQ(qor::getU32(a, 12), 0x55667788u);
  EXPECT_EQ(qor::getU32(a, 16), 12u);
  EXPECT_EQ(qor::getU32(a, 20), 1u);
  EXPECT_EQ(qor::getU32(a, 24), 0u) << "the search body ignores the target";

  auto c = BuildRequest(kRestart, 7, 0, Ip("192.168.1.20"));
  EXPECT_EQ(c[3], 'c');
  EXPECT_EQ(qor::getU32(c, 16), 16u);
  EXPECT_EQ((std::vector<std::uint8_t>(c.begin() + 20, c.begin() + 24)),
            (std::vector<std::uint8_t>{192, 168, 1, 20}));

  const std::string longText(200, 'x');
  auto e = BuildRequest(kExecute, 7, 9, Ip("10.77.0.20"), longText);
  EXPECT_EQ(qor::getU32(e, 16), 116u);
  EXPECT_EQ(qor::getText(e, 24, 108).size(), 107u) << "the slot keeps its NUL";
  EXPECT_EQ(e[131], 0);
  EXPECT_EQ(qor::getU32(e, 132), 12u);
  EXPECT_EQ(qor::getU32(e, 136), 1u);
  EXPECT_EQ(qor::getU32(e, 140), 0u);
  for (std::size_t i = 144; i < e.size(); ++i) ASSERT_EQ(e[i], 0) << i;
}

TEST(MaintenanceDatagrams, AdapterTableRoundTripAndHostileCount) {
  AdapterTable t{Entry("10.77.0.20", 1), Entry("10.1.0.5", 2)};
  auto bytes = EncodeAdapterTable(t);
  EXPECT_EQ(qor::getU32(bytes, 0), 124u);
  EXPECT_EQ(DecodeAdapterTable(bytes), t);
  qor::putU32(bytes, 4, 0xFFFFFFFF);  // -1
  EXPECT_TRUE(DecodeAdapterTable(bytes).empty());
  qor::putU32(bytes, 4, 1000);
  EXPECT_EQ(DecodeAdapterTable(bytes).size(), 8u);
  EXPECT_TRUE(DecodeAdapterTable(std::span(bytes).first(100)).empty());
}

TEST(MaintenanceDatagrams, RepliesNeedHeadWordAndLength) {
  EXPECT_TRUE(ParseReply(Reply('b', 1, 2, 140)));
  EXPECT_FALSE(ParseReply(Reply('b', 1, 2, 139)));
  EXPECT_TRUE(ParseReply(Reply('j', 1, 2, 32)));
  EXPECT_FALSE(ParseReply(Reply('j', 1, 2, 31)));
  EXPECT_FALSE(ParseReply(Reply('x', 1, 2, 200)));
  auto wrongWord = Reply('j', 1, 2, 32);
  qor::putU32(wrongWord, 4, 13);
  EXPECT_FALSE(ParseReply(wrongWord));
  auto wrongMagic = Reply('j', 1, 2, 32);
  wrongMagic[0] = 'Q';
  EXPECT_FALSE(ParseReply(wrongMagic));
}

TEST(MaintenanceDatagrams, CommandTextLimitIsGbkBytes) {
  EXPECT_TRUE(CommandTextForWire(std::string(107, 'a')));
  EXPECT_FALSE(CommandTextForWire(std::string(108, 'a')));
  std::string chinese;
  for (int i = 0; i < 53; ++i) chinese += "中";  // 106 GBK bytes
  EXPECT_TRUE(CommandTextForWire(chinese));
  EXPECT_FALSE(CommandTextForWire(chinese + "中"));
}

TEST_F(Fixture, SearchListsBoardsInAddressOrderOnceEach) {
  session.StartSearch();
  EXPECT_EQ(transport.flushes, 1);
  ASSERT_EQ(notifier.logLines.size(), 0u) << "the dialog keeps its own log";
  EXPECT_NE(session.LogText().find(tav::str(tav::kStrSearchStarted)), std::string::npos);
  ASSERT_EQ(transport.sent.size(), 1u);
  const auto& a = transport.sent[0];
  EXPECT_EQ(a[3], 'a');
  const std::uint32_t exchange = session.ExchangeNumber();
  EXPECT_NE(exchange, 0u);
  EXPECT_EQ(qor::getU32(a, 12), exchange);

  // .30 first, then .20 twice (the second copy from another adapter: same reply number), then a
  // board whose reply lists three interfaces, one of them the source.
  transport.inbox.push_back(SearchReply(5, exchange, Ip("10.77.0.30"), {Entry("10.77.0.30", 3)}));
  transport.inbox.push_back(SearchReply(6, exchange, Ip("10.77.0.20"), {Entry("10.77.0.20", 2)}));
  transport.inbox.push_back(SearchReply(6, exchange, Ip("10.77.0.20"), {Entry("10.77.0.20", 2)}));
  transport.inbox.push_back(
      SearchReply(7, exchange, Ip("10.77.0.25"),
                  {Entry("192.168.5.5", 9), Entry("10.77.0.25", 4), Entry("172.16.0.1", 8)}));
  // Dropped: a foreign exchange, a short reply.
  transport.inbox.push_back(
      SearchReply(8, exchange + 1, Ip("10.77.0.40"), {Entry("10.77.0.40", 5)}));
  auto cut = SearchReply(9, exchange, Ip("10.77.0.41"), {Entry("10.77.0.41", 6)});
  cut.bytes.resize(139);
  transport.inbox.push_back(cut);

  EXPECT_EQ(session.SearchButtonText(), "设备搜索中……");
  EXPECT_FALSE(session.SearchEnabled());
  int passes = 0;
  while (session.Pass()) ++passes;
  EXPECT_EQ(session.SearchButtonText(), "搜索设备");
  EXPECT_EQ(passes + 1, kReplyPasses);
  EXPECT_EQ(transport.pauses, kReplyPasses);
  EXPECT_EQ(transport.closes, 1);
  EXPECT_FALSE(session.Pass()) << "the wait is over";

  ASSERT_EQ(session.Rows().size(), 3u);
  EXPECT_EQ(session.Rows()[0].address, "10.77.0.20");
  EXPECT_EQ(session.Rows()[1].address, "10.77.0.25");
  EXPECT_EQ(session.Rows()[1].mac, "00:1a:00:00:00:04");
  EXPECT_EQ(session.Rows()[1].mask, "255.255.255.0");
  EXPECT_EQ(session.Rows()[2].address, "10.77.0.30");
  EXPECT_EQ(session.Boards().Count(), 3);

  session.SelectRow(2);
  EXPECT_EQ(session.SelectedAddress(), Ip("10.77.0.30"));
  session.SelectRow(7);
  EXPECT_EQ(session.SelectedAddress(), Ip("10.77.0.30")) << "no row there: unchanged";
}

TEST_F(Fixture, RestartAndResetCarryExchangeZeroAndLaterSearchDrawsNew) {
  EXPECT_FALSE(session.Restart()) << "nothing picked: nothing sent";
  EXPECT_TRUE(transport.sent.empty());
  session.SelectAddress(Ip("10.77.0.20"));
  ASSERT_TRUE(session.Restart());
  ASSERT_TRUE(session.FactoryReset());
  ASSERT_EQ(transport.sent.size(), 2u);
  EXPECT_EQ(transport.sent[0][3], 'c');
  EXPECT_EQ(transport.sent[1][3], 'd');
  for (const auto& d : transport.sent) {
    EXPECT_EQ(qor::getU32(d, 12), 0u);
    EXPECT_EQ(qor::getU32(d, 20), Ip("10.77.0.20"));
  }
  EXPECT_FALSE(session.Waiting()) << "no reply wait after 'c' and 'd'";
  EXPECT_EQ(transport.closes, 2) << "their sockets are closed at once";

  clock = 2000;
  session.StartSearch();
  EXPECT_NE(qor::getU32(transport.sent.back(), 12), 0u);
  EXPECT_EQ(qor::getU32(transport.sent.back(), 12), session.ExchangeNumber());
  const auto first = session.ExchangeNumber();
  clock = 2001;
  session.StartSearch();
  EXPECT_NE(session.ExchangeNumber(), first) << "reseeded by the new second";
  EXPECT_EQ(transport.closes, 3) << "the running wait's sockets went before new ones";
}

TEST_F(Fixture, ExecuteShowsResultBoxesAndRefusesLongTexts) {
  session.SelectAddress(Ip("10.77.0.20"));
  EXPECT_FALSE(session.Execute(std::string(108, 'x')));
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, kCommandTooLong);
  EXPECT_TRUE(transport.sent.empty());

  ASSERT_TRUE(session.Execute("reboot"));
  const auto& e = transport.sent.back();
  EXPECT_EQ(e[3], 'e');
  EXPECT_EQ(qor::getText(e, 24, 108), "reboot");
  const auto x = session.ExchangeNumber();
  EXPECT_NE(x, 0u);
  transport.inbox.push_back(ResultReply(3, x, 0));
  transport.inbox.push_back(ResultReply(3, x, 1));  // repeated number: dropped
  transport.inbox.push_back(ResultReply(4, x, 1));
  transport.inbox.push_back(ResultReply(5, x, 7));
  transport.inbox.push_back(ResultReply(6, 0, 0));  // a 'c' reply: foreign exchange
  session.Wait();
  ASSERT_EQ(notifier.messages.size(), 4u);
  EXPECT_EQ(notifier.messages[1].text, "命令执行成功");
  EXPECT_EQ(notifier.messages[2].text, "命令执行失败");
  EXPECT_EQ(notifier.messages[3].text, "位置错误");
  EXPECT_EQ(session.Results().size(), 3u);
}

TEST_F(Fixture, NoAdapterMeansNothingToRead) {
  transport.table.clear();
  session.StartSearch();
  session.Wait();
  EXPECT_TRUE(session.Rows().empty());
}

TEST(MaintenanceAdapters, FirstEightReachableAdaptersWithFirstAddress) {
  std::vector<tav::platform::Adapter> all;
  tav::platform::Adapter lo;
  lo.loopback = true;
  lo.up = true;
  lo.addresses = {Ip("127.0.0.1")};
  lo.masks = {Ip("255.0.0.0")};
  all.push_back(lo);
  for (int i = 0; i < 10; ++i) {
    tav::platform::Adapter a;
    a.up = true;
    a.addresses = {Ip("10.0.0.1") + (std::uint32_t(i) << 16), Ip("10.99.0.1")};
    a.masks = {Ip("255.255.255.0"), Ip("255.255.0.0")};
    a.mac = {0, 0, 0, 0, 0, std::uint8_t(i)};
    all.push_back(a);
  }
  auto t = AdapterTableOf(all);
  ASSERT_EQ(t.size(), 8u);
  EXPECT_EQ(t[0].address, Ip("10.0.0.1"));
  EXPECT_EQ(t[0].mask, Ip("255.255.255.0"));
  EXPECT_EQ(t[7].mac[5], 7);
}
