// The debug pages over a fake link (what each button sends, what the page then shows and says)
// and against qorsim on the test LAN.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <nlohmann/json.hpp>

#include "../pages/status_fixture.h"
#include "debug/debug_pages.h"
#include "debug/serial_control.h"
#include "debug_fakes.h"
#include "device/board_list.h"
#include "edid_fixtures.h"
#include "le_bytes.h"
#include "page_gui.h"
#include "pages/page_action.h"
#include "pages/page_host.h"
#include "qorsim.h"
#include "recording_notifier.h"

using pagetest::Ip;
using tav::test::FakeLink;
using Op = tav::test::FakeBoardLink::Op;

using tav::test::Child;
using tav::test::Click;
using tav::test::NoData;
using tav::test::Settle;

namespace {

class FakeHost : public tav::test::TestPageHost<FakeLink> {
 public:
  explicit FakeHost(int type = 1, const char* ip = "192.168.1.20") {
    list.Add(pagetest::Status(type, Ip(ip)));
  }
  tav::PcNetwork pcNetwork() override { return {}; }

  void answer(const std::string& text) { fake.answers.push_back({0, text}); }
};

void Type(QWidget* page, const char* name, const char* text) {
  Child<QLineEdit>(page, name)->setText(QString::fromUtf8(text));
}

std::string Text(QWidget* page, const char* name) {
  if (auto* e = page->findChild<QLineEdit*>(QLatin1String(name))) return e->text().toStdString();
  return Child<QPlainTextEdit>(page, name)->toPlainText().toStdString();
}

void Save(QWidget& page, const char* file) {
  // About the page area of the single-board window at its usual size.
  page.resize(page.minimumSizeHint().expandedTo(QSize(620, 520)));
  if (const char* dir = std::getenv("TAVMON_SHOTS"))
    page.grab().save(QString::fromUtf8(dir) + "/" + file);
}

tav::RegisterBlock Answer(std::vector<std::pair<std::uint8_t, std::uint8_t>> pairs) {
  tav::RegisterBlock b{};
  qor::putU32(b, 0, 524);
  qor::putU16(b, 6, static_cast<std::uint16_t>(pairs.size()));
  qor::putU16(b, 8, 1);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    b[12 + i] = pairs[i].first;
    b[268 + i] = pairs[i].second;
  }
  return b;
}

}  // namespace

TEST(EdidPage, LockStateReadsAndCaptions) {
  FakeHost host(9);
  host.answer("sendedidlock:1;");
  EdidDebug page(host);
  page.initialUpdate();
  Settle();
  auto* lock = Child<QAbstractButton>(&page, "lockEdid");
  EXPECT_EQ(lock->text(), "解锁EDID");
  EXPECT_TRUE(lock->isEnabled());
  ASSERT_EQ(host.fake.gets.size(), 1u);
  EXPECT_EQ(host.fake.gets[0].address, "192.168.1.20");
  EXPECT_EQ(host.fake.gets[0].type, 268);
  EXPECT_EQ(host.fake.gets[0].text(), "getedidlock;");

  // Unlocking sends the type-19 command, then reads the state again.
  host.answer("sendedidlock:0;");
  Click(&page, "lockEdid");
  ASSERT_EQ(host.fake.sets.size(), 1u);
  EXPECT_EQ(host.fake.sets[0].type, 19);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(host.fake.sets[0].bytes.data())),
            "unlockedid:;");
  EXPECT_EQ(lock->text(), "锁定EDID");

  // A clear the board refuses with code 3, then the state read: an empty field keeps the caption.
  host.answer("sendediderror:3;");
  host.answer("sendedidlock:;");
  Click(&page, "clearEdid");
  ASSERT_GE(host.notes.messages.size(), 2u);
  EXPECT_EQ(host.notes.messages[host.notes.messages.size() - 2].text, "清空EDID失败！");
  EXPECT_EQ(host.lastMessage(), "获取EDID状态失败；未知接收数据！");
  EXPECT_EQ(lock->text(), "锁定EDID");

  host.answer("sendediderror:2;");
  host.answer("sendedidlock:1;");
  Click(&page, "copyMonitorEdid");
  EXPECT_EQ(host.fake.gets.back().text(), "getedidlock;");
  EXPECT_EQ(host.notes.messages.back().text, "写入EDID失败！");
  EXPECT_EQ(lock->text(), "解锁EDID");
}

