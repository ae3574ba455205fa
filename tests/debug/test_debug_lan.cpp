// The debug pages' logic against qorsim over the test LAN.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "debug/edid_tools.h"
#include "debug/maintenance_port.h"
#include "debug/register_debug.h"
#include "debug/serial_control.h"
#include "device/board.h"
#include "device/board_link.h"
#include "le_bytes.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "wire.h"

using namespace tav;
using tav::test::RecordingNotifier;

namespace {

qorsim::Simulator TwoBoards() {
  return qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.31", "type": 1},
    {"address": "10.77.0.32", "type": 2},
    {"address": "10.77.0.33", "type": 7}
  ])"));
}

CBoard BoardAt(const std::string& address) {
  CBoard board;
  std::uint32_t ip = 0;
  qor::parseIp(address, ip);
  board.setIp(ip);
  return board;
}

}  // namespace

TEST(DebugLan, EdidReadLockClearAndCopy) {
  auto sim = TwoBoards();
  sim.start();
  RecordingNotifier notifier;
  EdidTool decoder(LanLink(), "10.77.0.32", notifier);
  EXPECT_EQ(decoder.readLockState().status, EdidStatus::Done);
  EXPECT_EQ(decoder.lockCaption(), "锁定EDID");

  EXPECT_EQ(decoder.readMonitorEdid().status, EdidStatus::Done);
  EdidBytes monitor{};
  sim.withBoard("10.77.0.32", [&](qorsim::BoardState& b) { monitor = b.monitorEdid; });
  EXPECT_EQ(*decoder.edid(), monitor);
  EdidSummary summary = DecodeEdid(monitor);
  EXPECT_TRUE(summary.baseChecksumValid);
  EXPECT_EQ(summary.monitorName, "LCD MONITOR");
  ASSERT_TRUE(summary.extensionChecksumValid);
  EXPECT_TRUE(*summary.extensionChecksumValid);
  ASSERT_EQ(summary.ctaTimings.size(), 1u);
  EXPECT_EQ(TimingText(summary.ctaTimings[0]), "1280x720p 60.00 Hz, 74.25 MHz");
  EXPECT_NE(decoder.summaryText().find("CTA-861时序：1280x720p"), std::string::npos);

  EXPECT_EQ(decoder.toggleLock().status, EdidStatus::Done);
  EXPECT_EQ(decoder.lockCaption(), "解锁EDID");
  sim.withBoard("10.77.0.32", [](qorsim::BoardState& b) { EXPECT_TRUE(b.edidLocked); });
  EXPECT_EQ(decoder.clear().message, "清空EDID失败！");
  EXPECT_EQ(decoder.copyMonitor().message, "写入EDID失败！");
  EXPECT_EQ(decoder.toggleLock().status, EdidStatus::Done);
  EXPECT_EQ(decoder.lockCaption(), "锁定EDID");
  EXPECT_EQ(decoder.copyMonitor().message, "设置成功！");
  EXPECT_EQ(decoder.readBoardEdid().status, EdidStatus::Done);
  EXPECT_EQ(*decoder.edid(), monitor) << "the board's EDID is now the monitor's";

  EdidTool encoder(LanLink(), "10.77.0.31", notifier);
  EXPECT_EQ(encoder.readBoardEdid().status, EdidStatus::Done);
  EXPECT_TRUE(DecodeEdid(*encoder.edid()).baseChecksumValid);
  EXPECT_EQ(encoder.readMonitorEdid().status, EdidStatus::UnknownData)
      << "no monitor on an encoder";
  EXPECT_EQ(encoder.copyMonitor().message, "读取外设EDID失败！");
}

TEST(DebugLan, EdidFaultsGiveTheExchangeResultOrTheDataMessage) {
  auto sim = TwoBoards();
  sim.start();
  RecordingNotifier notifier;
  EdidTool tool(LanLink(), "10.77.0.31", notifier);
  tool.readBoardEdid();
  std::string before = tool.edidText();
  struct Case {
    qorsim::Faults faults;
    EdidStatus status;
  };
  qorsim::Faults refuse, wrongHead, cut;
  refuse.refuseTcp = true;
  wrongHead.wrongHead = true;
  cut.cutReply = 700;  // the answer ends half-way through the values
  for (const Case& c :
       {Case{refuse, EdidStatus::ExchangeFailed}, Case{wrongHead, EdidStatus::ExchangeFailed},
        Case{cut, EdidStatus::UnknownData}}) {
    sim.setFaults("10.77.0.31", c.faults);
    EdidOutcome o = tool.readBoardEdid();
    EXPECT_EQ(o.status, c.status);
    if (c.status == EdidStatus::ExchangeFailed) {
      EXPECT_NE(o.result, 0);
      EXPECT_EQ(tool.edidText(), before) << "a failed read leaves the text";
    }
  }
  EXPECT_EQ(notifier.messages.back().text, "获取失败；未知接收数据！");
  EXPECT_NE(tool.edidText(), before);
}

