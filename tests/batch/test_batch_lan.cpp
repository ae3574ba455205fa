// The maintenance protocol and the batch commands against qorsim in the test LAN, with a second
// adapter so every broadcast leaves the PC twice.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "batch/batch_ops.h"
#include "batch/maintenance.h"
#include "batch_commands.h"
#include "commands.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "wire.h"

namespace ctl = tav::ctl;
using namespace tav::batch;
using namespace std::chrono_literals;

namespace {

const char* const kFleet = R"({"restartSeconds": 0.2, "boards": [
  {"address": "10.77.0.71", "type": 2, "otherInterfaces": ["192.168.9.9", "172.20.0.3"]},
  {"address": "10.77.0.70", "type": 1},
  {"address": "10.77.0.72", "type": 6, "commandResult": 1},
  {"address": "10.77.0.73", "type": 21, "faults": {"silent": true}},
  {"address": "10.88.0.74", "type": 4, "gateway": "10.88.0.1"}
]})";

std::uint32_t Ip(const char* dotted) {
  std::uint32_t a = 0;
  qor::parseIp(dotted, a);
  return a;
}

struct Lan : ::testing::Test {
  qorsim::Simulator sim = qorsim::Simulator::fromJson(nlohmann::json::parse(kFleet));
  void SetUp() override { sim.start(); }

  // The datagrams board `who` journalled on `endpoint`.
  std::vector<std::vector<std::uint8_t>> heard(const std::string& who,
                                               const std::string& endpoint) {
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& e : sim.journal())
      if (e.board == who && e.endpoint == endpoint) out.push_back(e.bytes);
    return out;
  }
};

}  // namespace

TEST_F(Lan, SearchFromBothAdaptersListsEachBoardOnce) {
  auto transport = MakeSocketTransport(std::nullopt, false);
  ASSERT_EQ(transport->Adapters().size(), 2u) << "lan0 and lan1";
  tav::test::RecordingNotifier notifier;
  MaintenanceSession session(*transport, notifier);
  session.StartSearch();
  session.Wait();
  std::vector<std::string> rows;
  for (const auto& r : session.Rows()) rows.push_back(r.address);
  EXPECT_EQ(rows,
            (std::vector<std::string>{"10.77.0.70", "10.77.0.71", "10.77.0.72", "10.88.0.74"}))
      << "the silent board is missing; the other interfaces of .71 are not listed";
  EXPECT_EQ(heard("10.77.0.70", "udp:6006").size(), 2u) << "one 'a' per adapter";
  EXPECT_NE(session.LogText().find("发起设备搜索。"), std::string::npos);
}

TEST_F(Lan, RestartResetAndExecuteOverTheMaintenanceProtocol) {
  auto transport = MakeSocketTransport(Ip("10.77.0.1"), false);
  std::ostringstream out, err;
  ctl::MaintOptions o;
  o.action = "restart";
  o.addresses = {"10.77.0.70"};
  EXPECT_EQ(ctl::Maint(*transport, o, out, err), ctl::kExitOk) << err.str();
  EXPECT_EQ(out.str(), "10.77.0.70: 命令执行成功\n");
  auto c = heard("10.77.0.70", "udp:6006");
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0][3], 'c');
  EXPECT_EQ(qor::getU32(c[0], 12), 0u);
  int restarts = 0;
  sim.withBoard("10.77.0.70", [&](qorsim::BoardState& b) { restarts = b.restarts; });
  EXPECT_EQ(restarts, 1);

  o.action = "exec";
  o.addresses = {"10.77.0.72"};
  o.text = "cat /proc/uptime";
  out.str("");
  EXPECT_EQ(ctl::Maint(*transport, o, out, err), ctl::kExitExchangeFailed);
  EXPECT_EQ(out.str(), "10.77.0.72: 命令执行失败\n");
  std::vector<std::string> commands;
  sim.withBoard("10.77.0.72", [&](qorsim::BoardState& b) { commands = b.maintenanceCommands; });
  EXPECT_EQ(commands, std::vector<std::string>{"cat /proc/uptime"});

  o.action = "reset";
  o.addresses = {"10.77.0.73"};
  out.str("");
  err.str("");
  EXPECT_EQ(ctl::Maint(*transport, o, out, err), ctl::kExitNoAnswer);
  EXPECT_NE(err.str().find("no answer"), std::string::npos);

  o.action = "exec";
  o.text = std::string(108, 'x');
  EXPECT_EQ(ctl::Maint(*transport, o, out, err), ctl::kExitBadArguments);
}

TEST_F(Lan, BatchRestartOfDecodersIsOneGroupDatagram) {
  std::ostringstream out, err;
  ctl::BatchOptions o;
  o.action = "restart";
  o.decoders = true;
  EXPECT_EQ(ctl::Batch(NetworkSender(), o, out, err), ctl::kExitOk) << err.str();
  EXPECT_EQ(out.str(), "发起批量重启。\n");
  ASSERT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
    return e.endpoint == "udp:4007" && e.board == "10.77.0.71";
  }));
  auto d = heard("10.77.0.71", "udp:4007");
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0][3], 0xE8);
  EXPECT_EQ(qor::getI32(d[0], 8), -3);
}

TEST_F(Lan, BatchResetOfDecodersGoesBoardByBoardAfterTheCredentials) {
  std::ostringstream out, err;
  ctl::BatchOptions o;
  o.action = "reset";
  o.decoders = true;
  o.user = "Admin";
  EXPECT_EQ(ctl::Batch(NetworkSender(), o, out, err), ctl::kExitBadArguments);
  EXPECT_NE(err.str().find("用户名或密码错误。"), std::string::npos);
  EXPECT_TRUE(sim.journal().empty()) << "nothing sent, not even a search";

  o.user = "admin";
  o.waitMs = 800;
  o.adapter = "10.77.0.1";
  EXPECT_EQ(ctl::Batch(NetworkSender(), o, out, err), ctl::kExitOk) << err.str();
  EXPECT_NE(out.str().find("设备[10.77.0.71]:恢复默认值成功。"), std::string::npos) << out.str();
  EXPECT_EQ(out.str().find("10.77.0.72"), std::string::npos) << "type 6 is not reset";
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = out.str().find("恢复默认值成功", at)) != std::string::npos; ++at)
    ++lines;
  EXPECT_GE(lines, 1u);
  int resets = 0;
  for (int tries = 0; tries < 100 && resets != static_cast<int>(lines); ++tries) {
    std::this_thread::sleep_for(20ms);
    resets = 0;
    for (const auto& e : sim.journal())
      if (e.board == "10.77.0.70" && e.endpoint == "udp:4007" && e.bytes.size() == 32 &&
          e.bytes[3] == 0xEB)
        ++resets;
  }
  EXPECT_EQ(resets, static_cast<int>(lines)) << "one datagram per decoder, each heard by all";
}
