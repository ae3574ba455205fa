// The time, OSD, storage and password pages: their reads and writes over a scripted link
// (what goes on the wire, what the user is told, what is refused before anything is sent),
// and the four pages against qorsim in the test LAN.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTest>
#include <nlohmann/json.hpp>

#include "device/board_list.h"
#include "le_bytes.h"
#include "page_gui.h"
#include "pages/page_action.h"
#include "pages/page_factory.h"
#include "pages/page_host.h"
#include "pages/service_pages.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "scripted_link.h"
#include "shell/ctrl_wnd.h"
#include "shell/device_tree.h"
#include "status_fixture.h"
#include "wire.h"

using pagetest::Ip;
using tav::test::ScriptedLink;
using tav::test::ScriptedStream;
using namespace std::chrono_literals;

using tav::test::Child;
using tav::test::Click;
using tav::test::NoData;
using tav::test::Settle;

namespace {

class Host : public tav::test::TestPageHost<ScriptedLink> {
 public:
  ScriptedLink& scripted = fake;

  explicit Host(int type, std::uint32_t ip = Ip("192.168.1.20")) {
    list.Add(pagetest::Status(type, ip));
  }

  std::vector<std::string> texts() const {
    std::vector<std::string> t;
    for (const auto& m : notes.messages) t.push_back(m.text);
    return t;
  }
  // A board that takes the connection and answers `answer` (nothing: silent).
  std::shared_ptr<ScriptedStream> answers(std::vector<std::uint8_t> answer = {}) {
    auto s = scripted.next();
    if (!answer.empty()) s->answers.push_back(std::move(answer));
    return s;
  }
};

// Shown as the window shows it: the first read starts after the first paint.
void Open(QWidget& page) {
  page.show();
  QCoreApplication::processEvents();
  Settle();
}

void Type(QWidget* page, const char* name, const QString& text) {
  Child<QLineEdit>(page, name)->setText(text);
}

QString Text(QWidget* page, const char* name) {
  return Child<QLineEdit>(page, name)->text();
}

bool Enabled(QWidget* page, const char* name) {
  return Child<QWidget>(page, name)->isEnabled();
}

std::vector<std::uint8_t> Answer(std::uint8_t command, qor::Bytes block) {
  std::vector<std::uint8_t> a(4 + block.size());
  qor::putHead(a, command);
  qor::putBytes(a, 4, block);
  return a;
}

std::vector<std::uint8_t> FileAnswer(std::int32_t code) {
  std::vector<std::uint8_t> a(16);
  qor::putHead(a, tav::kFileAnswerCommand);
  qor::putU32(a, 4, 12);
  qor::putU32(a, 8, tav::kFileWriteCommand);
  qor::putI32(a, 12, code);
  return a;
}

}  // namespace

