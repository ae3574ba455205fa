// The settings pages driven like a user would, over a board list holding simulated boards in
// the test LAN: edit, apply, and a fresh page shows what the board now holds.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>

#include "device/board_list.h"
#include "page_gui.h"
#include "pages/identity_page.h"
#include "pages/page_action.h"
#include "pages/page_factory.h"
#include "pages/page_host.h"
#include "pages/simple_pages.h"
#include "pages/transport_page.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "resources/string_table.h"
#include "wire.h"
#include "status_block.h"

using tav::str;
using namespace tav::string_ids;
using Json = nlohmann::json;

using tav::test::Child;
using tav::test::Click;
using tav::test::Settle;

namespace {

using tav::test::Ip;

class TestHost : public tav::PageHost {
 public:
  CBoardCtrl list;
  tav::test::RecordingNotifier notes;
  int current = 0;
  int identityChanges = 0;
  tav::PcNetwork pc{Ip("10.77.0.1"), tav::Subnet{Ip("10.77.0.1"), Ip("255.255.255.0")}};

  CBoard* CurrentBoard() override {
    return current >= 0 && current < list.Count() ? &list.At(current) : nullptr;
  }
  CBoardCtrl& BoardList() override { return list; }
  tav::Notifier& notifier() override { return notes; }
  tav::BoardLink& link() override { return tav::LanLink(); }
  void boardIdentityChanged() override { ++identityChanges; }
  tav::PcNetwork pcNetwork() override { return pc; }

  std::string lastMessage() const {
    return notes.messages.empty() ? "" : notes.messages.back().text;
  }
  tav::NoticeIcon lastIcon() const { return notes.messages.back().icon; }
  bool logged(int id) const {
    return std::find(notes.logLines.begin(), notes.logLines.end(), str(id)) != notes.logLines.end();
  }
};

Json Fleet() {
  return Json::parse(R"({"restartSeconds": 0.2, "boards": [
    {"address": "10.77.0.20", "type": 1, "name": "编码A",
     "send": {"address": "239.77.0.20", "port": 1234, "mode": 1},
     "encoding": {"enable": 1, "cbr": 1, "frameRate": 30, "bitRate": 6000, "iFrameInterval": 60,
                  "width": 1920, "height": 1080},
     "audio": {"enable": 1, "channels": 1, "bitRate": 32, "sampleRate": 16000},
     "quality": {"brightness": 50, "chroma": 51, "saturation": 52},
     "serialNumber": 1234, "id": "A7"},
    {"address": "10.77.0.21", "type": 2, "name": "解码B",
     "receive": {"address": "239.77.0.20", "port": 1234, "mode": 1},
     "volume": {"autoGain": 1, "level": 30}},
    {"address": "10.77.0.22", "type": 4, "name": "解码C"},
    {"address": "10.77.0.23", "type": 3, "name": "编码D", "serialNumber": "0", "id": ""},
    {"address": "10.77.0.24", "type": 20, "name": "RTSP编码",
     "send": {"address": "0.0.0.0", "port": 8554, "mode": 5},
     "rtspUrl": "rtsp://10.77.0.24:8554/live/main"},
    {"address": "10.77.0.25", "type": 1, "name": "重启目标"},
    {"address": "10.77.0.26", "type": 1, "name": "搬家目标"},
    {"address": "10.77.0.27", "type": 21, "name": "直播监看",
     "receive": {"address": "10.77.0.9", "port": 554, "mode": 4},
     "stream": {"url": "rtsp://10.77.0.24:8554/live/main"}},
    {"address": "10.77.0.28", "type": 2, "name": "主备切换",
     "receive": {"address": "230.1.2.3", "port": 1234, "mode": 101}},
    {"address": "10.77.0.29", "type": 9, "name": "出厂目标"}
  ]})");
}