TEST(EdidPage, ReadsShowLowerCaseLinesAndTheSummary) {
  FakeHost host(20);
  host.answer("sendedidlock:0;");
  EdidDebug page(host);
  page.initialUpdate();
  Settle();
  const tav::EdidBytes edid = tav::test::MonitorEdid();
  host.answer(tav::test::EdidAnswerText("sendedidinfo", edid));
  Click(&page, "readBoardEdid");
  EXPECT_TRUE(host.notes.messages.empty());
  const std::string text = Text(&page, "edidText");
  EXPECT_EQ(text.substr(0, 40), "0x00;0xff;0xff;0xff;0xff;0xff;0xff;0x00;");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 31);
  const std::string summary = Text(&page, "edidSummary");
  EXPECT_NE(summary.find("DELL U2418H"), std::string::npos) << summary;
  EXPECT_NE(summary.find("1920x1080"), std::string::npos) << summary;
  Save(page, "edid_page.png");

  // Half an answer: the first 128 values, zeros after, and the message.
  host.answer(tav::test::EdidAnswerText("sendperiphedidinfo", edid, 128));
  Click(&page, "readMonitorEdid");
  EXPECT_EQ(host.fake.gets.back().text(), "getperiphedidinfo;");
  EXPECT_EQ(host.lastMessage(), "获取失败；未知接收数据！");
  const std::string partial = Text(&page, "edidText");
  EXPECT_EQ(partial.substr(partial.size() - 40), "0x00;0x00;0x00;0x00;0x00;0x00;0x00;0x00;");
  EXPECT_NE(Text(&page, "edidSummary").find("128"), std::string::npos);

  // A failed read says so and leaves the text.
  host.fake.answers.push_back({15, ""});
  Click(&page, "readBoardEdid");
  EXPECT_EQ(host.lastMessage(), "获取失败！错误号=15");
  EXPECT_EQ(Text(&page, "edidText"), partial);
}

TEST(EdidPage, AFailedFirstReadLeavesNoStateAndNoLockButton) {
  FakeHost host(9);
  EdidDebug page(host);
  page.initialUpdate();
  Settle();
  EXPECT_EQ(host.lastMessage(), "获取EDID状态失败；错误号=15！");
  auto* lock = Child<QAbstractButton>(&page, "lockEdid");
  EXPECT_EQ(lock->text(), "锁定EDID");
  EXPECT_FALSE(lock->isEnabled());  // lock or unlock is unknown
  EXPECT_TRUE(Text(&page, "edidText").empty());
  EXPECT_TRUE(Child<QAbstractButton>(&page, "readBoardEdid")->isEnabled());
  EXPECT_TRUE(Child<QAbstractButton>(&page, "clearEdid")->isEnabled());
  EXPECT_TRUE(NoData(page));
  Save(page, "edid_nodata.png");
  page.toggleLock();
  Settle();
  EXPECT_TRUE(host.fake.sets.empty());

  // A copy ends with a lock read: once that answers, the page has the board's state.
  host.answer("sendediderror:0;");
  host.answer("sendedidlock:1;");
  Click(&page, "copyMonitorEdid");
  EXPECT_TRUE(page.hasBoardData());
  EXPECT_TRUE(lock->isEnabled());
  EXPECT_EQ(lock->text(), "解锁EDID");
}