TEST(TimePage, ReadsOnOpeningSetsTheEditsAndThePcTime) {
  Host host(1);
  auto clock = tav::EncodeClock({2015, 3, 7, 8, 9, 10});
  host.answers(Answer(tav::service::kClockAnswer, clock));
  CRightView17 page(host);
  page.pcClock = [] { return tav::ClockTime{2024, 2, 29, 23, 59, 58}; };
  EXPECT_FALSE(Enabled(&page, "setTime"));
  page.initialUpdate();
  Settle();
  EXPECT_EQ(Text(&page, "year"), "2015");
  EXPECT_EQ(Text(&page, "month"), "3");
  EXPECT_EQ(Text(&page, "second"), "10");
  EXPECT_TRUE(Enabled(&page, "setTime"));
  EXPECT_TRUE(page.hasBoardData());

  Type(&page, "hour", "21");
  auto set = host.answers();
  Click(&page, "setTime");
  ASSERT_EQ(set->sent.size(), 44u);
  EXPECT_TRUE(qor::hasHead(set->sent, tav::service::kSetClock));
  EXPECT_EQ(qor::getI32(set->sent, 4 + 0), 115);
  EXPECT_EQ(qor::getI32(set->sent, 4 + 4), 2);
  EXPECT_EQ(qor::getI32(set->sent, 4 + 20), 21);
  EXPECT_TRUE(host.notes.messages.empty());  // a set time shows nothing

  auto pc = host.answers();
  Click(&page, "setFromPc");
  EXPECT_EQ(Text(&page, "day"), "29");
  ASSERT_EQ(pc->sent.size(), 44u);
  EXPECT_EQ(qor::getI32(pc->sent, 4 + 0), 124);
  EXPECT_EQ(qor::getI32(pc->sent, 4 + 28), 58);

  // Text that is no number, or a year the record cannot hold, sends nothing.
  const std::size_t opened = host.scripted.opened.size();
  Type(&page, "minute", "x");
  Click(&page, "setTime");
  Type(&page, "minute", "1");
  Type(&page, "year", "-2147483000");
  Click(&page, "setTime");
  Type(&page, "year", "2015");
  Type(&page, "hour", "24");  // the record holds it; a clock has no 24th hour
  Click(&page, "setTime");
  EXPECT_EQ(host.scripted.opened.size(), opened);
  ASSERT_EQ(host.notes.messages.size(), 3u);
  EXPECT_EQ(host.texts()[2], tav::OutOfRangeText("设备时间 时", {0, 23}));
  EXPECT_EQ(host.texts()[0], tav::kNotAnInteger);
  EXPECT_NE(host.texts()[1].find("-2147481748"), std::string::npos) << host.texts()[1];
}

TEST(TimePage, AFailedFirstReadLeavesNoDataAndSetOff) {
  Host host(1);
  host.answers();  // takes the connection, never answers
  CRightView17 page(host);
  page.limits.ioTimeout = 50ms;
  page.initialUpdate();
  Settle();
  EXPECT_EQ(host.texts(), std::vector<std::string>{"recv error"});
  EXPECT_FALSE(Enabled(&page, "setTime"));
  EXPECT_TRUE(NoData(page));
  EXPECT_EQ(Text(&page, "year"), "");
  EXPECT_FALSE(Enabled(&page, "year"));
  EXPECT_TRUE(Enabled(&page, "getTime"));

  // A board that refuses the connection: nothing shown but the log line.
  Click(&page, "getTime");
  EXPECT_EQ(host.notes.messages.size(), 1u);
  EXPECT_EQ(host.notes.logLines.back(), "connect error");
}

TEST(OsdPage, ReadsChangesAndRefusesLongTexts) {
  Host host(1);
  tav::OverlayBlock board;
  board.channel = 2;
  board.time = {true, u"时间", 0, 0, 0, 4, 100, 100};
  board.channelText = {false, u"办公室1", 100, 0, 20, 1, 50, 30};
  host.answers(Answer(tav::service::kOverlayAnswer, tav::EncodeOverlay(board)));
  CRightView18 page(host);
  EXPECT_FALSE(Enabled(&page, "setOsd"));
  page.initialUpdate();
  Settle();
  EXPECT_EQ(Child<QComboBox>(&page, "channel")->currentText(), "通道3");
  EXPECT_EQ(Text(&page, "channelTextText"), "办公室1");
  EXPECT_EQ(Text(&page, "channelTextScale"), "50");
  EXPECT_EQ(Text(&page, "channelTextBackground"), "30");
  EXPECT_EQ(Child<QComboBox>(&page, "timeColour")->currentIndex(), 4);
  EXPECT_FALSE(Child<QCheckBox>(&page, "channelTextShown")->isChecked());

  Type(&page, "timeText", "AB");
  Type(&page, "channelTextText", "");
  Type(&page, "timeX", "40");
  auto set = host.answers();
  Click(&page, "setOsd");
  ASSERT_EQ(set->sent.size(), 4u + tav::kOverlayBlockSize);
  EXPECT_TRUE(qor::hasHead(set->sent, tav::service::kSetOverlay));
  EXPECT_EQ(qor::getU32(set->sent, 4 + 4), 2u);
  EXPECT_EQ(qor::getU32(set->sent, 4 + tav::kTimeTextAt + 148), 3u);
  EXPECT_EQ(qor::getU32(set->sent, 4 + tav::kChannelTextAt + 148), 0u);
  EXPECT_EQ(qor::getI32(set->sent, 4 + tav::kTimeTextAt + 12), 40);
  EXPECT_EQ(host.texts(), std::vector<std::string>{"修改成功"});

  // 65 units, or a number past 32 bits: refused, nothing sent.
  const std::size_t opened = host.scripted.opened.size();
  Type(&page, "timeText", QString(65, QLatin1Char('x')));
  Click(&page, "setOsd");
  EXPECT_EQ(host.texts().back(), tav::kOverlayTextTooLong);
  Type(&page, "timeText", "AB");
  Type(&page, "channelTextScale", "4294967296");
  Click(&page, "setOsd");
  EXPECT_NE(host.texts().back().find("2147483647"), std::string::npos);
  EXPECT_EQ(host.scripted.opened.size(), opened);

  // Defaults change the page only.
  Click(&page, "defaults");
  EXPECT_EQ(Text(&page, "timeText"), "时间");
  EXPECT_EQ(Text(&page, "channelTextX"), "100");
  EXPECT_EQ(Text(&page, "timeBackground"), "100");
  EXPECT_EQ(Child<QComboBox>(&page, "channel")->currentIndex(), 0);
  EXPECT_TRUE(Child<QCheckBox>(&page, "channelTextShown")->isChecked());
  EXPECT_EQ(host.scripted.opened.size(), opened);
}