class PagesGui : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    sim_ = new qorsim::Simulator(qorsim::Simulator::fromJson(Fleet()));
    sim_->start();
  }
  static void TearDownTestSuite() {
    delete sim_;
    sim_ = nullptr;
  }

  // Puts the simulated board into the host's list as a search would, and makes it current.
  int Use(const char* address) {
    tav::StatusBlock status{};
    sim_->withBoard(address, [&](qorsim::BoardState& b) { status = b.status; });
    host_.current = host_.list.Add(status);
    return host_.current;
  }
  // The board's status once it satisfies done (a write is applied after the PC's send returns).
  tav::StatusBlock SimStatusWhen(const std::string& address,
                                 const std::function<bool(const tav::StatusBlock&)>& done) {
    tav::StatusBlock status{};
    QTest::qWaitFor([&] {
      status = SimStatus(address);
      return done(status);
    });
    return status;
  }
  tav::StatusBlock SimStatus(const std::string& address) {
    tav::StatusBlock status{};
    sim_->withBoard(address, [&](qorsim::BoardState& b) { status = b.status; });
    return status;
  }
  std::size_t JournalCount(const std::string& address, const std::string& endpoint = "") {
    std::size_t n = 0;
    for (const auto& e : sim_->journal())
      n += e.board == address && (endpoint.empty() || e.endpoint == endpoint);
    return n;
  }
  bool WroteEventually(const std::string& address, std::uint8_t command) {
    return sim_->waitForJournal([&](const qorsim::JournalEntry& e) {
      return e.board == address && e.endpoint == "tcp:4010" && qor::hasHead(e.bytes, command);
    });
  }
  bool Wrote(const std::string& address, std::uint8_t command) {
    for (const auto& e : sim_->journal())
      if (e.board == address && e.endpoint == "tcp:4010" && qor::hasHead(e.bytes, command))
        return true;
    return false;
  }

  static qorsim::Simulator* sim_;
  TestHost host_;
};

qorsim::Simulator* PagesGui::sim_ = nullptr;

TEST_F(PagesGui, VideoEncodingAppliesAndRefreshShowsTheBoardsValue) {
  Use("10.77.0.20");
  {
    CRightView3 page(host_);
    page.initialUpdate();
    Settle();
    EXPECT_TRUE(host_.logged(208));
    EXPECT_EQ(Child<QLineEdit>(&page, "bitRate")->text(), "6000");
    EXPECT_EQ(Child<QLineEdit>(&page, "width")->text(), "1920");
    EXPECT_FALSE(Child<QLineEdit>(&page, "width")->isEnabled());
    EXPECT_TRUE(Child<QCheckBox>(&page, "cbr")->isChecked());

    // A field that is not a number stops the apply before anything is sent.
    sim_->clearJournal();
    Child<QLineEdit>(&page, "frameRate")->setText("abc");
    Child<QAbstractButton>(&page, "apply")->click();
    Settle();
    EXPECT_EQ(host_.lastMessage(), "请输入一个整数。");
    EXPECT_FALSE(Wrote("10.77.0.20", 0x16));

    Child<QLineEdit>(&page, "frameRate")->setText("25");
    Child<QLineEdit>(&page, "bitRate")->setText("5000");
    Child<QAbstractButton>(&page, "apply")->click();
    Settle();
    EXPECT_EQ(host_.lastMessage(), str(kStrVideoSetOk));
    EXPECT_EQ(host_.lastIcon(), tav::NoticeIcon::Information);
    EXPECT_TRUE(host_.logged(187));
    auto written = SimStatusWhen("10.77.0.20", [](auto& s) { return qor::getU16(s, 146) == 5000; });
    EXPECT_EQ(qor::getU16(written, 146), 5000);
    EXPECT_EQ(written[145], 25);
    EXPECT_EQ(qor::getU16(host_.list.At(host_.current).statusBlock(), 146), 5000);

    host_.notes.answers = {true};
    Child<QAbstractButton>(&page, "unlockSize")->click();
    Settle();
    EXPECT_TRUE(Child<QLineEdit>(&page, "width")->isEnabled());
    host_.notes.answers = {false};
    Child<QAbstractButton>(&page, "unlockSize")->click();
    Settle();
    EXPECT_FALSE(Child<QLineEdit>(&page, "height")->isEnabled());
  }
  // The board's copy is scribbled over: a new page must read the board itself.
  host_.list.At(host_.current).statusBlock()[146] = 0;
  CRightView3 again(host_);
  again.initialUpdate();
  Settle();
  EXPECT_EQ(Child<QLineEdit>(&again, "bitRate")->text(), "5000");
  EXPECT_EQ(Child<QLineEdit>(&again, "frameRate")->text(), "25");
}

TEST_F(PagesGui, VideoEncodingOnADecoderDisablesEverythingButRefresh) {
  Use("10.77.0.22");
  CRightView3 page(host_);
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(host_.logged(208));
  for (const char* name : {"width", "height", "frameRate", "bitRate", "iFrameInterval"})
    EXPECT_FALSE(Child<QLineEdit>(&page, name)->isEnabled()) << name;
  for (const char* name : {"cbr", "enable", "apply", "unlockSize"})
    EXPECT_FALSE(Child<QAbstractButton>(&page, name)->isEnabled()) << name;
  EXPECT_TRUE(Child<QAbstractButton>(&page, "refresh")->isEnabled());
}

