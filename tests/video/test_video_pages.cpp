// The video pages' actions against a fake board: what goes out, what is said.
#include <gtest/gtest.h>

#include "fake_video_board.h"
#include "recording_notifier.h"
#include "video/video_pages.h"

namespace tav {
namespace {

using test::FakeVideoBoard;
using test::RecordingNotifier;

struct PageTest : ::testing::Test {
  FakeVideoBoard fake;
  RecordingNotifier notifier;
  CBoard board;
  void setType(int type, int code = 3, int w = 1024, int h = 768) {
    qor::putU32(fake.status, 68, type);
    StorePeripheral(fake.status, {static_cast<std::uint16_t>(code), static_cast<std::uint16_t>(w),
                                  static_cast<std::uint16_t>(h), 0x0080, 44100});
  }
};

TEST_F(PageTest, PeripheralRefreshAndApply) {
  setType(1, 12, 1920, 1080);
  PeripheralForm form = MakePeripheralForm(0, {});
  ASSERT_TRUE(RefreshPeripheral(fake, board, form, notifier));
  EXPECT_EQ(form.modeName, "CAPTURE_HDMI_1920x1080_60Hz");
  EXPECT_EQ(form.audioText, "STEREO");
  EXPECT_EQ(notifier.logLines.back(), "外设：获取设备状态成功。");

  form.resolutions.select("1080I");
  ChangeResolution(form, form.resolutions.selected);
  form.frequencies.select("50Hz");
  form.audioText = "Stereo";
  EXPECT_EQ(ApplyPeripheral(fake, fake, board, form, {}, notifier), 0);
  ASSERT_EQ(fake.configWrites.size(), 1u);
  EXPECT_EQ(fake.configWrites[0].type, 7);
  const auto& r = fake.configWrites[0].record;
  EXPECT_EQ(qor::getU16(r, 4), 23);
  EXPECT_EQ(qor::getU16(r, 6), 1920);
  EXPECT_EQ(qor::getU16(r, 10), 0);  // case-sensitive audio text
  EXPECT_EQ(qor::getU32(r, 12), 44100u);
  EXPECT_EQ(board.videoMode(), 23);
  EXPECT_EQ(notifier.messages.back().text, "外设配置成功。");
}

TEST_F(PageTest, PeripheralFailures) {
  fake.statusResult = 15;
  PeripheralForm form = MakePeripheralForm(4, {});
  EXPECT_FALSE(RefreshPeripheral(fake, board, form, notifier));
  EXPECT_EQ(notifier.messages.back().text, "获取设备状态失败。");

  setType(4, 131);
  board = CBoard(fake.status);
  fake.setResult = 13;
  EXPECT_EQ(ApplyPeripheral(fake, fake, board, form, {}, notifier), 13);
  EXPECT_EQ(fake.configWrites.at(0).type, 8);
  EXPECT_EQ(notifier.messages.back().text, "外设配置失败。");
  EXPECT_EQ(board.videoMode(), 131);  // the status copy changes only on success
}

TEST_F(PageTest, CustomerEntryGoesFirst) {
  setType(1);
  board = CBoard(fake.status);
  CustomerTable table;
  table.entries.push_back({"WideScreen", {1600, 900, 60, 108000000, 1800, 1000, 0, 0}});
  PeripheralForm form = MakePeripheralForm(1, CustomerNames(table));
  ChangeType(form, 5);
  form.resolutions.select("WideScreen");
  fake.writeRecord36Result = -3;
  EXPECT_EQ(ApplyPeripheral(fake, fake, board, form, table, notifier), 0);
  ASSERT_EQ(fake.written36.size(), 1u);
  EXPECT_EQ(qor::getU32(fake.written36[0], 0), 1600u);
  EXPECT_EQ(notifier.messages.at(0).text, "set customer setting failed[-3]!");
  EXPECT_EQ(qor::getU16(fake.configWrites.at(0).record, 4), 33);
  // The provider entry sends no timing.
  form.resolutions.selected = 0;
  ApplyPeripheral(fake, fake, board, form, table, notifier);
  EXPECT_EQ(fake.written36.size(), 1u);
}

TEST_F(PageTest, DetectFallsBackToAltPortAndReadsHdmi) {
  PeripheralForm form = MakePeripheralForm(1, {});
  ChangeType(form, 1);
  fake.registers[{0x42, 0xB1}] = 0x0D;
  fake.registers[{0x42, 0xB2}] = 0x42;
  fake.registers[{0x42, 0xB3}] = 0x04;
  fake.registers[{0x42, 0xB4}] = 0x65;
  fake.registers[{0x6A, 0x07}] = 0x07;
  fake.registers[{0x6A, 0x08}] = 0x80;
  fake.registers[{0x6A, 0x09}] = 0x04;
  fake.registers[{0x6A, 0x0A}] = 0x38;
  fake.exchangeResult = -1;
  ASSERT_TRUE(DetectInput(fake, form, notifier));
  EXPECT_EQ(form.detectText, "频率: 60.00 Hz\n分辨率为：1920x1080 (1080P)");
  fake.exchangeAltResult = -4;
  EXPECT_FALSE(DetectInput(fake, form, notifier));
  EXPECT_EQ(notifier.messages.back().text, "检测失败;错误号 = -4");
  EXPECT_TRUE(form.detectText.empty());
}

TEST(CaptureWrites, RegisterComputations) {
  EXPECT_EQ(HorizontalOffsetWrites(-300), (std::vector<RegisterWrite>{{0x7C, 8}, {0x7E, 0xD4}}));
  EXPECT_EQ(HorizontalOffsetWrites(-256)[0].value, 12);
  EXPECT_EQ(HorizontalOffsetWrites(255)[0].value, 0);
  EXPECT_EQ(HorizontalOffsetWrites(256)[0].value, 4);
  EXPECT_EQ(ClockWrites(1344, 65000000), (std::vector<RegisterWrite>{{0x8F, 0x02}, {0x90, 0x50}}));
  EXPECT_FALSE(ClockWrites(1344, 27000000));
  EXPECT_FALSE(ClockWrites(320, 65000000));
  EXPECT_EQ(MaxWidthWrites(1344), (std::vector<RegisterWrite>{{0x87, 0xE5}, {0x88, 0x40}}));
  EXPECT_FALSE(MaxWidthWrites(320));
  EXPECT_EQ(MaxHeightWrites(1125), (std::vector<RegisterWrite>{{0xAB, 0x46}, {0xAC, 0x50}}));
  EXPECT_FALSE(MaxHeightWrites(240));
  EXPECT_EQ(SnapRate(480.15), 480);
  EXPECT_EQ(SnapRate(59.4), 60);
  EXPECT_EQ(SnapRate(46.4), 46);
  EXPECT_EQ(SnapRate(76.6), 75);
}

TEST_F(PageTest, CaptureButtonsUseTheBoardsPort) {
  CapturePage page(fake, notifier, 20);
  page.fields.offsetVert = 0x1A5;
  ASSERT_TRUE(page.setVerticalOffset());
  ASSERT_EQ(fake.posts.size(), 1u);
  EXPECT_TRUE(fake.posts[0].alt);
  EXPECT_EQ(fake.posts[0].writes, (std::vector<RegisterWrite>{{0x7F, 0xA5}}));
  CapturePage other(fake, notifier, 1);
  other.fields.offsetVert = 7;
  ASSERT_TRUE(other.setVerticalOffset());
  EXPECT_EQ(fake.setBytes.at(0).first, 0x42);
  EXPECT_EQ(fake.setBytes.at(0).second, (RegisterWrite{0x7F, 7}));
  other.fields.maxWidth = 100;
  EXPECT_FALSE(other.setMaxWidth());
  EXPECT_EQ(notifier.messages.back().text, "请输入正确参数");
  other.fields.maxWidth = 1344;
  fake.postResult = -1;
  EXPECT_FALSE(other.setMaxWidth());
  EXPECT_EQ(notifier.messages.back().text, "设置失败！！");
}

TEST_F(PageTest, CaptureRefreshAndSet) {
  CustomerTiming t{1920, 1080, 60, 148500000, 2200, 1125, -5, 9, 2, 3394, 5, 1125, 1125};
  auto bytes = EncodeCustomerTiming(t);
  qor::putU32(bytes, 24, 2);
  qor::putU16(bytes, 28, 3394);
  qor::putU16(bytes, 32, 1125);
  fake.record36 = bytes;
  CapturePage page(fake, notifier, 1);
  ASSERT_TRUE(page.refreshCapture());
  EXPECT_EQ(page.fields.info, "Input freq: 60.00 Hz");
  EXPECT_EQ(page.fields.offsetHori, -5);
  EXPECT_EQ(page.fields.type, 2);
  ASSERT_TRUE(page.setCapture());
  EXPECT_EQ(qor::getU32(fake.written36.at(0), 24), 0u);  // measurements not sent back
  EXPECT_EQ(qor::getI16(fake.written36.at(0), 20), -5);
  fake.record36Result = -5;
  EXPECT_FALSE(page.refreshCapture());
  EXPECT_EQ(notifier.messages.back().text, "获取失败 = -5");
  EXPECT_EQ(page.fields.width, 1920);  // fields keep their values
}

TEST_F(PageTest, QuickSet) {
  CapturePage page(fake, notifier, 1);
  page.fields.lines = 9000;
  page.fields.blockLength = 53;
  page.fields.width = 1024;
  page.fields.maxWidth = 1024;
  notifier.answers = {true};
  page.quickSet();
  EXPECT_EQ(page.fields.rate, 480);
  EXPECT_EQ(page.fields.maxHeight, 9000);
  EXPECT_EQ(page.fields.maxWidth, 1216);
  ASSERT_EQ(notifier.questions.size(), 1u);
  EXPECT_EQ(notifier.questions[0],
            "最大W(maxW)取值应与输入信号的长匹配(1024-2048)，\n\r是否根据输入信号的长设置？");
  // trunc(480.15 x 8) x 9000 x 1216 / 8 is beyond the field: it saturates instead of wrapping.
  EXPECT_EQ(page.fields.clock, 2147483647);
  ASSERT_EQ(fake.posts.size(), 3u);  // H, W, C
  EXPECT_EQ(fake.posts[0].writes[0].reg, 0xAB);
  EXPECT_EQ(fake.posts[1].writes[0].reg, 0x87);
  EXPECT_EQ(fake.posts[2].writes[0].reg, 0x8F);

  // No input: the record is read first, then the page gives up.
  CapturePage empty(fake, notifier, 1);
  EXPECT_FALSE(empty.quickSet());
  EXPECT_EQ(notifier.messages.back().text, "输入信号参数不正确，No input?");

  // A small maximum width without a clock: asks for the width first.
  CapturePage small(fake, notifier, 1);
  small.fields.lines = 1125;
  small.fields.blockLength = 3394;
  small.fields.width = 100;
  small.fields.maxWidth = 200;
  EXPECT_FALSE(small.quickSet());
  EXPECT_EQ(small.fields.rate, 60);
  EXPECT_EQ(notifier.messages.back().text, "请先修改最大W(maxW)，再进行操作！");
  // A huge line count gives no rate; nothing is divided by zero.
  small.fields.lines = 30000000;
  small.fields.clock = 30000000;
  small.quickSet();
}

TEST_F(PageTest, PositionPageRules) {
  qor::putU32(fake.status, 68, 4);
  qor::putI16(fake.status, 80, 3);
  fake.position = {720, 576, 1, 2, 1200, 14, 3, 4, 0, 0};
  PositionPage page(fake, fake, notifier, board);
  ASSERT_TRUE(page.refresh());
  EXPECT_EQ(notifier.logLines.back(), "视频位置：获取设备状态成功。");
  EXPECT_EQ(page.fields.horizontal, 26);
  EXPECT_TRUE(page.fields.positionEnabled);
  page.apply();
  const VideoPosition& w = fake.writtenPositions.at(0);
  EXPECT_EQ(w.horizontalPosition, 1200);
  EXPECT_EQ(w.registerAddress, 0xFFFFFFFFu);
  EXPECT_EQ(w.registerValue, -1);
  EXPECT_EQ(notifier.messages.back().text, "视频位置设置成功。");

  for (auto [text, ok] : {std::pair{"1C71C00", true},
                          {"0x1c71f80", true},
                          {"1C71BFF", false},
                          {"1C71F81", false},
                          {"zz", false}}) {
    page.fields.address = text;
    EXPECT_EQ(page.writeRegister(), ok) << text;
  }
  EXPECT_EQ(notifier.messages.back().text,
            "寄存器地址不合法。\n最小值：0x1C71C00\n最大值：0x1C71F80");
  page.fields.address = "1c71c80";
  fake.position.registerValue = 0xABCD;
  ASSERT_TRUE(page.readRegister());
  EXPECT_EQ(page.fields.value, "abcd");
  EXPECT_EQ(fake.writtenPositions.back(), RegisterAccess(0x1C71C80, -1));

  // Encoder kind: the size comes from the status block.
  setType(1, 12, 1920, 1080);
  ASSERT_TRUE(page.refresh());
  EXPECT_EQ(page.fields.width, 1920);
  EXPECT_FALSE(page.fields.positionEnabled);
  EXPECT_TRUE(page.fields.coordinatesEnabled);
  // Type 2: everything disabled.
  setType(2);
  ASSERT_TRUE(page.refresh());
  EXPECT_FALSE(page.fields.enabled);
}

TEST_F(PageTest, AdvancedPositionClear) {
  AdvancedPositionPage page(fake, notifier);
  qor::putU32(fake.record16, 8, 1920);
  ASSERT_TRUE(page.read());
  EXPECT_EQ(page.fields.width, 1920);
  ASSERT_TRUE(page.clear());
  EXPECT_EQ(DecodePicturePosition(fake.written16.at(0)), (PicturePosition{-1, -1, 0, 0}));
  EXPECT_EQ(page.fields.width, 1920);
  fake.record16Result = -1;
  EXPECT_FALSE(page.read());
  EXPECT_EQ(notifier.messages.back().text, "读取失败 = -1");
}

}  // namespace
}  // namespace tav
