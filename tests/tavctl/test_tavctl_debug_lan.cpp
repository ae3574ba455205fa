// tavctl's edid, reg, serial and ptz against simulated boards in the test LAN.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli.h"
#include "commands.h"
#include "le_bytes.h"
#include "qorsim.h"
#include "run_program.h"

namespace ctl = tav::ctl;

namespace {

struct CliRun {
  int status;
  std::string out, err;
};

CliRun Cli(std::vector<std::string> args, const std::string& input = {}) {
  args.insert(args.begin(), "tavctl");
  std::vector<const char*> argv;
  for (auto& a : args) argv.push_back(a.c_str());
  std::istringstream in(input);
  std::ostringstream out, err;
  int status = ctl::RunCli(static_cast<int>(argv.size()), argv.data(), in, out, err);
  return {status, out.str(), err.str()};
}

struct DebugCli : testing::Test {
  qorsim::Simulator sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.51", "type": 1},
    {"address": "10.77.0.52", "type": 2},
    {"address": "10.77.0.53", "type": 1, "faults": {"refuseTcp": true}}
  ])"));
  void SetUp() override { sim.start(); }
};

}  // namespace

TEST_F(DebugCli, EdidSummaryRawJsonAndLock) {
  CliRun r = Cli({"edid", "10.77.0.52", "--monitor"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("显示器名称：LCD MONITOR"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("校验和：基本块正确"), std::string::npos) << r.out;

  r = Cli({"edid", "10.77.0.51", "--raw"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.starts_with("0x00;0xff;0xff;0xff;0xff;0xff;0xff;0x00;\n")) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 32);

  r = Cli({"edid", "10.77.0.51", "--json"});
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["summary"]["manufacturer"], "QOR");
  EXPECT_EQ(j["summary"]["baseChecksumValid"], true);
  EXPECT_EQ(j["bytes"].get<std::string>().size(), 512u);

  r = Cli({"edid", "10.77.0.51", "--monitor"});
  EXPECT_EQ(r.status, ctl::kExitExchangeFailed) << "an encoder has no monitor";
  EXPECT_NE(r.err.find("获取失败；未知接收数据！"), std::string::npos);

  r = Cli({"edid", "10.77.0.52", "--lock"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("locked (button: 解锁EDID)"), std::string::npos) << r.out;
  r = Cli({"edid", "10.77.0.52", "--clear", "--json"});
  EXPECT_EQ(r.status, ctl::kExitExchangeFailed);
  EXPECT_EQ(nlohmann::json::parse(r.out)["message"], "清空EDID失败！");
  EXPECT_EQ(Cli({"edid", "10.77.0.52", "--unlock"}).status, 0);
  sim.withBoard("10.77.0.52", [](qorsim::BoardState& b) { EXPECT_FALSE(b.edidLocked); });
  EXPECT_EQ(Cli({"edid", "10.77.0.52", "--copy-monitor"}).status, 0);

  EXPECT_EQ(Cli({"edid", "10.77.0.53"}).status, ctl::kExitNoAnswer);
  EXPECT_EQ(Cli({"edid", "10.77.0.52", "--raw", "--json"}).status, ctl::kExitBadArguments);
}

TEST_F(DebugCli, RegistersSingleAndLists) {
  CliRun r = Cli({"reg", "10.77.0.51", "write", "66", "0x10", "0x5a", "--bus", "2"});
  EXPECT_EQ(r.status, 0) << r.err;
  sim.waitForJournal([](const qorsim::JournalEntry& e) { return e.endpoint == "tcp:8070"; });
  r = Cli({"reg", "10.77.0.51", "read", "0x42", "0x10", "--bus", "2", "--json"});
  EXPECT_EQ(r.status, 0) << r.err;
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["value"], "0x5a");
  EXPECT_EQ(j["bus"], 2);

  r = Cli({"reg", "10.77.0.51", "0x42", "--list", "-"}, "0x10,0x01\r\n0x11,0x02\r\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0x10,0x01\n0x11,0x02\n");
  sim.waitForJournal([](const qorsim::JournalEntry& e) { return e.endpoint == "tcp:8068"; });
  r = Cli({"reg", "10.77.0.51", "--read-list"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("0x10,0x01\n0x11,0x02\n"), std::string::npos) << r.out;

  r = Cli({"reg", "10.77.0.51", "--list", "-"}, "0x10 0x01\r\n");
  EXPECT_EQ(r.status, ctl::kExitBadArguments);
  EXPECT_NE(r.err.find("输入数据格式有误或无任何数据"), std::string::npos);
  EXPECT_EQ(Cli({"reg", "10.77.0.51", "read", "0x42", "0x10", "--bus", "3"}).status,
            ctl::kExitBadArguments);
  EXPECT_EQ(Cli({"reg", "10.77.0.51", "write", "0x42", "0x10"}).status, ctl::kExitBadArguments);
  EXPECT_EQ(Cli({"reg", "10.77.0.51", "peek", "0x42", "0x10"}).status, ctl::kExitBadArguments);
  // Numbers beyond their fields are refused before anything is sent.
  r = Cli({"reg", "10.77.0.51", "write", "0x42", "0x10", "0x1ff"});
  EXPECT_EQ(r.status, ctl::kExitBadArguments);
  EXPECT_NE(r.err.find("寄存器值"), std::string::npos) << r.err;
  r = Cli({"reg", "10.77.0.51", "--list", "-"}, "0x10,0x01\r\n0x11, 0x02\r\n");
  EXPECT_EQ(r.status, ctl::kExitBadArguments);
  EXPECT_NE(r.err.find("第2行"), std::string::npos) << r.err;

  r = Cli({"reg", "10.77.0.53", "read", "0x42", "0x10"});
  EXPECT_EQ(r.status, ctl::kExitNoAnswer);
  EXPECT_NE(r.err.find("寄存器读取失败 = -1"), std::string::npos);
}

TEST_F(DebugCli, SerialAndCamera) {
  CliRun r = Cli({"serial", "10.77.0.51", "--json"});
  EXPECT_EQ(nlohmann::json::parse(r.out)["baud"], "9600");
  r = Cli({"serial", "10.77.0.51", "--baud", "auto", "--send", "FF-01-00-07-00-48-50"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("sent 7 bytes at 9600 baud: ff-01-00-07-00-48-50"), std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find("外设配置成功。"), std::string::npos);
  r = Cli({"ptz", "10.77.0.51", "up"});
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
    return e.endpoint == "tcp:8067" && e.bytes.size() > 30 && e.bytes[4 + 23] == 0x08;
  }));
  sim.withBoard("10.77.0.51", [](qorsim::BoardState& b) {
    EXPECT_EQ(b.value, 0u);
    ASSERT_EQ(b.serialOut.size(), 2u);
    EXPECT_EQ(b.serialOut[1].size(), 14u);
  });

  EXPECT_EQ(Cli({"serial", "10.77.0.51", "--send", std::string(256, 'f')}).status,
            ctl::kExitBadArguments);
  EXPECT_EQ(Cli({"serial", "10.77.0.51", "--send", "f"}).status, ctl::kExitBadArguments);
  EXPECT_EQ(Cli({"serial", "10.77.0.51", "--baud", "fast"}).status, ctl::kExitBadArguments);
  EXPECT_EQ(Cli({"ptz", "10.77.0.51", "spin"}).status, ctl::kExitBadArguments);
  sim.withBoard("10.77.0.51", [](qorsim::BoardState& b) { EXPECT_EQ(b.serialOut.size(), 2u); });

  r = Cli({"ptz", "10.77.0.53", "stop"});
  EXPECT_EQ(r.status, ctl::kExitNoAnswer);
  EXPECT_NE(r.err.find("发送串口数据失败!"), std::string::npos);
}

TEST_F(DebugCli, TheBuiltProgram) {
  auto run = ctltest::runProgram(
      {ctltest::tavctlPath(), "ptz", "10.77.0.51", "left", "--speed", "0x3f", "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  auto j = nlohmann::json::parse(run.out);
  EXPECT_EQ(j["text"], "ff-ff-00-04-3f-00-42-ff-ff-00-00-00-00-ff");
}