TEST_F(PagesGui, AudioRatesEnableTheirBitRatesAndApply) {
  Use("10.77.0.20");
  CRightView4 page(host_);
  page.initialUpdate();
  Settle();
  auto radio = [&](const char* name) { return Child<QAbstractButton>(&page, name); };
  EXPECT_TRUE(radio("sampleRate2")->isChecked());    // 16K
  EXPECT_TRUE(radio("audioBitRate2")->isChecked());  // 32K
  EXPECT_FALSE(radio("audioBitRate0")->isEnabled());
  radio("sampleRate3")->click();  // 8K
  EXPECT_FALSE(radio("audioBitRate0")->isEnabled());
  EXPECT_FALSE(radio("audioBitRate1")->isEnabled());
  radio("sampleRate0")->click();  // 44.1K
  EXPECT_TRUE(radio("audioBitRate0")->isEnabled());
  EXPECT_TRUE(radio("audioBitRate1")->isEnabled());
  EXPECT_FALSE(radio("audioBitRate2")->isEnabled());
  EXPECT_FALSE(radio("audioBitRate3")->isEnabled());
  radio("sampleRate1")->click();  // 32K
  for (const char* name : {"audioBitRate0", "audioBitRate1", "audioBitRate2", "audioBitRate3"})
    EXPECT_TRUE(radio(name)->isEnabled()) << name;
  radio("audioBitRate1")->click();  // 96K
  Child<QCheckBox>(&page, "stereo")->setChecked(true);
  Child<QAbstractButton>(&page, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), str(kStrAudioSetOk));
  auto s = SimStatusWhen("10.77.0.20", [](auto& st) { return st[169] == 2; });
  EXPECT_EQ(s[169], 2);
  EXPECT_EQ(qor::getU16(s, 170), 96);
  EXPECT_EQ(qor::getU32(s, 172), 32000u);

  CRightView4 again(host_);
  again.initialUpdate();
  Settle();
  EXPECT_TRUE(Child<QAbstractButton>(&again, "sampleRate1")->isChecked());
  EXPECT_TRUE(Child<QAbstractButton>(&again, "audioBitRate1")->isChecked());
  EXPECT_TRUE(Child<QCheckBox>(&again, "stereo")->isChecked());
}

TEST_F(PagesGui, VolumeOutOfRangeGoesAsFiftyAndEncodersAreNotAsked) {
  Use("10.77.0.21");
  CRightView5 page(host_);
  page.initialUpdate();
  Settle();
  EXPECT_EQ(Child<QLineEdit>(&page, "volume")->text(), "30");
  EXPECT_TRUE(Child<QCheckBox>(&page, "autoGain")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(&page, "autoGain")->isEnabled());
  Child<QLineEdit>(&page, "volume")->setText("150");
  Child<QAbstractButton>(&page, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), str(kStrVolumeSetOk));
  EXPECT_EQ(
      qor::getU16(SimStatusWhen("10.77.0.21", [](auto& s) { return qor::getU16(s, 198) != 30; }),
                  198),
      50);
  EXPECT_EQ(Child<QLineEdit>(&page, "volume")->text(), "50");
  EXPECT_EQ(qor::getU16(SimStatus("10.77.0.21"), 196), 1);  // automatic gain sent back as read

  Use("10.77.0.23");
  sim_->clearJournal();
  host_.notes.logLines.clear();
  CRightView5 encoder(host_);
  encoder.initialUpdate();
  Settle();
  EXPECT_FALSE(Child<QLineEdit>(&encoder, "volume")->isEnabled());
  EXPECT_FALSE(Child<QAbstractButton>(&encoder, "apply")->isEnabled());
  EXPECT_EQ(JournalCount("10.77.0.23"), 0u);
  EXPECT_TRUE(host_.notes.logLines.empty());
}

TEST_F(PagesGui, VideoQualitySendsChromaAndSaturationBack) {
  Use("10.77.0.20");
  CRightView8 page(host_);
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(host_.logged(212));
  EXPECT_FALSE(Child<QLineEdit>(&page, "chroma")->isEnabled());
  Child<QLineEdit>(&page, "brightness")->setText("70");
  Child<QAbstractButton>(&page, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), str(kStrQualitySetOk));
  auto s = SimStatusWhen("10.77.0.20", [](auto& st) { return qor::getU16(st, 186) != 50; });
  EXPECT_EQ(qor::getU16(s, 186), 70);
  EXPECT_EQ(qor::getU16(s, 188), 51);
  EXPECT_EQ(qor::getU16(s, 190), 52);
}