TEST(DebugLan, RegistersOnBothPages) {
  auto sim = TwoBoards();
  sim.start();
  RecordingNotifier notifier;
  CBoard board = BoardAt("10.77.0.31");
  BoardMaintenancePort port(board, LanLink());

  RegisterDebug i2c(RegisterPageKind::I2c, port, notifier);
  i2c.initialUpdate(board.deviceType());
  i2c.leftList = "0x10,0x01\r\n0x11,0x02\r\n";
  EXPECT_EQ(i2c.writeAll(), 0);
  sim.waitForJournal([](const qorsim::JournalEntry& e) { return e.endpoint == "tcp:8068"; });
  i2c.registerText = "0x11";
  EXPECT_EQ(i2c.readSingle(), 0);
  EXPECT_EQ(i2c.valueText, "0x02");

  RegisterDebug general(RegisterPageKind::General, port, notifier);
  general.bus = 2;
  general.registerText = "0x20";
  general.valueText = "0x5a";
  EXPECT_EQ(general.writeSingle(), 0);
  sim.waitForJournal([](const qorsim::JournalEntry& e) { return e.endpoint == "tcp:8070"; });
  general.valueText = "";
  EXPECT_EQ(general.readSingle(), 0);
  EXPECT_EQ(general.valueText, "0x5a");
  sim.withBoard("10.77.0.31", [](qorsim::BoardState& b) {
    EXPECT_EQ(b.registers[qorsim::registerKey(2, 0x42, 0x20)], 0x5a);
    EXPECT_EQ(b.registers.count(qorsim::registerKey(0, 0x42, 0x20)), 0u);
  });
  EXPECT_TRUE(notifier.messages.empty());

  CBoard spi = BoardAt("10.77.0.33");
  BoardMaintenancePort spiPort(spi, LanLink());
  RegisterDebug wide(RegisterPageKind::I2c, spiPort, notifier);
  wide.initialUpdate(7);
  wide.registerText = "0x1234";
  wide.valueText = "0xbeef";
  EXPECT_EQ(wide.writeSingle(), 0);
  sim.waitForJournal([](const qorsim::JournalEntry& e) { return e.board == "10.77.0.33"; });
  wide.valueText = "";
  EXPECT_EQ(wide.readSingle(), 0);
  EXPECT_EQ(wide.valueText, "0xbeef");
}

TEST(DebugLan, SerialBaudAndData) {
  auto sim = TwoBoards();
  sim.start();
  RecordingNotifier notifier;
  CBoard board = BoardAt("10.77.0.31");
  BoardMaintenancePort port(board, LanLink());
  SerialControl page(LanLink(), port, board.AddressText(), notifier);
  EXPECT_EQ(page.refreshBaud(), 9600u);
  EXPECT_EQ(page.baudText, "9600");
  page.baudText = "动态调整";
  EXPECT_EQ(page.applyBaud(), 0);
  ASSERT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
    return e.endpoint == "tcp:4010" && e.bytes.size() > 3 && e.bytes[3] == 0x3C;
  }));
  EXPECT_EQ(page.refreshBaud(), 0u);
  EXPECT_EQ(page.baudText, "动态调整");

  page.pressKey(PtzKey::Up);
  EXPECT_EQ(page.send().status, SendStatus::Sent);
  ASSERT_TRUE(
      sim.waitForJournal([](const qorsim::JournalEntry& e) { return e.endpoint == "tcp:8067"; }));
  sim.withBoard("10.77.0.31", [](qorsim::BoardState& b) {
    ASSERT_EQ(b.serialOut.size(), 1u);
    EXPECT_EQ(b.serialOut[0],
              (std::vector<std::uint8_t>{0xFF, 0xFF, 0x00, 0x08, 0x00, 0x27, 0x2E, 0xFF, 0xFF, 0x00,
                                         0x00, 0x00, 0x00, 0xFF}));
    EXPECT_EQ(qor::getU32(b.lastWrite[0xFA], 16), 9600u);
  });
}
