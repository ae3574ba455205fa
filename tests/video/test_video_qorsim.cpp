// The video pages against simulated boards: the peripheral write seen in the status block, the
// input detection from the front end's registers, customer timings, capture registers and both
// video position pages.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "device/board_link.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "video/video_pages.h"

namespace tav {
namespace {

struct VideoOnQorsim : ::testing::Test {
  qorsim::Simulator sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.21", "type": 1, "video": {"mode": 12, "width": 1920, "height": 1080}},
    {"address": "10.77.0.22", "type": 20, "video": {"mode": 3, "width": 1024, "height": 768}},
    {"address": "10.77.0.23", "type": 4, "versions": {"a": "3.1"}}
  ])"));
  test::RecordingNotifier notifier;
  void SetUp() override { sim.start(); }
  // Writes get no answer: the board may still be taking one when the call returns.
  bool until(int index, const std::function<bool(qorsim::BoardState&)>& done) {
    for (int i = 0; i < 300; ++i) {
      bool ok = false;
      sim.withBoard(index, [&](qorsim::BoardState& b) { ok = done(b); });
      if (ok) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  CBoard board(int index) {
    StatusBlock status{};
    sim.withBoard(index, [&](qorsim::BoardState& b) { status = b.status; });
    return CBoard(status);
  }
};

TEST_F(VideoOnQorsim, PeripheralApplyRefreshAndDetect) {
  CBoard b = board(0);
  BoardChannels channels(b, LanLink());
  PeripheralForm form = MakePeripheralForm(b.deviceType(), {});
  ASSERT_TRUE(RefreshPeripheral(LanLink(), b, form, notifier));
  EXPECT_EQ(form.modeName, "CAPTURE_HDMI_1920x1080_60Hz");
  ASSERT_TRUE(DetectInput(channels, form, notifier));
  EXPECT_NE(form.detectText.find("分辨率为：1920x1080 (1080P)"), std::string::npos);

  form.resolutions.select("1080I");
  ChangeResolution(form, form.resolutions.selected);
  form.frequencies.select("50Hz");
  form.audioText = "HDMI";
  ASSERT_EQ(ApplyPeripheral(LanLink(), channels, b, form, {}, notifier), 0);
  ASSERT_TRUE(until(0, [](auto& s) { return qor::getU16(s.status, 124) == 23; }));
  sim.withBoard(0, [](qorsim::BoardState& s) {
    EXPECT_EQ(qor::getU16(s.status, 124), 23);
    EXPECT_EQ(qor::getU16(s.status, 130), 0x0100);
  });
  PeripheralForm again = MakePeripheralForm(b.deviceType(), {});
  ASSERT_TRUE(RefreshPeripheral(LanLink(), b, again, notifier));
  EXPECT_EQ(again.modeName, "CAPTURE_HDMI50i_1920x1080_50Hz");
  EXPECT_EQ(again.audioText, "HDMI");
  ASSERT_TRUE(DetectInput(channels, again, notifier));
  EXPECT_NE(again.detectText.find("1920x540 (1080I)"), std::string::npos) << again.detectText;

  qorsim::Faults faults;
  faults.refuseTcp = true;
  sim.setFaults(0, faults);
  EXPECT_FALSE(DetectInput(channels, again, notifier));
  EXPECT_EQ(notifier.messages.back().text, "检测失败;错误号 = -1");
}

TEST_F(VideoOnQorsim, CustomerTimingSentBeforeTheRecord) {
  CBoard b = board(1);
  BoardChannels channels(b, LanLink());
  CustomerTable table = ParseCustomerIni(
      "C1.name = Wall\nC1.width = 1600\nC1.height = 900\nC1.freq = 60\nC1.clock = 108000000\n"
      "C1.maxwidth = 1800\nC1.maxheight = 1000\nC1.offsetHori = -4\nC1.offsetVert = 2\n");
  PeripheralForm form = MakePeripheralForm(b.deviceType(), CustomerNames(table));
  ChangeType(form, 5);
  ASSERT_TRUE(form.resolutions.select("Wall"));
  ASSERT_EQ(ApplyPeripheral(LanLink(), channels, b, form, table, notifier), 0);
  ASSERT_TRUE(until(1, [](auto& s) { return qor::getU16(s.status, 124) == 33; }));
  sim.withBoard(1, [](qorsim::BoardState& s) {
    EXPECT_EQ(qor::getU32(s.customerTiming, 0), 1600u);
    EXPECT_EQ(qor::getI16(s.customerTiming, 20), -4);
    EXPECT_EQ(qor::getU16(s.status, 124), 33);
  });
}

TEST_F(VideoOnQorsim, CaptureParameters) {
  CBoard b = board(1);
  BoardChannels channels(b, LanLink());
  CapturePage page(channels, notifier, b.deviceType());
  ASSERT_TRUE(page.refreshCapture());
  EXPECT_EQ(page.fields.lines, 1125);
  page.fields.offsetVert = 0x35;
  page.fields.offsetHori = -300;
  ASSERT_TRUE(page.setVerticalOffset());
  ASSERT_TRUE(page.setHorizontalOffset());
  page.fields.width = 1920;
  ASSERT_TRUE(page.quickSet());
  ASSERT_TRUE(
      until(1, [](auto& s) { return s.registers.count(qorsim::registerKey(0, 0x42, 0x90)); }));
  sim.withBoard(1, [](qorsim::BoardState& s) {
    EXPECT_EQ(s.registers[qorsim::registerKey(0, 0x42, 0x7F)], 0x35);
    EXPECT_EQ(s.registers[qorsim::registerKey(0, 0x42, 0x7C)], 8);
    EXPECT_EQ(s.registers[qorsim::registerKey(0, 0x42, 0x7E)], 0xD4);
  });
  page.fields.width = 1000;
  page.fields.height = 700;
  ASSERT_TRUE(page.setCapture());
  ASSERT_TRUE(until(1, [](auto& s) { return qor::getU32(s.customerTiming, 0) == 1000; }));
  sim.withBoard(1,
                [](qorsim::BoardState& s) { EXPECT_EQ(qor::getU32(s.customerTiming, 0), 1000u); });

  qorsim::Faults faults;
  faults.cutReply = 30;
  sim.setFaults(1, faults);
  EXPECT_FALSE(page.refreshCapture());
  EXPECT_EQ(notifier.messages.back().text, "获取失败 = -1");
}

TEST_F(VideoOnQorsim, PositionPages) {
  CBoard decoder = board(2);
  BoardChannels channels(decoder, LanLink());
  PositionPage page(LanLink(), channels, notifier, decoder);
  ASSERT_TRUE(page.refresh());
  EXPECT_TRUE(page.fields.enabled);
  EXPECT_EQ(page.fields.horizontal, 0);
  page.fields.horizontal = 26;
  page.apply();
  ASSERT_TRUE(until(2, [](auto& s) { return qor::getU16(s.videoPosition, 12) == 1200; }));
  page.fields.address = "1C71C80";
  page.fields.value = "beef";
  ASSERT_TRUE(page.writeRegister());
  ASSERT_TRUE(until(2, [](auto& s) { return s.videoRegisters[0x1C71C80] == 0xBEEF; }));
  // "读" asks by a write and reads at once; after the write above either order gives beef.
  page.fields.value.clear();
  ASSERT_TRUE(page.readRegister());
  EXPECT_EQ(page.fields.value, "beef");
  sim.withBoard(2, [](qorsim::BoardState& s) {
    EXPECT_EQ(qor::getU16(s.videoPosition, 12), 1200);
    EXPECT_EQ(s.videoRegisters[0x1C71C80], 0xBEEFu);
  });

  CBoard encoder = board(0);
  BoardChannels encoderChannels(encoder, LanLink());
  AdvancedPositionPage advanced(encoderChannels, notifier);
  ASSERT_TRUE(advanced.read());
  EXPECT_EQ(advanced.fields.width, 1920);
  ASSERT_TRUE(advanced.clear());
  ASSERT_TRUE(until(0, [](auto& s) { return qor::getI32(s.picturePosition, 0) == -1; }));
  sim.withBoard(0, [](qorsim::BoardState& s) {
    EXPECT_EQ(qor::getI32(s.picturePosition, 0), -1);
    EXPECT_EQ(qor::getI32(s.picturePosition, 8), 0);
  });
}

}  // namespace
}  // namespace tav