TEST_F(PagesGui, RestartAnsweredNoSendsNothing) {
  Use("10.77.0.25");
  CRightView7 page(host_);
  sim_->clearJournal();
  host_.notes.answers = {false};
  Child<QAbstractButton>(&page, "restart")->click();
  Settle();
  EXPECT_EQ(host_.notes.questions, std::vector<std::string>{"重启需要一段时间，请确认重启。"});
  ASSERT_EQ(host_.notes.questionLooks.size(), 1u);
  EXPECT_EQ(host_.notes.questionLooks[0].first, "Restart");
  EXPECT_EQ(host_.notes.questionLooks[0].second, tav::AskButtons::YesNo);
  EXPECT_EQ(JournalCount("10.77.0.25"), 0u);
  EXPECT_TRUE(host_.notes.logLines.empty());

  host_.notes.answers = {true};
  Child<QAbstractButton>(&page, "restart")->click();
  Settle();
  EXPECT_TRUE(host_.logged(193));
  EXPECT_TRUE(host_.notes.messages.empty());
  int restarts = 0;
  QTest::qWaitFor([&] {
    sim_->withBoard("10.77.0.25", [&](qorsim::BoardState& b) { restarts = b.restarts; });
    return restarts != 0;
  });
  EXPECT_EQ(restarts, 1);
}

TEST_F(PagesGui, FactoryResetChecksTheCredentialsCaseSensitively) {
  Use("10.77.0.29");
  CRightView9 page(host_);
  page.initialUpdate();
  Settle();
  EXPECT_EQ(Child<QLineEdit>(&page, "user")->text(), "admin");
  EXPECT_EQ(Child<QLineEdit>(&page, "password")->text(), "tarvenol");
  EXPECT_EQ(Child<QLineEdit>(&page, "password")->echoMode(), QLineEdit::Password);
  sim_->clearJournal();
  Child<QLineEdit>(&page, "user")->setText("Admin");
  Child<QAbstractButton>(&page, "factoryReset")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), str(kStrWrongUserOrPassword));
  EXPECT_TRUE(host_.notes.logLines.empty());  // 197 goes to a message box only
  EXPECT_TRUE(host_.notes.questions.empty());

  Child<QLineEdit>(&page, "user")->setText("admin");
  host_.notes.answers = {true};
  Child<QAbstractButton>(&page, "factoryReset")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), str(kStrFactoryResetOk));
  EXPECT_EQ(host_.lastIcon(), tav::NoticeIcon::Information);
  EXPECT_TRUE(host_.logged(199));
  ASSERT_EQ(host_.notes.questionLooks.size(), 1u);
  EXPECT_EQ(host_.notes.questionLooks[0].second, tav::AskButtons::OkCancel);
  EXPECT_TRUE(QTest::qWaitFor([&] {
    int resets = 0;
    sim_->withBoard("10.77.0.29", [&](qorsim::BoardState& b) { resets = b.factoryResets; });
    return resets == 1;
  }));
  EXPECT_EQ(JournalCount("10.77.0.29", "udp:4007"), 1u);  // the refused attempt sent nothing
}

TEST_F(PagesGui, IdentityShowsSerialAndIdRowsOnlyWhenSet) {
  Use("10.77.0.20");
  CRightView0 page(host_);
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(host_.logged(204));
  EXPECT_EQ(Child<QLabel>(&page, "currentAddress")->text(), "10.77.0.20");
  EXPECT_EQ(Child<QLabel>(&page, "typeName")->text(), "HD编码板");
  EXPECT_TRUE(Child<QLabel>(&page, "serialNumber")->isVisibleTo(&page));
  EXPECT_EQ(Child<QLabel>(&page, "serialNumber")->text(), "1234");
  EXPECT_EQ(Child<QLabel>(&page, "uniqueId")->text(), "A7");
  EXPECT_FALSE(Child<QCheckBox>(&page, "dhcp")->isChecked());

  Child<QAbstractButton>(&page, "dhcp")->click();
  Settle();
  EXPECT_EQ(Child<QLineEdit>(&page, "ip")->text(), "0.0.0.0");
  EXPECT_FALSE(Child<QLineEdit>(&page, "gateway")->isEnabled());
  Child<QAbstractButton>(&page, "dhcp")->click();
  Settle();
  EXPECT_EQ(Child<QLineEdit>(&page, "ip")->text(), "192.168.18.235");
  EXPECT_EQ(Child<QLineEdit>(&page, "mask")->text(), "255.255.255.0");
  EXPECT_EQ(Child<QLineEdit>(&page, "gateway")->text(), "192.168.18.1");
  EXPECT_TRUE(Child<QLineEdit>(&page, "gateway")->isEnabled());

  Use("10.77.0.23");
  CRightView0 zero(host_);
  zero.initialUpdate();
  Settle();
  EXPECT_FALSE(Child<QLabel>(&zero, "serialNumber")->isVisibleTo(&zero));
  EXPECT_FALSE(Child<QLabel>(&zero, "uniqueId")->isVisibleTo(&zero));
}

