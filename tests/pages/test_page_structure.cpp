// The page table, the pages' refresh and apply flows over a fake link, and the window's thread
// staying free while a page waits for a silent board.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <memory>
#include <nlohmann/json.hpp>

#include "device/board_list.h"
#include "device/datagrams.h"
#include "fake_board_link.h"
#include "le_bytes.h"
#include "page_gui.h"
#include "pages/identity_page.h"
#include "pages/not_built_page.h"
#include "pages/page_action.h"
#include "pages/page_factory.h"
#include "pages/page_host.h"
#include "pages/simple_pages.h"
#include "pages/transport_page.h"
#include "pages/transport_settings.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "resources/string_table.h"
#include "shell/page_table.h"
#include "status_fixture.h"

using pagetest::Ip;
using tav::str;
using namespace tav::string_ids;
using tav::test::FakeBoardLink;
using Op = FakeBoardLink::Op;

using tav::test::Child;
using tav::test::Click;
using tav::test::Settle;

namespace {

class FakeHost : public tav::test::TestPageHost<FakeBoardLink> {
 public:
  int identityChanges = 0;
  tav::PcNetwork pc{Ip("192.168.1.10"), tav::Subnet{Ip("192.168.1.10"), Ip("255.255.255.0")}};

  void boardIdentityChanged() override { ++identityChanges; }
  tav::PcNetwork pcNetwork() override { return pc; }

  // The board in the list, and the same block as the board's answer to type 256.
  void board(const tav::StatusBlock& status) {
    list.Add(status);
    fake.configAnswers[256] = {status.begin(), status.end()};
  }
  bool logged(int id) const {
    return std::find(notes.logLines.begin(), notes.logLines.end(), str(id)) != notes.logLines.end();
  }
};

tav::StatusBlock Encoder() {
  tav::StatusBlock s = pagetest::Status(1);
  qor::putU32(s, tav::status::kGateway, Ip("192.168.1.1"));
  qor::putU16(s, 146, 6000);  // video bit rate
  qor::putU16(s, 186, 40);    // brightness
  return s;
}

}  // namespace

TEST(PageTable, EveryRowHasACreatorEntryAndEveryServedTypeGetsItsPage) {
  FakeHost host;
  host.board(Encoder());
  for (const tav::PageRow& row : tav::PageTable()) {
    for (int view : {row.encoderView, row.decoderView}) {
      bool listed = false;
      for (const tav::PageCreatorRow& c : tav::PageCreators()) listed |= c.view == view;
      EXPECT_TRUE(listed) << row.className << " view " << view;
    }
  }
  for (int type = 0; type <= 24; ++type) {
    host.list.At(0).statusBlock()[tav::status::kDeviceType] = static_cast<std::uint8_t>(type);
    for (const tav::TreeNode& group : tav::BuildDeviceTree(type)) {
      for (const tav::TreeNode& item : group.children) {
        const int view = tav::PageViewForCode(item.code, type);
        std::unique_ptr<QWidget> page(tav::CreateRightView(view, host, nullptr));
        ASSERT_TRUE(page);
        // Every tree item opens its own page or the not-built page, never the start page.
        EXPECT_NE(page->objectName(), "CRightView12") << item.code << "/" << type;
        if (auto* notBuilt = qobject_cast<CNotBuiltPage*>(page.get())) {
          EXPECT_EQ(Child<QLabel>(notBuilt, "notBuiltText")->text(), "此版本暂不提供该功能。");
        }
      }
    }
    std::unique_ptr<QWidget> group(
        tav::CreateRightView(tav::PageViewForCode(tav::kCodeParameters, type), host, nullptr));
    EXPECT_EQ(group->objectName(), "CRightView12");
  }
  EXPECT_TRUE(host.fake.sent().empty());  // creating a page sends nothing
}

