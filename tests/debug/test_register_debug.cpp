#include <gtest/gtest.h>

#include "debug/register_debug.h"
#include "debug_fakes.h"
#include "le_bytes.h"
#include "recording_notifier.h"

using namespace tav;
using tav::test::FakePort;
using tav::test::RecordingNotifier;

TEST(RegisterNumbers, HexAfterPrefixElseDecimal) {
  struct Case {
    const char* text;
    std::uint32_t value;
  } cases[] = {
      {"66", 0x42},     {"0x42", 0x42}, {"0X42", 0},  // only lower-case "0x" is the prefix
      {"0xAbC", 0xABC}, {"0x4g", 0x40},               // any other character is digit 0
      {"0x", 0},        {"", 0},        {"  12ab", 12}, {"abc", 0}, {"+7", 7},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseNumber(c.text), c.value) << c.text;
  EXPECT_EQ(NumberText(0x42, false), "0x42");
  EXPECT_EQ(NumberText(0x1234, true), "0x1234");
  EXPECT_EQ(NumberText(5, true), "0x0005");
}

// Only texts ParseNumber reads in full and that fit the field pass; the rest would be cut or
// misread (" 0x10" reads as decimal 0, "0x10 " as 0x100).
TEST(RegisterNumbers, FieldChecksRefuseWhatWouldBeCutOrMisread) {
  struct Case {
    const char* text;
    std::uint32_t max;
    bool ok;
  } cases[] = {
      {"66", 0xFF, true},
      {"0x42", 0xFF, true},
      {" 12 ", 0xFF, true},
      {"0xff", 0xFF, true},
      {"0x100", 0xFF, false},
      {"256", 0xFF, false},
      {"0x1234", 0xFFFF, true},
      {"0x10 ", 0xFF, false},
      {" 0x10", 0xFF, false},
      {"0X10", 0xFF, false},
      {"", 0xFF, false},
      {"0x", 0xFF, false},
      {"12ab", 0xFF, false},
      {"-1", 0xFF, false},
      {"0x00000000000000ff", 0xFF, true},
      {"99999999999999999999", 0xFF, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(!NumberFieldProblem("寄存器", c.text, c.max), c.ok) << c.text;
  auto problem = NumberFieldProblem("寄存器值", "0x1ff", 0xFF);
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->rfind("寄存器值: \"0x1ff\"", 0), 0u) << *problem;
  EXPECT_NE(problem->find("0xff"), std::string::npos);

  EXPECT_FALSE(RegisterListProblem("0x10,0x01\r\n0x11,0x02\r\n"));
  EXPECT_FALSE(RegisterListProblem("no comma here\r\n,skipped\r\n"));  // skipped lines
  auto line = RegisterListProblem("0x10,0x01\n0x11,0x02\n0x12, 0x03\n");
  ASSERT_TRUE(line);
  EXPECT_NE(line->find("第3行的寄存器值"), std::string::npos) << *line;
}

TEST(RegisterList, ParsingAndRewriting) {
  using P = std::vector<RegisterPair>;
  EXPECT_EQ(ParseRegisterList("0x10,0x01\r\n0x11,0x02\r\n"), (P{{0x10, 0x01}, {0x11, 0x02}}));
  EXPECT_EQ(RegisterListText(P{{0x10, 0x01}, {0x11, 0x02}}), "0x10,0x01\r\n0x11,0x02\r\n");
  EXPECT_EQ(ParseRegisterList("16,1"), (P{{0x10, 0x01}}));  // last line without a break
  EXPECT_TRUE(ParseRegisterList("0x10 0x01\r\n0x11 0x02\r\n").empty());  // no ','
  EXPECT_TRUE(ParseRegisterList(",5\r\n").empty());
  // Lone LF and lone CR end a line without eating the next line's first character.
  EXPECT_EQ(ParseRegisterList("0x10,1\n0x11,2\r0x12,3"), (P{{0x10, 1}, {0x11, 2}, {0x12, 3}}));
  EXPECT_EQ(ParseRegisterList("\r\n\r\n1,2\r\n\r\n"), (P{{1, 2}}));
  EXPECT_EQ(ParseRegisterList("0x1ff,0x102"), (P{{0xff, 0x02}}));  // bytes in the block

  std::string many;
  for (int i = 0; i < 300; ++i) many += std::to_string(i % 256) + ",1\r\n";
  EXPECT_EQ(ParseRegisterList(many).size(), 256u);
}

TEST(RegisterList, BlocksAndAnswers) {
  RegisterBlock b = WriteBlock(0x42, 2, {{0x10, 1}, {0x11, 2}});
  EXPECT_EQ(qor::getU32(b, 0), 524u);
  EXPECT_EQ(qor::getU16(b, 4), 0x42);
  EXPECT_EQ(qor::getU16(b, 6), 2);
  EXPECT_EQ(qor::getU16(b, 10), 2);
  EXPECT_EQ(b[12], 0x10);
  EXPECT_EQ(b[13], 0x11);
  EXPECT_EQ(b[268], 1);
  EXPECT_EQ(b[269], 2);
  EXPECT_EQ(qor::getU16(ReadAllBlock(0x42, 0), 6), 256);
  qor::putU16(b, 6, 9999);  // a board's count beyond the block
  EXPECT_EQ(BlockPairs(b).size(), 256u);
}

namespace {
struct RegisterPage : testing::Test {
  FakePort port;
  RecordingNotifier notifier;
  std::vector<std::string> shown() const {
    std::vector<std::string> out;
    for (auto& m : notifier.messages) out.push_back(m.text);
    return out;
  }
};
}  // namespace

TEST_F(RegisterPage, SingleReadAndWriteOnTheI2cPage) {
  RegisterDebug page(RegisterPageKind::I2c, port, notifier);
  page.initialUpdate(1);
  EXPECT_TRUE(page.deviceFieldEnabled());
  page.deviceText = "66";
  page.registerText = "0x10";
  page.valueText = "0x5";
  port.answerValue = 0x9A;
  EXPECT_EQ(page.readSingle(), 0);
  EXPECT_EQ(page.deviceText, "0x42");
  EXPECT_EQ(page.valueText, "0x9a");
  ASSERT_EQ(port.calls.size(), 1u);
  EXPECT_EQ(port.calls[0].what, "queryByte");
  EXPECT_EQ(port.calls[0].code, 0x42);
  EXPECT_EQ(port.calls[0].reg, 0x10);

  page.valueText = "17";
  EXPECT_EQ(page.writeSingle(), 0);
  EXPECT_EQ(port.calls[1].what, "setByte");
  EXPECT_EQ(port.calls[1].value, 17);
  EXPECT_EQ(page.valueText, "0x11");

  port.result = -1;
  EXPECT_EQ(page.writeSingle(), -1);
  EXPECT_EQ(page.readSingle(), -1);
  EXPECT_EQ(page.valueText, "0x11") << "a failed read keeps the field";
  EXPECT_EQ(shown(), (std::vector<std::string>{"寄存器写入失败 = -1", "寄存器读取失败 = -1"}));
}

TEST_F(RegisterPage, SixteenBitRegistersOnSpiBoards) {
  RegisterDebug page(RegisterPageKind::I2c, port, notifier);
  page.initialUpdate(7);
  EXPECT_TRUE(page.wide());
  EXPECT_FALSE(page.deviceFieldEnabled());
  EXPECT_EQ(page.deviceText, "");
  page.registerText = "0x1234";
  port.answerValue = 0xBEEF;
  EXPECT_EQ(page.readSingle(), 0);
  EXPECT_EQ(port.calls[0].what, "queryWord");
  EXPECT_EQ(port.calls[0].reg, 0x1234);
  EXPECT_EQ(page.valueText, "0xbeef");
  EXPECT_EQ(page.registerText, "0x1234");
  page.valueText = "0x0102";
  page.writeSingle();
  EXPECT_EQ(port.calls[1].what, "setWord");
  EXPECT_EQ(port.calls[1].value, 0x0102);

  RegisterDebug general(RegisterPageKind::General, port, notifier);
  general.initialUpdate(11);
  EXPECT_FALSE(general.wide()) << "the general page has no 16-bit mode";
}

TEST_F(RegisterPage, GeneralPageSendsTheBusOnTheAltPort) {
  RegisterDebug page(RegisterPageKind::General, port, notifier);
  page.bus = 2;
  page.registerText = "0x33";
  port.answerBody = WriteBlock(0x42, 2, {{0x33, 0x77}});
  EXPECT_EQ(page.readSingle(), 0);
  ASSERT_EQ(port.calls.size(), 1u);
  EXPECT_EQ(port.calls[0].what, "exchange");
  EXPECT_TRUE(port.calls[0].alt);
  EXPECT_EQ(qor::getU16(port.calls[0].body, 10), 2);
  EXPECT_EQ(qor::getU16(port.calls[0].body, 6), 1);
  EXPECT_EQ(port.calls[0].body[12], 0x33);
  EXPECT_EQ(page.valueText, "0x77");
  page.valueText = "0x08";
  page.writeSingle();
  EXPECT_EQ(port.calls[1].what, "post");
  EXPECT_TRUE(port.calls[1].alt);
  EXPECT_EQ(port.calls[1].body[268], 0x08);
}

TEST_F(RegisterPage, BatchWriteAndRead) {
  RegisterDebug page(RegisterPageKind::I2c, port, notifier);
  page.leftList = "0x10,0x01\r\n0x11,0x02\r\n";
  page.registerText = "junk";
  EXPECT_EQ(page.writeAll(), 0);
  EXPECT_EQ(page.leftList, "0x10,0x01\r\n0x11,0x02\r\n");
  EXPECT_EQ(page.registerText, "junk") << "batch write leaves the single fields";
  ASSERT_EQ(port.calls.size(), 1u);
  EXPECT_FALSE(port.calls[0].alt);
  EXPECT_EQ(qor::getU16(port.calls[0].body, 6), 2);

  page.leftList = "0x10 0x01\r\n";
  EXPECT_EQ(page.writeAll(), RegisterDebug::kNoPairs);
  EXPECT_EQ(port.calls.size(), 1u) << "nothing sent";
  EXPECT_EQ(page.leftList, "");
  EXPECT_EQ(shown(), std::vector<std::string>{"输入数据格式有误或无任何数据"});

  port.answerBody = WriteBlock(0x42, 0, {{0x00, 0xAA}, {0x01, 0xBB}, {0x02, 0xCC}});
  EXPECT_EQ(page.readAll(), 0);
  EXPECT_EQ(qor::getU16(port.calls[1].body, 6), 256);
  EXPECT_EQ(page.rightList, "0x00,0xaa\r\n0x01,0xbb\r\n0x02,0xcc\r\n");
  page.copy();
  EXPECT_EQ(page.leftList, page.rightList);

  port.result = -11;
  page.rightList = "kept";
  EXPECT_EQ(page.readAll(), -11);
  EXPECT_EQ(page.rightList, "kept");
  EXPECT_EQ(page.writeAll(), -11);
  EXPECT_EQ(notifier.messages[1].text, "批量获取寄存器失败 = -11");
  EXPECT_EQ(notifier.messages[2].text, "批量写入寄存器失败 = -11");
}