TEST_F(PagesGui, IdentityMovesABoardByConfigExchangeThenByNetworkCommand) {
  Use("10.77.0.26");
  {
    CRightView0 page(host_);
    page.initialUpdate();
    Settle();
    sim_->clearJournal();
    Child<QLineEdit>(&page, "ip")->setText("10.77.0.60");
    Child<QLineEdit>(&page, "gateway")->setText("10.77.0.1");
    Child<QLineEdit>(&page, "name")->setText("新名字");
    Child<QAbstractButton>(&page, "apply")->click();
    Settle();
    EXPECT_EQ(host_.lastMessage(), str(kStrIdentitySetOk));
    EXPECT_EQ(host_.lastIcon(), tav::NoticeIcon::Information);
    EXPECT_EQ(host_.identityChanges, 1);
    EXPECT_TRUE(WroteEventually("10.77.0.26", 0xE4));
    EXPECT_EQ(host_.list.At(host_.current).AddressText(), "10.77.0.60");
    EXPECT_EQ(Child<QLabel>(&page, "currentAddress")->text(), "10.77.0.60");
  }
  ASSERT_TRUE(QTest::qWaitFor([&] {
    auto a = sim_->addresses();
    return std::find(a.begin(), a.end(), "10.77.0.60") != a.end();
  }));
  {
    CRightView0 page(host_);
    page.initialUpdate();
    Settle();
    EXPECT_EQ(Child<QLabel>(&page, "currentAddress")->text(), "10.77.0.60");
    EXPECT_EQ(Child<QLineEdit>(&page, "name")->text(), "新名字");
  }
  // Seen from a PC in another subnet the board is not asked on refresh and is moved by the
  // network command alone.
  host_.pc = {Ip("192.168.1.10"), tav::Subnet{Ip("192.168.1.10"), Ip("255.255.255.0")}};
  CRightView0 page(host_);
  sim_->clearJournal();
  page.initialUpdate();
  Settle();
  EXPECT_EQ(JournalCount("10.77.0.60", "tcp:4010"), 1u);  // the identity text only
  Child<QLineEdit>(&page, "ip")->setText("10.77.0.61");
  Child<QAbstractButton>(&page, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), str(kStrIdentitySetOk));
  EXPECT_FALSE(Wrote("10.77.0.60", 0xE4));
  EXPECT_TRUE(sim_->waitForJournal([](const qorsim::JournalEntry& e) {
    return e.endpoint == "udp:4007" && qor::hasHead(e.bytes, 0xF0);
  }));
  EXPECT_TRUE(QTest::qWaitFor([&] {
    auto a = sim_->addresses();
    return std::find(a.begin(), a.end(), "10.77.0.61") != a.end();
  }));
  EXPECT_EQ(host_.list.At(host_.current).AddressText(), "10.77.0.61");
  EXPECT_EQ(host_.identityChanges, 2);
}