TEST(OsdPage, AWrongHeadIsShownAndLeavesTheChangeOff) {
  Host host(1);
  host.answers(Answer(tav::service::kClockAnswer, std::vector<std::uint8_t>(368)));
  CRightView18 page(host);
  page.initialUpdate();
  Settle();
  EXPECT_EQ(host.texts(), std::vector<std::string>{"head error"});
  EXPECT_FALSE(Enabled(&page, "setOsd"));
  EXPECT_TRUE(NoData(page));
}

TEST(StoragePage, ShowsTheReportTogglesSaveAndSets) {
  Host host(1);
  std::vector<std::uint8_t> report(40);
  const std::pair<std::size_t, std::uint32_t> fields[] = {
      {0, 256}, {4, 1024}, {16, 29820}, {20, 12480}, {28, 12000}, {32, 47}, {36, 1}};
  for (auto [at, v] : fields) qor::putU32(report, at, v);
  host.answers(Answer(tav::service::kStorageAnswer, report));
  CRightView19 page(host);
  page.initialUpdate();
  Settle();
  EXPECT_EQ(Text(&page, "fileSize"), "256");
  EXPECT_EQ(Text(&page, "reserved"), "1024");
  EXPECT_TRUE(Child<QCheckBox>(&page, "save")->isChecked());
  EXPECT_EQ(Child<QPlainTextEdit>(&page, "report")->toPlainText(),
            "Total size:\t29820 MB\nUsed  size:\t12480 MB\nRecord size:\t12000 MB\nFile "
            "count:\t47\n");

  Child<QCheckBox>(&page, "save")->click();
  EXPECT_FALSE(Child<QCheckBox>(&page, "save")->isChecked());
  Type(&page, "fileSize", "4294967295");
  auto set = host.answers();
  Click(&page, "setStorage");
  ASSERT_EQ(set->sent.size(), 24u);
  EXPECT_TRUE(qor::hasHead(set->sent, tav::service::kSetStorage));
  EXPECT_EQ(qor::getU32(set->sent, 4), 4294967295u);
  EXPECT_EQ(qor::getU32(set->sent, 8), 1024u);
  EXPECT_EQ(qor::getU32(set->sent, 20), 0u);
  EXPECT_EQ(host.texts(), std::vector<std::string>{"Set OK"});

  const std::size_t opened = host.scripted.opened.size();
  Type(&page, "reserved", "-1");
  Click(&page, "setStorage");
  EXPECT_EQ(host.scripted.opened.size(), opened);
  EXPECT_NE(host.texts().back().find("磁盘预留空间"), std::string::npos);
  EXPECT_NE(host.texts().back().find("4294967295"), std::string::npos);
}

