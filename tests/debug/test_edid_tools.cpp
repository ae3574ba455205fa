#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "debug/edid_tools.h"
#include "debug_fakes.h"
#include "edid_fixtures.h"
#include "recording_notifier.h"

using namespace tav;
using tav::test::EdidAnswerText;
using tav::test::FakeLink;
using tav::test::MonitorEdid;
using tav::test::RecordingNotifier;

TEST(EdidFields, OneToSevenCharactersBeforeASemicolon) {
  struct Case {
    const char* answer;
    std::size_t at;
    std::optional<std::string_view> field;
  } cases[] = {
      {"sendedidlock:1;", 13, "1"},
      {"sendedidlock:;", 13, std::nullopt},          // empty
      {"sendedidlock:1234567;", 13, "1234567"},      // seven
      {"sendedidlock:12345678;", 13, std::nullopt},  // eight
      {"sendedidlock:1", 13, std::nullopt},          // no ';'
      {"sendedidlock:", 13, std::nullopt},           // nothing after the word
  };
  for (const Case& c : cases) EXPECT_EQ(AnswerField(c.answer, c.at), c.field) << c.answer;
}

TEST(EdidFields, NumbersAsTheBoardsWriteThem) {
  EXPECT_EQ(DecimalValue("12"), 12);
  EXPECT_EQ(DecimalValue(" -3x"), -3);
  EXPECT_EQ(DecimalValue("abc"), 0);
  EXPECT_EQ(LiteralValue("0xFF"), 255);
  EXPECT_EQ(LiteralValue("0x1f"), 31);
  EXPECT_EQ(LiteralValue("017"), 15);  // C literal: octal
  EXPECT_EQ(LiteralValue("42"), 42);
  EXPECT_EQ(LiteralValue("0xg"), 0);
}

TEST(EdidAnswer, FullAnswerGivesTheBlockAndLowerCaseText) {
  EdidBytes e = MonitorEdid();
  EdidAnswer a = ParseEdidAnswer(EdidAnswerText("sendedidinfo", e), "sendedidinfo");
  ASSERT_TRUE(a.wordMatched);
  EXPECT_TRUE(a.complete());
  EXPECT_EQ(a.bytes, e);
  std::string text = EdidText(a.bytes);
  EXPECT_TRUE(text.starts_with("0x00;0xff;0xff;0xff;0xff;0xff;0xff;0x00;\r\n0x10;0xac;"));
  std::size_t lines = 1;
  for (std::size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos; p += 2) ++lines;
  EXPECT_EQ(lines, 32u);
  EXPECT_FALSE(text.ends_with("\r\n"));
  EXPECT_EQ(text.size(), 256u * 5 + 31 * 2);
}

TEST(EdidAnswer, PartialAndForeignAnswers) {
  EdidBytes e = MonitorEdid();
  EdidAnswer half = ParseEdidAnswer(EdidAnswerText("sendedidinfo", e, 128), "sendedidinfo");
  EXPECT_EQ(half.converted, 128u);
  EXPECT_FALSE(half.complete());
  EXPECT_TRUE(std::equal(e.begin(), e.begin() + 128, half.bytes.begin()));
  EXPECT_TRUE(
      std::all_of(half.bytes.begin() + 128, half.bytes.end(), [](auto b) { return b == 0; }));

  EXPECT_FALSE(
      ParseEdidAnswer(EdidAnswerText("sendperiphedidinfo", e), "sendedidinfo").wordMatched);
  // A value wider than its five characters shifts every later field: reading stops there.
  std::string text = "sendedidinfo0x00;0x1FF;0x00;";
  EdidAnswer odd = ParseEdidAnswer(text, "sendedidinfo");
  EXPECT_EQ(odd.bytes[0], 0);
  EXPECT_EQ(odd.bytes[1], 0xFF);  // low byte of 0x1FF
  EXPECT_EQ(odd.converted, 2u);
}

TEST(EdidDecode, MonitorBlock) {
  EdidSummary s = DecodeEdid(MonitorEdid());
  EXPECT_TRUE(s.headerValid);
  EXPECT_EQ(s.manufacturer, "DEL");
  EXPECT_EQ(s.productCode, 0xA06D);
  EXPECT_EQ(s.serialNumber, 0x4C4E3553u);
  EXPECT_EQ(s.week, 13);
  EXPECT_EQ(s.year, 2018);
  EXPECT_EQ(s.version, 1);
  EXPECT_EQ(s.revision, 3);
  EXPECT_EQ(s.monitorName, "DELL U2418H");
  EXPECT_EQ(s.serialText, "CFV9N88QL53S");
  ASSERT_TRUE(s.preferred);
  EdidTiming want{148500, 1920, 280, 88, 44, 1080, 45, 4, 5, false, true, true};
  EXPECT_EQ(*s.preferred, want);
  EXPECT_EQ(TimingText(*s.preferred), "1920x1080p 60.00 Hz, 148.50 MHz");
  EXPECT_TRUE(s.baseChecksumValid);
  ASSERT_TRUE(s.extensionChecksumValid);
  EXPECT_TRUE(*s.extensionChecksumValid);
  ASSERT_EQ(s.ctaTimings.size(), 1u);
  EXPECT_EQ(TimingText(s.ctaTimings[0]), "1280x720p 60.00 Hz, 74.25 MHz");
  std::string text = EdidSummaryText(s);
  EXPECT_NE(text.find("厂商：DEL"), std::string::npos);
  EXPECT_NE(text.find("生产日期：2018年第13周"), std::string::npos);
  EXPECT_NE(text.find("校验和：基本块正确"), std::string::npos);
}