TEST_F(PagesGui, TransportEncoderTcpApplyAndRefresh) {
  Use("10.77.0.20");
  {
    CRightView1 page(host_);
    page.initialUpdate();
    Settle();
    EXPECT_TRUE(host_.logged(206));
    EXPECT_EQ(Child<QLabel>(&page, "boardKind")->text(), "HD编码板");
    EXPECT_TRUE(Child<QAbstractButton>(&page, "choice1")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(&page, "address")->text(), "239.77.0.20");
    EXPECT_FALSE(Child<QCheckBox>(&page, "switch")->isVisibleTo(&page));

    Child<QAbstractButton>(&page, "choice4")->click();  // TCP
    EXPECT_EQ(Child<QLineEdit>(&page, "address")->text(), "0.0.0.0");
    EXPECT_FALSE(Child<QLineEdit>(&page, "address")->isEnabled());
    sim_->clearJournal();
    Child<QLineEdit>(&page, "port")->setText("0");
    Child<QAbstractButton>(&page, "apply")->click();
    Settle();
    EXPECT_EQ(host_.lastMessage(), str(kStrBadAddressOrPort));
    EXPECT_EQ(host_.lastIcon(), tav::NoticeIcon::Error);
    EXPECT_FALSE(Wrote("10.77.0.20", 0xEC));

    Child<QLineEdit>(&page, "port")->setText("7000");
    Child<QAbstractButton>(&page, "apply")->click();
    Settle();
    EXPECT_EQ(host_.lastMessage(), str(kStrTransportSetOk));
    auto s = SimStatusWhen("10.77.0.20", [](auto& st) { return qor::getU16(st, 102) != 1; });
    EXPECT_EQ(qor::getU16(s, 102), 3);
    EXPECT_EQ(qor::getU16(s, 100), 7000);
  }
  CRightView1 again(host_);
  again.initialUpdate();
  Settle();
  EXPECT_TRUE(Child<QAbstractButton>(&again, "choice4")->isChecked());
  EXPECT_EQ(Child<QLineEdit>(&again, "port")->text(), "7000");

  // RTMP may leave the port 0; its URL comes back through the stream-access block.
  Child<QAbstractButton>(&again, "choice8")->click();
  Settle();
  EXPECT_TRUE(Child<QLineEdit>(&again, "url")->isVisibleTo(&again));
  Child<QLineEdit>(&again, "url")->setText("rtmp://10.77.0.200:1935/live/a");
  Child<QAbstractButton>(&again, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), str(kStrTransportSetOk));
  SimStatusWhen("10.77.0.20", [](auto& st) { return qor::getU16(st, 102) == 6; });
  CRightView1 third(host_);
  third.initialUpdate();
  Settle();
  EXPECT_TRUE(Child<QAbstractButton>(&third, "choice8")->isChecked());
  EXPECT_EQ(Child<QLineEdit>(&third, "url")->text(), "rtmp://10.77.0.200:1935/live/a");
  // A URL of 128 characters is refused rather than cut.
  Child<QLineEdit>(&third, "url")->setText(QString(128, QLatin1Char('u')));
  Child<QAbstractButton>(&third, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), str(kStrBadAddressOrPort));
}

TEST_F(PagesGui, TransportShowsRtspHintSwitchAndType21) {
  Use("10.77.0.24");
  CRightView1 rtsp(host_);
  rtsp.initialUpdate();
  Settle();
  EXPECT_TRUE(Child<QAbstractButton>(&rtsp, "choice6")->isChecked());
  EXPECT_EQ(Child<QAbstractButton>(&rtsp, "choice6")->text(), "Rtsp");
  EXPECT_EQ(Child<QLabel>(&rtsp, "hint")->text(), "rtsp://10.77.0.24:8554/live/main");

  Use("10.77.0.28");
  CRightView1 sw(host_);
  sw.initialUpdate();
  Settle();
  EXPECT_EQ(Child<QLabel>(&sw, "boardKind")->text(), "HD解码板");
  EXPECT_TRUE(Child<QAbstractButton>(&sw, "choice1")->isChecked());
  EXPECT_TRUE(Child<QCheckBox>(&sw, "switch")->isChecked());
  EXPECT_FALSE(Child<QLineEdit>(&sw, "address")->isEnabled());
  EXPECT_FALSE(Child<QAbstractButton>(&sw, "choice4")->isEnabled());  // Depend on ENC

  Use("10.77.0.27");
  CRightView1 t21(host_);
  t21.initialUpdate();
  Settle();
  EXPECT_TRUE(Child<QAbstractButton>(&t21, "choice8")->isChecked());
  EXPECT_EQ(Child<QLineEdit>(&t21, "url")->text(), "rtsp://10.77.0.24:8554/live/main");
  EXPECT_EQ(Child<QLineEdit>(&t21, "address")->text(), "0.0.0.0");
  EXPECT_EQ(Child<QLineEdit>(&t21, "port")->text(), "8554");
  EXPECT_FALSE(Child<QCheckBox>(&t21, "switch")->isEnabled());
  Child<QAbstractButton>(&t21, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), str(kStrTransportSetOk));
  auto s = SimStatusWhen("10.77.0.27", [](auto& st) {
    return qor::getI16(st, 110) == 4 && qor::getU16(st, 108) == 8554;
  });
  EXPECT_EQ(qor::getI16(s, 110), 4);
  EXPECT_EQ(qor::getU16(s, 108), 8554);
}