TEST(RegisterPages, SingleFieldsListsAndRefusals) {
  FakeHost host(1);
  RVdebug page(host);
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(host.fake.sent().empty());

  Type(&page, "device", "66");
  Type(&page, "value", "0x5a");
  host.fake.maintenanceAnswers.push_back({0, {}});
  Click(&page, "writeSingle");
  auto sent = host.fake.sentOf(Op::Maintenance);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].address, "192.168.1.20");
  EXPECT_EQ(sent[0].type, 8068);
  EXPECT_EQ(qor::getU16(sent[0].bytes, 1 + 4), 0x42);
  EXPECT_EQ(sent[0].bytes[1 + 12], 0x10);
  EXPECT_EQ(sent[0].bytes[1 + 268], 0x5a);
  EXPECT_EQ(Text(&page, "device"), "0x42");
  EXPECT_EQ(Text(&page, "register"), "0x10");

  host.fake.maintenanceAnswers.push_back({0, Answer({{0x10, 0x77}})});
  Click(&page, "readSingle");
  EXPECT_EQ(Text(&page, "value"), "0x77");

  // A number beyond its field is refused with the field's name; nothing is sent.
  Type(&page, "value", "0x1ff");
  Click(&page, "writeSingle");
  EXPECT_NE(host.lastMessage().find("寄存器值"), std::string::npos);
  EXPECT_NE(host.lastMessage().find("0xff"), std::string::npos);
  Type(&page, "value", "0x01");
  Type(&page, "device", "x");
  Click(&page, "readSingle");
  EXPECT_NE(host.lastMessage().find("I2C地址"), std::string::npos);
  EXPECT_EQ(host.fake.sentOf(Op::Maintenance).size(), 2u);
  Type(&page, "device", "0x42");

  // Two lines: one block of n = 2, shown back unchanged.
  Child<QPlainTextEdit>(&page, "writeList")->setPlainText("0x10,0x01\r\n0x11,0x02\r\n");
  host.fake.maintenanceAnswers.push_back({0, {}});
  Click(&page, "writeAll");
  sent = host.fake.sentOf(Op::Maintenance);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(qor::getU16(sent[2].bytes, 1 + 6), 2);
  EXPECT_EQ(sent[2].bytes[1 + 13], 0x11);
  EXPECT_EQ(sent[2].bytes[1 + 269], 0x02);
  EXPECT_EQ(Text(&page, "writeList"), "0x10,0x01\n0x11,0x02\n");

  Child<QPlainTextEdit>(&page, "writeList")->setPlainText("0x10 0x01\n0x11 0x02\n");
  Click(&page, "writeAll");
  EXPECT_EQ(host.lastMessage(), "输入数据格式有误或无任何数据");
  Child<QPlainTextEdit>(&page, "writeList")->setPlainText("0x10,0x01\n0x11,300\n");
  Click(&page, "writeAll");
  EXPECT_NE(host.lastMessage().find("第2行"), std::string::npos) << host.lastMessage();
  EXPECT_EQ(host.fake.sentOf(Op::Maintenance).size(), 3u);

  // Batch read into the right list, a failure message, then the copy.
  host.fake.maintenanceAnswers.push_back({0, Answer({{0x00, 0xaa}, {0x01, 0xbb}})});
  Click(&page, "readAll");
  EXPECT_EQ(qor::getU16(host.fake.sentOf(Op::Maintenance).back().bytes, 1 + 6), 256);
  EXPECT_EQ(Text(&page, "readList"), "0x00,0xaa\n0x01,0xbb\n");
  Click(&page, "readAll");  // nothing scripted: no connection
  EXPECT_EQ(host.lastMessage(), "批量获取寄存器失败 = -1");
  EXPECT_EQ(Text(&page, "readList"), "0x00,0xaa\n0x01,0xbb\n");
  Click(&page, "copyList");
  EXPECT_EQ(Text(&page, "writeList"), "0x00,0xaa\n0x01,0xbb\n");
  Save(page, "register_page.png");
}