TEST(StoragePage, AFailedFirstReadLeavesNoDataUntilAGetSucceeds) {
  Host host(1);
  host.answers();  // silent
  CRightView19 page(host);
  page.limits.ioTimeout = 50ms;
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(NoData(page));
  EXPECT_FALSE(Enabled(&page, "setStorage"));
  EXPECT_FALSE(Enabled(&page, "fileSize"));
  EXPECT_EQ(Text(&page, "fileSize"), "");
  EXPECT_TRUE(Enabled(&page, "getStorage"));
  EXPECT_TRUE(page.findChild<QLabel*>(QStringLiteral("noDataNotice"))->text().contains("“获取”"));
  if (const char* shots = std::getenv("TAVMON_SHOTS")) {
    page.resize(620, 460);
    page.grab().save(QString::fromUtf8(shots) + QStringLiteral("/storage_nodata.png"));
  }

  std::vector<std::uint8_t> report(40);
  qor::putU32(report, 0, 256);
  host.answers(Answer(tav::service::kStorageAnswer, report));
  Click(&page, "getStorage");
  EXPECT_TRUE(page.hasBoardData());
  EXPECT_TRUE(page.findChild<QLabel*>(QStringLiteral("noDataNotice"))->isHidden());
  EXPECT_TRUE(Enabled(&page, "setStorage"));
  EXPECT_TRUE(Enabled(&page, "fileSize"));
  EXPECT_EQ(Text(&page, "fileSize"), "256");
}

TEST(PasswordPage, EncoderBoardsCannotChangeTheLogin) {
  Host host(1);
  CRightView15 page(host);
  page.initialUpdate();
  EXPECT_EQ(Text(&page, "user"), "admin");
  EXPECT_EQ(Text(&page, "password"), "tarvenol");
  for (const char* name : {"user", "password", "changePassword"})
    EXPECT_FALSE(Enabled(&page, name)) << name;
  EXPECT_TRUE(Child<QLabel>(&page, "kindNote")->isVisibleTo(&page));
  EXPECT_TRUE(host.scripted.opened.empty());
}

TEST(PasswordPage, WritesTheLoginFileAndShowsTheAnswer) {
  Host host(2);
  CRightView15 page(host);
  page.sleep = [](tav::Millis) {};
  page.initialUpdate();
  EXPECT_TRUE(Enabled(&page, "changePassword"));

  // A line break or '=' would add lines to the login file: refused, nothing sent.
  Type(&page, "user", "root\npasswd=x");
  Click(&page, "changePassword");
  Type(&page, "user", "root");
  Type(&page, "password", "a=b");
  Click(&page, "changePassword");
  EXPECT_TRUE(host.scripted.opened.empty());
  EXPECT_EQ(host.texts(), (std::vector<std::string>(2, tav::kCredentialRefused)));

  Type(&page, "password", "s3cret");
  auto board = host.answers(FileAnswer(3));
  Click(&page, "changePassword");
  ASSERT_EQ(host.scripted.opened.back().port, tav::kFileWritePort);
  const std::string text = "username=root\npasswd=s3cret\n";
  ASSERT_EQ(board->sent.size(), 4u + 272 + text.size());
  EXPECT_TRUE(qor::hasHead(board->sent, tav::kFileWriteCommand));
  EXPECT_EQ(qor::getU32(board->sent, 4), 272u + text.size());
  EXPECT_EQ(std::string(board->sent.begin() + 20, board->sent.begin() + 50), tav::kLoginFilePath);
  EXPECT_EQ(std::string(board->sent.begin() + 276, board->sent.end()), text);
  EXPECT_EQ(host.texts().back(), "更改密码成功。\n请重新启动。");

  host.answers(FileAnswer(2));
  Click(&page, "changePassword");
  EXPECT_EQ(host.texts().back(), "更改密码失败(3返回值表示失败)");
  Click(&page, "changePassword");  // no connection
  EXPECT_EQ(host.texts().back(), tav::kPasswordConnectError);
}