// A failed first read: the page says it has no data, shows no template texts and offers no
// apply until a refresh succeeds; then it is the board's page again. Each page kind.
TEST_F(PagesGui, FailedFirstReadLeavesNoDataAndNoApplyUntilARefreshSucceeds) {
  const std::uint32_t nobody = Ip("10.77.0.99");
  auto noData = [](tav::SettingsPage& page) {
    auto* notice = page.findChild<QLabel*>(QStringLiteral("noDataNotice"));
    return !page.hasBoardData() && notice && !notice->isHidden() &&
           !Child<QAbstractButton>(&page, "apply")->isEnabled() &&
           Child<QAbstractButton>(&page, "refresh")->isEnabled();
  };
  auto refreshFrom = [&](tav::SettingsPage& page, std::uint32_t source) {
    host_.list.At(host_.current).SetSourceAddress(source);
    Child<QAbstractButton>(&page, "refresh")->click();
    Settle();
  };
  {
    Use("10.77.0.20");
    host_.list.At(host_.current).SetSourceAddress(nobody);
    CRightView8 page(host_);
    page.initialUpdate();
    Settle();
    EXPECT_EQ(host_.lastMessage(), str(kStrStatusReadFailed));
    EXPECT_TRUE(noData(page));
    EXPECT_FALSE(Child<QLineEdit>(&page, "brightness")->isEnabled());
    refreshFrom(page, 0);
    EXPECT_TRUE(page.hasBoardData());
    EXPECT_TRUE(Child<QAbstractButton>(&page, "apply")->isEnabled());
    EXPECT_TRUE(Child<QLineEdit>(&page, "brightness")->isEnabled());
    EXPECT_FALSE(Child<QLineEdit>(&page, "chroma")->isEnabled());  // shown only, as before
    EXPECT_EQ(Child<QLineEdit>(&page, "brightness")->text(),
              QString::number(qor::getU16(SimStatus("10.77.0.20"), 186)));
    EXPECT_TRUE(page.findChild<QLabel*>(QStringLiteral("noDataNotice"))->isHidden());
    // A later failed read keeps the last good values.
    refreshFrom(page, nobody);
    EXPECT_TRUE(page.hasBoardData());
    EXPECT_TRUE(Child<QAbstractButton>(&page, "apply")->isEnabled());
  }
  {
    Use("10.77.0.20");
    host_.list.At(host_.current).SetSourceAddress(nobody);
    CRightView1 page(host_);
    page.initialUpdate();
    Settle();
    EXPECT_TRUE(noData(page));
    EXPECT_EQ(Child<QLabel>(&page, "boardKind")->text(), "");  // no "解码板" for an encoder
    if (const char* shots = std::getenv("TAVMON_SHOTS")) {
      page.adjustSize();
      page.show();
      QApplication::processEvents();
      page.grab().save(
          QStringLiteral("%1/CRightView1_nodata.png").arg(QString::fromLocal8Bit(shots)));
      page.hide();
    }
    refreshFrom(page, 0);
    EXPECT_TRUE(Child<QAbstractButton>(&page, "apply")->isEnabled());
    EXPECT_EQ(Child<QLabel>(&page, "boardKind")->text(), QString::fromUtf8(str(kStrHdEncoder)));
  }
  {
    Use("10.77.0.23");
    host_.list.At(host_.current).SetSourceAddress(nobody);
    CRightView0 page(host_);
    page.initialUpdate();
    Settle();
    EXPECT_TRUE(noData(page));
    EXPECT_EQ(Child<QLabel>(&page, "currentAddress")->text(), "");  // not "192.168.18.1"
    EXPECT_FALSE(Child<QLineEdit>(&page, "name")->isEnabled());
    refreshFrom(page, 0);
    EXPECT_EQ(Child<QLineEdit>(&page, "name")->text(), "编码D");
    EXPECT_TRUE(Child<QAbstractButton>(&page, "apply")->isEnabled());
  }
}

// 300 fps and 70000 kbps do not fit their record fields (8 and 16 bits): refused with the
// field and its range named, nothing sent, the board keeps its values.
TEST_F(PagesGui, VideoEncodingRefusesWhatItsRecordCannotHold) {
  Use("10.77.0.20");
  CRightView3 page(host_);
  page.initialUpdate();
  Settle();
  const tav::StatusBlock before = SimStatus("10.77.0.20");
  sim_->clearJournal();
  Child<QLineEdit>(&page, "frameRate")->setText("300");
  Child<QAbstractButton>(&page, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), "帧率(FPS)：超出范围，请输入 1-60 之间的整数。");
  Child<QLineEdit>(&page, "frameRate")->setText("25");
  Child<QLineEdit>(&page, "bitRate")->setText("70000");
  Child<QAbstractButton>(&page, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), "码率(kbps)：超出范围，请输入 1-65535 之间的整数。");
  EXPECT_FALSE(host_.logged(187));
  EXPECT_FALSE(Wrote("10.77.0.20", 0x16));
  EXPECT_EQ(SimStatus("10.77.0.20"), before);
}