TEST(RegisterPages, SixteenBitOnSpiBoardsAndTheBusOnTheGeneralPage) {
  FakeHost spi(7);
  RVdebug page(spi);
  page.initialUpdate();
  EXPECT_EQ(Child<QLineEdit>(&page, "device")->text(), "");
  EXPECT_FALSE(Child<QLineEdit>(&page, "device")->isEnabled());
  Type(&page, "register", "0x1234");
  tav::RegisterBlock word = Answer({});
  qor::putU16(word, 268, 0xbeef);
  spi.fake.maintenanceAnswers.push_back({0, word});
  Click(&page, "readSingle");
  auto sent = spi.fake.sentOf(Op::Maintenance);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes[0], 0xCA);
  EXPECT_EQ(qor::getU16(sent[0].bytes, 1 + 12), 0x1234);
  EXPECT_EQ(Text(&page, "value"), "0xbeef");
  EXPECT_EQ(Text(&page, "register"), "0x1234");
  Save(page, "spi_page.png");

  FakeHost host(1);
  RVComDebug general(host);
  general.initialUpdate();
  auto* bus = Child<QComboBox>(&general, "bus");
  ASSERT_EQ(bus->count(), 3);
  EXPECT_EQ(bus->currentText(), "0");
  bus->setCurrentIndex(2);
  host.fake.maintenanceAnswers.push_back({0, Answer({{0x10, 0x33}})});
  Click(&general, "readSingle");
  sent = host.fake.sentOf(Op::Maintenance);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].type, 8070);
  EXPECT_EQ(qor::getU16(sent[0].bytes, 1 + 10), 2);
  EXPECT_EQ(Text(&general, "value"), "0x33");
  Click(&general, "writeSingle");  // nothing scripted: the failure is shown with its number
  EXPECT_EQ(host.lastMessage(), "寄存器写入失败 = -1");
  Save(general, "general_i2c_page.png");
}