TEST(ServicePagesOnQorsim, TimeOsdStorageAndPasswordReachTheBoard) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(
      R"({"boards": [{"address": "10.77.0.70", "type": 20, "name": "编码"},
                     {"address": "10.77.0.71", "type": 2, "name": "解码"}]})"));
  sim.start();
  const char* shots = std::getenv("TAVMON_SHOTS");  // a folder for PNGs of the pages
  auto shoot = [&](QWidget& page, const char* name) {
    if (!shots) return;
    page.resize(620, 460);
    page.grab().save(QString::fromUtf8(shots) + QLatin1Char('/') + QLatin1String(name) +
                     QStringLiteral(".png"));
  };

  Host host(20, Ip("10.77.0.70"));
  host.useLink = &tav::LanLink();
  {
    CRightView17 time(host);
    time.pcClock = [] { return tav::ClockTime{2015, 3, 7, 8, 9, 10}; };
    Open(time);
    EXPECT_TRUE(Enabled(&time, "setTime"));
    Click(&time, "setFromPc");
    ASSERT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
      return e.endpoint == "tcp:4010" && e.bytes.size() == 44 && e.bytes[3] == 0x30;
    }));
    Type(&time, "year", "");
    Click(&time, "getTime");
    EXPECT_EQ(Text(&time, "year"), "2015");
    EXPECT_EQ(Text(&time, "minute"), "9");
    shoot(time, "time");
  }
  {
    CRightView18 osd(host);
    Open(osd);
    Child<QComboBox>(&osd, "channel")->setCurrentIndex(1);
    Type(&osd, "timeText", "值班时间");
    Type(&osd, "channelTextY", "32");
    Click(&osd, "setOsd");
    ASSERT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
      return e.endpoint == "tcp:4010" && e.bytes.size() == 372;
    }));
    Click(&osd, "defaults");
    Click(&osd, "getOsd");
    EXPECT_EQ(Text(&osd, "timeText"), "值班时间");
    EXPECT_EQ(Text(&osd, "channelTextY"), "32");
    EXPECT_EQ(Child<QComboBox>(&osd, "channel")->currentIndex(), 1);
    shoot(osd, "osd");
  }
  {
    CRightView19 storage(host);
    Open(storage);
    Type(&storage, "fileSize", "512");
    Click(&storage, "setStorage");
    ASSERT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
      return e.endpoint == "tcp:4010" && e.bytes.size() == 24;
    }));
    Type(&storage, "fileSize", "");
    Click(&storage, "getStorage");
    EXPECT_EQ(Text(&storage, "fileSize"), "512");
    shoot(storage, "storage");
  }
  EXPECT_EQ(host.texts(), (std::vector<std::string>{"修改成功", "Set OK"}));

  Host decoder(2, Ip("10.77.0.71"));
  decoder.useLink = &tav::LanLink();
  CRightView15 password(decoder);
  password.limits.pause = 20ms;
  Open(password);
  Type(&password, "user", "operator");
  Type(&password, "password", "新密码1");
  Click(&password, "changePassword");
  EXPECT_EQ(decoder.texts(), std::vector<std::string>{"更改密码成功。\n请重新启动。"});
  sim.withBoard("10.77.0.71", [](qorsim::BoardState& b) {
    EXPECT_EQ(b.files[tav::kLoginFilePath],
              "username=operator\npasswd=\xd0\xc2\xc3\xdc\xc2\xeb"
              "1\n");
  });
  shoot(password, "password");

  // An encoder's window offers 更改密码 under 高级; the page opens with its controls off.
  CCtrlWnd window(host, false);
  window.resize(900, 560);
  window.show();
  QTreeWidgetItem* item = window.Tree()->ItemForCode(tav::kCodePassword);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->parent(), window.Tree()->ItemForCode(tav::kCodeAdvanced));
  window.Tree()->setCurrentItem(item);
  QCoreApplication::processEvents();
  Settle();
  ASSERT_EQ(window.CurrentPage()->objectName(), "CRightView15");
  EXPECT_FALSE(Enabled(window.CurrentPage(), "changePassword"));
  if (shots) window.grab().save(QString::fromUtf8(shots) + QStringLiteral("/window.png"));
}