TEST(PagesOnFakeLink, RecordPagesRefreshFromTheBoardAndApplyTheirRecord) {
  FakeHost host;
  host.board(Encoder());
  CRightView3 video(host);
  video.initialUpdate();
  Settle();
  EXPECT_TRUE(host.logged(208));
  EXPECT_EQ(Child<QLineEdit>(&video, "bitRate")->text(), "6000");
  Child<QLineEdit>(&video, "bitRate")->setText("5000");
  Click(&video, "apply");
  ASSERT_EQ(host.fake.writes(1).size(), 1u);
  EXPECT_EQ(qor::getU16(host.fake.writes(1)[0], 10), 5000);
  EXPECT_EQ(host.lastMessage(), str(kStrVideoSetOk));
  EXPECT_EQ(qor::getU16(host.list.At(0).statusBlock(), 146), 5000);  // the record follows

  host.fake.configResults[9] = 15;
  CRightView8 quality(host);
  quality.initialUpdate();
  Settle();
  EXPECT_EQ(Child<QLineEdit>(&quality, "brightness")->text(), "40");
  Click(&quality, "apply");
  EXPECT_EQ(host.lastMessage(), str(kStrQualitySetFailed));
  EXPECT_EQ(host.notes.messages.back().icon, tav::NoticeIcon::Error);

  CRightView4 audio(host);
  audio.initialUpdate();
  Settle();
  Click(&audio, "apply");
  EXPECT_EQ(host.fake.writes(2).size(), 1u);
  EXPECT_EQ(host.lastMessage(), str(kStrAudioSetOk));

  // A failed read reports and leaves the fields as they were.
  host.fake.configResults[256] = 15;
  Child<QLineEdit>(&video, "bitRate")->setText("7");
  Click(&video, "refresh");
  EXPECT_EQ(host.lastMessage(), str(kStrStatusReadFailed));
  EXPECT_EQ(Child<QLineEdit>(&video, "bitRate")->text(), "7");
}

TEST(PagesOnFakeLink, VolumeOnADecoderAndNotAskedOnAnEncoder) {
  FakeHost host;
  tav::StatusBlock s = pagetest::Status(2);
  qor::putU16(s, 198, 30);
  host.board(s);
  CRightView5 page(host);
  page.initialUpdate();
  Settle();
  EXPECT_EQ(Child<QLineEdit>(&page, "volume")->text(), "30");
  Child<QLineEdit>(&page, "volume")->setText("150");
  Click(&page, "apply");
  ASSERT_EQ(host.fake.writes(10).size(), 1u);
  EXPECT_EQ(qor::getU16(host.fake.writes(10)[0], 6), 50);

  FakeHost encoderHost;
  encoderHost.board(Encoder());
  CRightView5 off(encoderHost);
  off.initialUpdate();
  Settle();
  EXPECT_TRUE(encoderHost.fake.sent().empty());
  EXPECT_FALSE(Child<QAbstractButton>(&off, "apply")->isEnabled());
}

TEST(PagesOnFakeLink, RestartAndFactoryResetAskFirst) {
  FakeHost host;
  host.board(Encoder());
  CRightView7 restart(host);
  Click(&restart, "restart");  // answered No
  EXPECT_TRUE(host.fake.sent().empty());
  host.notes.answers = {true};
  Click(&restart, "restart");
  EXPECT_EQ(host.fake.writes(tav::kRestartType).size(), 1u);
  EXPECT_TRUE(host.logged(193));

  CRightView9 reset(host);
  reset.initialUpdate();
  host.notes.answers = {true};
  host.fake.broadcastResult = tav::kDatagramNotSent;
  Click(&reset, "factoryReset");
  auto sent = host.fake.sentOf(Op::Broadcast);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes[3], tav::kCmdFactoryReset);
  EXPECT_EQ(host.lastMessage(), str(kStrFactoryResetFailed));
}