// Partly typed addresses and an empty name are refused with what is wrong; nothing is sent.
TEST_F(PagesGui, IdentityRefusesIncompleteAddressesAndAnEmptyName) {
  Use("10.77.0.23");
  CRightView0 page(host_);
  page.initialUpdate();
  Settle();
  sim_->clearJournal();
  Child<QLineEdit>(&page, "ip")->setText("10.77");
  Child<QAbstractButton>(&page, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), "IP地址：地址不完整，请输入四段数字，如 192.168.18.235。");
  Child<QLineEdit>(&page, "ip")->setText("10.77.0.23");
  Child<QLineEdit>(&page, "gateway")->setText("10.77.0.300");
  Child<QAbstractButton>(&page, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), "网关：地址的每一段须在 0-255 之间，请重新输入。");
  Child<QLineEdit>(&page, "gateway")->setText("10.77.0.1");
  Child<QLineEdit>(&page, "name")->setText("");
  Child<QAbstractButton>(&page, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), "设备名称不能为空，请输入设备名称后再设置。");
  EXPECT_EQ(JournalCount("10.77.0.23"), 0u);
  EXPECT_TRUE(host_.notes.questions.empty());
}

// The transport port is a 16-bit field: 70000 is refused by name before anything is sent.
TEST_F(PagesGui, TransportRefusesAPortOutsideSixteenBits) {
  Use("10.77.0.20");
  CRightView1 page(host_);
  page.initialUpdate();
  Settle();
  sim_->clearJournal();
  Child<QLineEdit>(&page, "port")->setText("70000");
  Child<QAbstractButton>(&page, "apply")->click();
  Settle();
  EXPECT_EQ(host_.lastMessage(), "端口：超出范围，请输入 0-65535 之间的整数。");
  EXPECT_FALSE(Wrote("10.77.0.20", 0x16));
  EXPECT_EQ(JournalCount("10.77.0.20"), 0u);
}

// Every page at its natural size: no text is narrower than it needs, and each control can be
// named by a screen reader. Set TAVMON_PAGE_SHOTS to a folder to keep the images.
TEST_F(PagesGui, EveryPageFitsItsTextsAndNamesItsControls) {
  const char* shots = std::getenv("TAVMON_SHOTS");
  struct View {
    int number;
    const char* board;
    const char* click;  // a control to press before the picture, or null
  } views[] = {
      {0, "10.77.0.20", nullptr},   {1, "10.77.0.20", nullptr}, {1, "10.77.0.21", "choice9"},
      {1, "10.77.0.21", "choice1"}, {3, "10.77.0.20", nullptr}, {4, "10.77.0.20", nullptr},
      {5, "10.77.0.21", nullptr},   {7, "10.77.0.20", nullptr}, {8, "10.77.0.20", nullptr},
      {9, "10.77.0.20", nullptr},   {12, "10.77.0.20", nullptr}};
  int shot = 0;
  for (const View& v : views) {
    Use(v.board);
    std::unique_ptr<QWidget> page(tav::CreateRightView(v.number, host_, nullptr));
    ASSERT_TRUE(page);
    if (auto* s = dynamic_cast<tav::SettingsPage*>(page.get())) s->initialUpdate();
    Settle();
    if (v.click) Child<QAbstractButton>(page.get(), v.click)->click();
    Settle();
    page->adjustSize();
    page->resize(page->sizeHint());
    page->show();
    QCoreApplication::processEvents();
    for (QWidget* w : page->findChildren<QWidget*>()) {
      if (!w->isVisibleTo(page.get())) continue;
      std::string where = page->objectName().toStdString() + " " + w->objectName().toStdString();
      if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) {
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << where;
      }
      if (qobject_cast<QLineEdit*>(w)) {
        EXPECT_FALSE(w->accessibleName().isEmpty()) << where;
      }
    }
    if (shots) {
      QDir().mkpath(QString::fromLocal8Bit(shots));
      page->grab().save(QStringLiteral("%1/%2_%3.png")
                            .arg(QString::fromLocal8Bit(shots))
                            .arg(++shot)
                            .arg(page->objectName()));
    }
  }
}

}  // namespace
