#include <gtest/gtest.h>

#include "debug/serial_control.h"
#include "debug_fakes.h"
#include "le_bytes.h"
#include "pages/field_text.h"
#include "recording_notifier.h"

using namespace tav;
using tav::test::FakeLink;
using tav::test::FakePort;
using tav::test::RecordingNotifier;
using B = std::vector<std::uint8_t>;

TEST(SerialText, Conversion) {
  struct Case {
    const char* text;
    B bytes;
  } cases[] = {
      {"ff-01-00-07-00-48-50", {0xff, 0x01, 0x00, 0x07, 0x00, 0x48, 0x50}},
      {"FF-01-00-07-00-48-50", {0xff, 0x01, 0x00, 0x07, 0x00, 0x48, 0x50}},
      {"f", {}},
      {"", {}},
      {"ff", {0xff}},
      {"ff-", {0xff}},
      {"ff-0", {0xff, 0x00}},  // the missing digit counts as 0
      {"ff-1", {0xff, 0x10}},
      {"zz 12", {0x00, 0x12}},  // other characters are digit 0; separators unchecked
  };
  for (const Case& c : cases) EXPECT_EQ(ConvertSendText(c.text), c.bytes) << c.text;
  EXPECT_EQ(SendText(B{0xff, 0x0a}), "ff-0a");
}

TEST(SerialText, BaudTexts) {
  EXPECT_EQ(BaudText(0), "动态调整");
  EXPECT_EQ(BaudText(115200), "115200");
  EXPECT_EQ(BaudFromText("动态调整"), 0u);
  EXPECT_EQ(BaudFromText("4800"), 4800u);
  EXPECT_EQ(RecordBaud("动态调整"), 9600u);
  EXPECT_EQ(RecordBaud("abc"), 9600u);
  EXPECT_EQ(RecordBaud("4800"), 4800u);
  EXPECT_EQ(kBaudChoices.front(), "动态调整");
  EXPECT_EQ(kBaudChoices.back(), "115200");
  EXPECT_FALSE(BaudProblem("动态调整"));
  EXPECT_FALSE(BaudProblem("4800"));
  EXPECT_TRUE(BaudProblem("fast"));
  EXPECT_TRUE(BaudProblem("0x2580"));  // the rate is read as decimal only
  EXPECT_EQ(BaudProblem("99999999999"), tav::OutOfRangeText("串口波特率", {0, 4294967295}));
}

TEST(SerialText, RecordLayout) {
  auto r = SerialRecord(B{1, 2, 3}, 4800);
  EXPECT_EQ(r.size(), 1052u);
  EXPECT_EQ(qor::getU32(r, 0), 1052u);
  EXPECT_EQ(qor::getU32(r, 4), 3u);
  EXPECT_EQ(qor::getU32(r, 8), 0u);
  EXPECT_EQ(qor::getU32(r, 12), 0u);
  EXPECT_EQ(qor::getU32(r, 16), 4800u);
  EXPECT_EQ(r[20], 1);
  EXPECT_EQ(r[22], 3);
  EXPECT_EQ(r[23], 0);
  auto full = SerialRecord(B(2000, 0xAB), 9600);
  EXPECT_EQ(qor::getU32(full, 4), 1032u);
  EXPECT_EQ(full.back(), 0xAB);
}

TEST(SerialText, KeypadTextsArePelcoDFrames) {
  for (const PtzKeyInfo& k : PtzKeys()) EXPECT_EQ(PtzText(k.key), k.text) << k.name;
  EXPECT_EQ(PtzText(PtzKey::Left, 0x3F), "ff-ff-00-04-3f-00-42-ff-ff-00-00-00-00-ff");
  EXPECT_EQ(PtzText(PtzKey::ZoomIn, 0x3F), PtzKeyOf(PtzKey::ZoomIn).text) << "no speed in zoom";
  // The initial text: camera 1, go to preset 0x48.
  auto preset = PelcoFrame(0x01, 0x00, 0x07, 0x00, 0x48);
  EXPECT_EQ(SendText(preset), kInitialSendText);
}

namespace {
struct SerialPage : testing::Test {
  FakeLink link;
  FakePort port;
  RecordingNotifier notifier;
  SerialControl page{link, port, "10.77.0.20", notifier};
};
}  // namespace

TEST_F(SerialPage, UpThenSendGivesFourteenBytes) {
  page.baudText = "4800";
  page.pressKey(PtzKey::Up);
  SendOutcome o = page.send();
  EXPECT_EQ(o.status, SendStatus::Sent);
  ASSERT_EQ(link.sets.size(), 1u);
  EXPECT_EQ(link.sets[0].type, 14);
  EXPECT_EQ(link.sets[0].address, "10.77.0.20");
  const B& r = link.sets[0].bytes;
  ASSERT_EQ(r.size(), 1052u);
  EXPECT_EQ(qor::getU32(r, 4), 14u);
  EXPECT_EQ(qor::getU32(r, 16), 4800u);
  EXPECT_EQ(B(r.begin() + 20, r.begin() + 34), (B{0xFF, 0xFF, 0x00, 0x08, 0x00, 0x27, 0x2E, 0xFF,
                                                  0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF}));
  EXPECT_TRUE(notifier.messages.empty()) << "success shows nothing";
}

TEST_F(SerialPage, AutomaticBaudIsNineSixHundredInTheRecordAndZeroWritten) {
  port.baud = 0;
  page.refreshBaud();
  EXPECT_EQ(page.baudText, "动态调整");
  page.send();
  EXPECT_EQ(qor::getU32(link.sets[0].bytes, 16), 9600u);
  EXPECT_EQ(page.applyBaud(), 0);
  EXPECT_EQ(port.written, std::vector<std::uint32_t>{0});
  EXPECT_EQ(notifier.messages.back().text, "外设配置成功。");
  EXPECT_EQ(notifier.logLines.back(), "外设配置成功。");

  port.writeResult = 1;
  page.baudText = "4800";
  EXPECT_EQ(page.applyBaud(), 1);
  EXPECT_EQ(port.written.back(), 4800u);
  ASSERT_GE(notifier.messages.size(), 2u);
  EXPECT_EQ(notifier.messages[notifier.messages.size() - 2].text, "CONNECT FAILED!");
  EXPECT_EQ(notifier.messages.back().text, "外设配置失败。");
  EXPECT_EQ(notifier.messages.back().icon, NoticeIcon::Error);
}

TEST_F(SerialPage, NothingRefusedAndFailed) {
  page.sendText = "f";
  EXPECT_EQ(page.send().status, SendStatus::Nothing);
  EXPECT_TRUE(link.sets.empty());
  EXPECT_TRUE(notifier.messages.empty());

  page.sendText = std::string(256, 'f');
  EXPECT_EQ(page.send().status, SendStatus::Refused);
  EXPECT_TRUE(link.sets.empty());
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_NE(notifier.messages[0].text.find("255"), std::string::npos);

  page.sendText = std::string(255, 'f');
  EXPECT_EQ(page.send().status, SendStatus::Sent);
  EXPECT_EQ(qor::getU32(link.sets[0].bytes, 4), 85u);

  link.setResult = 15;
  page.sendText = std::string(kInitialSendText);
  SendOutcome o = page.send();
  EXPECT_EQ(o.status, SendStatus::Failed);
  EXPECT_EQ(o.result, 15);
  EXPECT_EQ(notifier.messages.back().text, "发送串口数据失败!(15)");
}