TEST(PagesOnFakeLink, IdentityReadsTheBoardAndItsIdsAndAppliesByConfigWrite) {
  FakeHost host;
  host.board(Encoder());
  const std::string ids = "sendunique:SN=77;ID=Q1;";
  host.fake.configAnswers[268] = {ids.begin(), ids.end()};
  host.fake.configAnswers[268].push_back(0);
  CRightView0 page(host);
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(host.logged(204));
  EXPECT_EQ(Child<QLabel>(&page, "serialNumber")->text(), "77");
  EXPECT_EQ(Child<QLabel>(&page, "uniqueId")->text(), "Q1");

  Child<QLineEdit>(&page, "ip")->setText("192.168.1.30");
  Click(&page, "apply");
  ASSERT_EQ(host.fake.writes(tav::kIdentityType).size(), 1u);
  EXPECT_EQ(qor::getU32(host.fake.writes(tav::kIdentityType)[0], 4), Ip("192.168.1.30"));
  EXPECT_EQ(host.fake.sentOf(Op::Forget).size(), 1u);
  EXPECT_EQ(host.lastMessage(), str(kStrIdentitySetOk));
  EXPECT_EQ(host.list.At(0).AddressText(), "192.168.1.30");
  EXPECT_EQ(Child<QLabel>(&page, "currentAddress")->text(), "192.168.1.30");
  EXPECT_EQ(host.identityChanges, 1);
}

TEST(PagesOnFakeLink, TransportReadsItsBlocksAndWritesTypeEleven) {
  FakeHost host;
  tav::StatusBlock s = Encoder();
  pagetest::SetSend(s, Ip("239.1.1.1"), 1234, 1);
  host.board(s);
  CRightView1 page(host);
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(host.logged(206));
  EXPECT_EQ(Child<QLineEdit>(&page, "port")->text(), "1234");
  Child<QLineEdit>(&page, "port")->setText("4321");
  Click(&page, "apply");
  ASSERT_EQ(host.fake.writes(tav::kTransportType).size(), 1u);
  EXPECT_EQ(host.lastMessage(), str(kStrTransportSetOk));
  EXPECT_EQ(host.list.At(0).sendPort(), 4321);
}

// A board that accepts and never answers: the page waits on its worker, shows that it waits,
// and the window's event loop keeps turning.
TEST(PageAction, WindowKeepsRepaintingWhileAPageWaitsOnASilentBoard) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(
      R"({"boards": [{"address": "10.77.0.60", "type": 1, "name": "静默",
                      "faults": {"silent": true}}]})"));
  sim.start();
  FakeHost host;
  host.useLink = &tav::LanLink();
  host.board(pagetest::Status(1, Ip("10.77.0.60")));

  CRightView3 page(host);
  page.show();
  QElapsedTimer clock;
  qint64 last = 0, longest = 0;
  QTimer ticker;
  ticker.setInterval(10);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  clock.start();
  ticker.start();
  Click(&page, "refresh");  // starts, then waits for the exchange's own time-out
  ticker.stop();
  EXPECT_LT(longest, 100);
  EXPECT_GT(clock.elapsed(), 500);  // it really waited on the board
  EXPECT_EQ(host.lastMessage(), str(kStrStatusReadFailed));
}

TEST(PageAction, BusyStateAndClosingThePageMidExchange) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(
      R"({"boards": [{"address": "10.77.0.61", "type": 1, "faults": {"silent": true}}]})"));
  sim.start();
  FakeHost host;
  host.useLink = &tav::LanLink();
  host.board(pagetest::Status(1, Ip("10.77.0.61")));

  QPointer<CRightView3> page = new CRightView3(host);
  page->show();
  Child<QAbstractButton>(page, "refresh")->click();
  EXPECT_TRUE(page->busy());
  EXPECT_FALSE(Child<QAbstractButton>(page, "refresh")->isEnabled());
  EXPECT_TRUE(Child<QLabel>(page, "busyState")->isVisible());
  EXPECT_EQ(Child<QLabel>(page, "busyState")->text(), "正在与设备通信…");
  QElapsedTimer clock;
  clock.start();
  delete page;  // does not wait for the board
  EXPECT_LT(clock.elapsed(), 100);
  EXPECT_EQ(tav::PageAction::Running(), 0);
  QTest::qWait(4500);  // the worker's exchange ends; its late answer goes nowhere
  EXPECT_TRUE(host.notes.messages.empty());
}
