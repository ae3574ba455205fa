// tavctl without a network: hex records, terminal columns, the JSON of a board with a broken
// name, and the arguments refused before anything is sent.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli.h"
#include "commands.h"
#include "ctl_support.h"
#include "device/board.h"
#include "le_bytes.h"
#include "wire.h"

namespace ctl = tav::ctl;

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome cli(std::vector<const char*> args, const std::string& input = "") {
  args.insert(args.begin(), "tavctl");
  std::istringstream in(input);
  std::ostringstream out, err;
  int status = ctl::RunCli(int(args.size()), args.data(), in, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace

TEST(TavctlHex, ParsesPairsWithBlanksBetweenBytesOnly) {
  EXPECT_EQ(ctl::ParseHex("0a 0B\n ff"), (std::vector<std::uint8_t>{0x0a, 0x0b, 0xff}));
  EXPECT_EQ(ctl::ParseHex(""), std::vector<std::uint8_t>{});
  for (const char* bad : {"0a0", "0 a", "0x0a", "zz", "0a-0b"})
    EXPECT_FALSE(ctl::ParseHex(bad)) << bad;
  const std::vector<std::uint8_t> bytes{0x00, 0x7f, 0x80, 0xfe};
  EXPECT_EQ(ctl::HexText(bytes), "007f80fe");
  EXPECT_EQ(ctl::ParseHex(ctl::HexText(bytes)), bytes);
}

TEST(TavctlColumns, AlignsChineseAndLatinCellsByTerminalWidth) {
  EXPECT_EQ(ctl::DisplayWidth("设备IP"), 6u);
  EXPECT_EQ(ctl::DisplayWidth("MAC"), 3u);
  EXPECT_EQ(ctl::DisplayWidth("ＡＢ"), 4u);  // full-width Latin

  std::ostringstream out;
  ctl::PrintColumns(
      out, {{"设备IP", "设备名称", "x"}, {"10.77.0.11", "会议室", "y"}, {"a", "b\x1b[2J", "z"}});
  std::istringstream lines(out.str());
  std::string line;
  std::vector<std::size_t> thirdColumn;
  while (std::getline(lines, line)) {
    // Where the last cell starts on screen.
    std::size_t cut = line.rfind("  ");
    thirdColumn.push_back(ctl::DisplayWidth(line.substr(0, cut + 2)));
    EXPECT_EQ(line.find('\x1b'), std::string::npos) << "control bytes reach the terminal";
  }
  ASSERT_EQ(thirdColumn.size(), 3u);
  EXPECT_EQ(thirdColumn[0], thirdColumn[1]);
  EXPECT_EQ(thirdColumn[1], thirdColumn[2]);
}

TEST(TavctlColumns, BoardTextLosesEveryControlCharacter) {
  using tav::ctl::PrintableText;
  EXPECT_EQ(PrintableText("a\x1b]0;t\x07"
                          "b\x7f",
                          false),
            "a?]0;t?b?");
  EXPECT_EQ(PrintableText("\xc2\x9b"
                          "2J\xc2\xa0编码",
                          false),
            "?2J\xc2\xa0编码");  // C1 CSI; NBSP stays
  EXPECT_EQ(PrintableText("SN=1;\nID=2;\r\n", true), "SN=1;\nID=2;?\n");
  EXPECT_EQ(PrintableText("x\n", false), "x?");
}

TEST(TavctlJson, NameOfInvalidGbkStillGivesValidUtf8) {
  tav::StatusBlock status{};
  qor::putU32(status, tav::status::kIp, qor::ipFromOctets(10, 77, 0, 9));
  qor::putI32(status, tav::status::kDeviceType, 2);
  // A lead byte followed by a byte no GBK character has, a lone 0xFF, then plain text.
  const std::uint8_t name[] = {0x81, 0x20, 0xff, 'o', 'k', 0xd6};
  std::copy(std::begin(name), std::end(name), status.begin() + tav::status::kName);
  CBoard board(status);

  const std::string text = ctl::JsonText(ctl::BoardJson(board));
  nlohmann::json parsed;
  ASSERT_NO_THROW(parsed = nlohmann::json::parse(text));
  const std::string parsedName = parsed["name"];
  EXPECT_NE(parsedName.find("ok"), std::string::npos);
  EXPECT_NE(parsedName.find("\xEF\xBF\xBD"), std::string::npos);  // U+FFFD where the bytes were
  EXPECT_EQ(parsed["address"], "10.77.0.9");
  EXPECT_EQ(parsed["typeName"], "HD解码板");
  EXPECT_EQ(parsed["transportName"], "正常接收");
}

TEST(TavctlArguments, RefusedBeforeAnythingIsSent) {
  struct Case {
    std::vector<const char*> args;
    const char* complaint;  // part of what standard error says
  };
  const Case cases[] = {
      {{}, "subcommand"},
      {{"frobnicate"}, ""},
      {{"show"}, "ADDR"},
      {{"show", "10.77.0.300"}, "not a board address"},
      {{"show", "0.0.0.0"}, "not a board address"},
      {{"get", "10.77.0.9", "abc"}, "TYPE"},
      {{"get", "10.77.0.9", "258"}, "not a block read"},
      {{"get", "10.77.0.9", "12"}, "not a block read"},
      {{"get", "10.77.0.9", "256", "text"}, "only type 268"},
      {{"get", "10.77.0.9", "268"}, "command text"},
      {{"set", "10.77.0.9", "1", "0011"}, "28 bytes, not 2"},
      {{"set", "10.77.0.9", "11", "00"}, "28 or 228 bytes"},
      {{"set", "10.77.0.9", "20", ""}, "not a configuration write"},
      {{"set", "10.77.0.9", "10", "080000000100320"}, "not hex digits in pairs"},
      {{"set", "10.77.0.9", "10", "@/nonexistent/record"}, "cannot read"},
      {{"set", "10.77.0.9", "19", ""}, "command text"},
      {{"search", "--wait", "-5"}, "--wait"},
      {{"search", "--adapter", "203.0.113.7"}, "no adapter"},
      {{"set-ip", "10.77.0.9", "--ip", "10.77.0.10"}, "--mask"},
      {{"set-ip", "10.77.0.9", "--ip", "10.77.0.x", "--mask", "255.255.255.0", "--gateway",
        "10.77.0.1"},
       "--ip"},
      {{"set-ip", "10.77.0.9", "--dhcp", "--ip", "10.77.0.10"}, "excludes"},
  };
  for (const Case& c : cases) {
    Outcome r = cli(c.args);
    std::string shown;
    for (const char* a : c.args) shown += std::string(a) + " ";
    EXPECT_EQ(r.status, ctl::kExitBadArguments) << shown;
    EXPECT_NE(r.err.find(c.complaint), std::string::npos) << shown << "-> " << r.err;
    EXPECT_EQ(r.out, "") << shown;
  }
}

TEST(TavctlArguments, HelpOnEveryCommandNamesTheExitStatuses) {
  for (const char* command :
       {"search", "show", "get", "set", "restart", "factory-reset", "set-ip"}) {
    Outcome r = cli({command, "--help"});
    EXPECT_EQ(r.status, ctl::kExitOk) << command;
    EXPECT_NE(r.out.find("Exit status"), std::string::npos) << command;
    EXPECT_NE(r.out.find("3  no board answered"), std::string::npos) << command;
  }
  Outcome top = cli({"--help"});
  EXPECT_EQ(top.status, ctl::kExitOk);
  EXPECT_NE(top.out.find("set-ip"), std::string::npos);
}