TEST(SerialPage, BaudRateKeypadAndSend) {
  FakeHost host(1);
  host.fake.valueAnswer = 0;
  CRightViewSerial page(host);
  page.initialUpdate();
  Settle();
  auto* baud = Child<QComboBox>(&page, "baud");
  EXPECT_EQ(baud->currentText(), "动态调整");
  EXPECT_EQ(Text(&page, "sendText"), "ff-01-00-07-00-48-50");

  Click(&page, "ptzUp");
  EXPECT_EQ(Text(&page, "sendText"), "ff-ff-00-08-00-27-2e-ff-ff-00-00-00-00-ff");
  Click(&page, "send");
  ASSERT_EQ(host.fake.sets.size(), 1u);
  const auto& record = host.fake.sets[0].bytes;
  EXPECT_EQ(host.fake.sets[0].type, 14);
  ASSERT_EQ(record.size(), 1052u);
  EXPECT_EQ(qor::getU32(record, 4), 14u);
  EXPECT_EQ(qor::getU32(record, 16), 9600u);  // "动态调整" sends at 9600
  EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 20, record.begin() + 34),
            (std::vector<std::uint8_t>{0xFF, 0xFF, 0x00, 0x08, 0x00, 0x27, 0x2E, 0xFF, 0xFF, 0x00,
                                       0x00, 0x00, 0x00, 0xFF}));
  EXPECT_TRUE(host.notes.messages.empty());

  Click(&page, "apply");  // "动态调整" is written as 0
  auto direct = host.fake.sentOf(Op::Direct);
  ASSERT_EQ(direct.back().type, tav::kCmdWriteValue);
  EXPECT_EQ(direct.back().bytes, (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(host.lastMessage(), "外设配置成功。");

  baud->setEditText("4800");
  Click(&page, "apply");
  EXPECT_EQ(qor::getU32(host.fake.sentOf(Op::Direct).back().bytes, 0), 4800u);
  Type(&page, "sendText", "FF-01-00-07-00-48-50");
  Click(&page, "send");
  ASSERT_EQ(host.fake.sets.size(), 2u);
  EXPECT_EQ(qor::getU32(host.fake.sets[1].bytes, 16), 4800u);
  EXPECT_EQ(qor::getU32(host.fake.sets[1].bytes, 4), 7u);
  EXPECT_EQ(host.fake.sets[1].bytes[26], 0x50);

  // Refusals send nothing: one character (and says nothing), too long, a rate that is no number.
  const std::size_t messages = host.notes.messages.size();
  Type(&page, "sendText", "f");
  Click(&page, "send");
  EXPECT_EQ(host.notes.messages.size(), messages);
  Type(&page, "sendText", std::string(258, 'f').c_str());
  Click(&page, "send");
  EXPECT_NE(host.lastMessage().find("255"), std::string::npos);
  Type(&page, "sendText", "ff");
  baud->setEditText("fast");
  Click(&page, "send");
  Click(&page, "apply");
  EXPECT_NE(host.lastMessage().find("串口波特率"), std::string::npos);
  EXPECT_EQ(host.fake.sets.size(), 2u);
  EXPECT_EQ(host.fake.sentOf(Op::Direct).size(), 3u);  // the first read and two writes

  // A failed send shows its number.
  baud->setEditText("9600");
  host.fake.setResult = 15;
  Click(&page, "send");
  EXPECT_EQ(host.lastMessage(), "发送串口数据失败!(15)");
  Click(&page, "ptzFocusNear");
  Save(page, "serial_page.png");
}

// The pages over the real link against a simulated board.
TEST(DebugPagesOnQorsim, EdidRegistersAndSerial) {
  auto sim = qorsim::Simulator::fromJson(
      nlohmann::json::parse(R"([{"address": "10.77.0.71", "type": 9}])"));
  sim.start();
  FakeHost host(9, "10.77.0.71");
  host.useLink = &tav::LanLink();

  EdidDebug edid(host);
  edid.initialUpdate();
  Settle();
  EXPECT_EQ(Child<QAbstractButton>(&edid, "lockEdid")->text(), "锁定EDID");
  Click(&edid, "lockEdid");
  EXPECT_EQ(Child<QAbstractButton>(&edid, "lockEdid")->text(), "解锁EDID");
  sim.withBoard("10.77.0.71", [](qorsim::BoardState& b) { EXPECT_TRUE(b.edidLocked); });
  Click(&edid, "readBoardEdid");
  tav::EdidBytes board{};
  sim.withBoard("10.77.0.71", [&](qorsim::BoardState& b) { board = b.edid; });
  EXPECT_EQ(Text(&edid, "edidText"),
            QString::fromStdString(tav::EdidText(board)).replace("\r\n", "\n").toStdString());
  EXPECT_NE(Text(&edid, "edidSummary").find("校验和"), std::string::npos);
  Save(edid, "edid_page_qorsim.png");

  RVComDebug regs(host);
  regs.initialUpdate();
  Child<QComboBox>(&regs, "bus")->setCurrentIndex(1);
  Type(&regs, "register", "0x20");
  Type(&regs, "value", "0x5a");
  Click(&regs, "writeSingle");
  Type(&regs, "value", "");
  Click(&regs, "readSingle");
  EXPECT_EQ(Text(&regs, "value"), "0x5a");
  sim.withBoard("10.77.0.71", [](qorsim::BoardState& b) {
    EXPECT_EQ(b.registers[qorsim::registerKey(1, 0x42, 0x20)], 0x5a);
  });

  CRightViewSerial serial(host);
  serial.initialUpdate();
  Settle();
  EXPECT_EQ(Child<QComboBox>(&serial, "baud")->currentText(), "9600");
  Click(&serial, "ptzLeft");
  Click(&serial, "send");
  ASSERT_TRUE(
      sim.waitForJournal([](const qorsim::JournalEntry& e) { return e.endpoint == "tcp:8067"; }));
  sim.withBoard("10.77.0.71", [](qorsim::BoardState& b) {
    ASSERT_EQ(b.serialOut.size(), 1u);
    EXPECT_EQ(b.serialOut[0].size(), 14u);
    EXPECT_EQ(b.serialOut[0][3], 0x04);
  });
  EXPECT_TRUE(host.notes.messages.empty()) << host.lastMessage();
}