TEST(EdidDecode, BadChecksumAndJunkAreSaidPlainly) {
  EdidBytes e = MonitorEdid();
  e[20] ^= 1;
  EdidSummary s = DecodeEdid(e);
  EXPECT_FALSE(s.baseChecksumValid);
  EXPECT_NE(EdidSummaryText(s).find("校验和错误"), std::string::npos);

  EdidBytes zero{};
  EdidSummary z = DecodeEdid(zero);
  EXPECT_FALSE(z.headerValid);
  EXPECT_FALSE(z.preferred);
  EXPECT_EQ(z.manufacturer, "???");
  EXPECT_TRUE(z.baseChecksumValid);  // all zero sums to zero, but the header says it is no EDID
  EXPECT_NE(EdidSummaryText(z).find("EDID头无效"), std::string::npos);

  e = MonitorEdid();
  e[104] = 0x07;  // a control character in the monitor name
  EXPECT_EQ(DecodeEdid(e).monitorName, "DELL U241?H");
}

// With Debian's edid-decode installed, the summary agrees with it on the same bytes.
TEST(EdidDecode, AgreesWithEdidDecode) {
  if (std::system("command -v edid-decode >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "edid-decode not installed (scripts/setup installs it)";
  EdidBytes e = MonitorEdid();
  std::string path = testing::TempDir() + "/monitor.edid";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(e.data()), 256);
  std::string command = "edid-decode " + path + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buf[512];
  while (std::fgets(buf, sizeof buf, pipe)) out += buf;
  pclose(pipe);
  EXPECT_NE(out.find("Manufacturer: DEL"), std::string::npos) << out;
  EXPECT_NE(out.find("Model: 41069"), std::string::npos) << out;  // 0xA06D
  EXPECT_NE(out.find("Made in: week 13 of 2018"), std::string::npos) << out;
  EXPECT_NE(out.find("Display Product Name: 'DELL U2418H'"), std::string::npos) << out;
  EXPECT_NE(out.find("1920x1080   60.000"), std::string::npos) << out;
  EXPECT_NE(out.find("1280x720    60.000"), std::string::npos) << out;
  EXPECT_EQ(
      out.find("Checksum: 0x") != std::string::npos && out.find("(should be") != std::string::npos,
      false)
      << out;
}

namespace {

struct EdidPage : testing::Test {
  FakeLink link;
  RecordingNotifier notifier;
  EdidTool tool{link, "10.77.0.20", notifier};
  std::vector<std::string> shown() const {
    std::vector<std::string> out;
    for (auto& m : notifier.messages) out.push_back(m.text);
    return out;
  }
};

}  // namespace

TEST_F(EdidPage, LockStateSetsTheCaption) {
  EXPECT_EQ(tool.lockCaption(), "锁定EDID");
  link.answers = {{0, "sendedidlock:1;"}};
  EXPECT_EQ(tool.readLockState().status, EdidStatus::Done);
  EXPECT_EQ(tool.lockCaption(), "解锁EDID");
  ASSERT_EQ(link.gets.size(), 1u);
  EXPECT_EQ(link.gets[0].type, 268);
  EXPECT_EQ(link.gets[0].text(), "getedidlock;");
  EXPECT_EQ(link.gets[0].address, "10.77.0.20");
  link.answers = {{0, "sendedidlock:0;"}};
  tool.readLockState();
  EXPECT_EQ(tool.lockCaption(), "锁定EDID");
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(EdidPage, LockStateFailuresKeepTheCaption) {
  link.answers = {{0, "sendedidlock:1;"}, {0, "sendedidlock:;"}, {0, "hello;"}, {15, ""}};
  tool.readLockState();
  EXPECT_EQ(tool.readLockState().status, EdidStatus::UnknownData);
  EXPECT_EQ(tool.readLockState().status, EdidStatus::UnknownCommand);
  EXPECT_EQ(tool.readLockState().status, EdidStatus::ExchangeFailed);
  EXPECT_EQ(tool.lockCaption(), "解锁EDID");
  EXPECT_EQ(shown(), (std::vector<std::string>{"获取EDID状态失败；未知接收数据！",
                                               "获取EDID状态失败；未知接收命令！",
                                               "获取EDID状态失败；错误号=15！"}));
}

TEST_F(EdidPage, ToggleSendsTheOppositeCommandThenRereads) {
  link.answers = {{0, "sendedidlock:0;"}, {0, "sendedidlock:1;"}};
  tool.readLockState();
  tool.toggleLock();
  ASSERT_EQ(link.sets.size(), 1u);
  EXPECT_EQ(link.sets[0].type, 19);
  EXPECT_EQ(link.sets[0].bytes,
            (std::vector<std::uint8_t>{'l', 'o', 'c', 'k', 'e', 'd', 'i', 'd', ':', ';', 0}));
  EXPECT_EQ(tool.lockCaption(), "解锁EDID");
  link.setResult = 12;
  EXPECT_EQ(tool.toggleLock().status, EdidStatus::ExchangeFailed);
  EXPECT_EQ(link.sets.back().text().substr(0, 12), std::string("unlockedid:;"));
  EXPECT_EQ(shown(), std::vector<std::string>{"解锁EDID失败；错误号=12！"});
  EXPECT_EQ(link.gets.size(), 2u) << "no re-read after a failed send";
}

TEST_F(EdidPage, ClearAndCopyCodes) {
  struct Case {
    bool copy;
    FakeLink::Answer answer;
    EdidStatus status;
    const char* message;
  } cases[] = {
      {false, {0, "sendediderror:3;"}, EdidStatus::BoardRefused, "清空EDID失败！"},
      {false, {0, "sendediderror:0;"}, EdidStatus::Done, "设置成功！"},
      {false, {0, "sendediderror:;"}, EdidStatus::UnknownData, ""},
      {false, {0, "sendedidlock:0;"}, EdidStatus::UnknownCommand, "清空EDID失败；未知接收命令！"},
      {false, {15, ""}, EdidStatus::ExchangeFailed, "清空EDID失败！错误号=15"},
      {true, {0, "sendediderror:1;"}, EdidStatus::BoardRefused, "读取外设EDID失败！"},
      {true, {0, "sendediderror:2;"}, EdidStatus::BoardRefused, "写入EDID失败！"},
      {true, {0, "sendediderror:3;"}, EdidStatus::Done, "设置成功！"},
      {true, {0, "x"}, EdidStatus::UnknownCommand, "设置失败；未知接收命令！"},
      {true, {13, ""}, EdidStatus::ExchangeFailed, "设置失败！错误号=13"},
  };
  for (const Case& c : cases) {
    link.gets.clear();
    notifier.messages.clear();
    link.answers = {c.answer, {0, "sendedidlock:1;"}};
    EdidOutcome o = c.copy ? tool.copyMonitor() : tool.clear();
    EXPECT_EQ(o.status, c.status) << c.answer.text;
    EXPECT_EQ(o.message, c.message);
    ASSERT_EQ(link.gets.size(), 2u) << "the lock state is read again in every case";
    EXPECT_EQ(link.gets[0].text(), c.copy ? "setperiphedid:;" : "clearedid:;");
    EXPECT_EQ(link.gets[1].text(), "getedidlock;");
    EXPECT_EQ(tool.lockCaption(), "解锁EDID");
  }
}

TEST_F(EdidPage, ReadsFillTextAndSummary) {
  EdidBytes e = MonitorEdid();
  link.answers = {{0, EdidAnswerText("sendperiphedidinfo", e)}};
  EXPECT_EQ(tool.readMonitorEdid().status, EdidStatus::Done);
  EXPECT_EQ(link.gets[0].text(), "getperiphedidinfo;");
  EXPECT_EQ(tool.edidText(), EdidText(e));
  EXPECT_NE(tool.summaryText().find("显示器名称：DELL U2418H"), std::string::npos);
  EXPECT_TRUE(notifier.messages.empty());

  // 128 values: the first half shown, zeros after, and the message.
  link.answers = {{0, EdidAnswerText("sendedidinfo", e, 128)}};
  EXPECT_EQ(tool.readBoardEdid().status, EdidStatus::UnknownData);
  EXPECT_EQ(link.gets[1].text(), "getedidinfo;");
  EXPECT_EQ(shown(), std::vector<std::string>{"获取失败；未知接收数据！"});
  EXPECT_TRUE(tool.edidText().ends_with("0x00;0x00;"));
  EXPECT_NE(tool.summaryText().find("EDID不完整"), std::string::npos);

  // Failures leave the text alone.
  std::string before = tool.edidText();
  link.answers = {{0, EdidAnswerText("sendperiphedidinfo", e)}, {15, ""}};
  EXPECT_EQ(tool.readBoardEdid().status, EdidStatus::UnknownCommand);
  EXPECT_EQ(tool.readBoardEdid().status, EdidStatus::ExchangeFailed);
  EXPECT_EQ(tool.edidText(), before);
  EXPECT_EQ(notifier.messages.back().text, "获取失败！错误号=15");
}
