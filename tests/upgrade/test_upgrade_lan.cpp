// The upgrade engine and tavctl upgrade against qorsim boards in the test LAN: components
// arrive whole and in order (qorsim's digests), every board-side fault gives its result code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "commands.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "upgrade.h"
#include "upgrade/upgrade_run.h"
#include "wire.h"

namespace tav::upgrade {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

std::uint32_t ip(const char* dotted) {
  std::uint32_t a = 0;
  qor::parseIp(dotted, a);
  return a;
}

Bytes pattern(std::size_t size, std::uint8_t seed) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i)
    b[i] = static_cast<std::uint8_t>(seed * 31 + i * 7 + (i >> 9));
  return b;
}

std::string digest(const Bytes& b) {
  return qorsim::componentDigest(b);
}

class UpgradeLan : public ::testing::Test {
 protected:
  void TearDown() override {
    for (auto& p : paths_) std::filesystem::remove(p);
  }
  std::string writePackage(HeaderKind kind, std::int32_t type, const std::vector<Bytes>& parts) {
    std::string path =
        (std::filesystem::temp_directory_path() / ("tavmon_lan_" + std::to_string(::getpid()) +
                                                   "_" + std::to_string(paths_.size()) + ".qoru"))
            .string();
    Bytes file = BuildPackage(kind, type, parts);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    paths_.push_back(path);
    return path;
  }
  ChosenFile choose(const std::string& path, PageKind page) {
    PackageRead r = ReadPackageFile(path, page);
    return {path, r.header.magic, static_cast<std::int64_t>(r.fileLength), r.header};
  }
  std::vector<std::string> paths_;
};

TEST_F(UpgradeLan, TwoComponentsToThreeBoardsArriveWholeNewestLineFirst) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.21", "type": 3}, {"address": "10.77.0.22", "type": 3},
    {"address": "10.77.0.23", "type": 3, "upgrade": {"components": {"2": {"answer": "wrongHead"}}}}])"));
  sim.start();
  const std::vector<Bytes> parts{pattern(300000, 1), pattern(777, 2)};
  ChosenFile file = choose(writePackage(HeaderKind::Short, 3, parts), PageKind::Batch);
  TargetList targets;
  for (const char* a : {"10.77.0.21", "10.77.0.22", "10.77.0.23"})
    ASSERT_TRUE(targets.add(ip(a), 3));

  test::RecordingNotifier notifier;
  notifier.answers = {true};
  std::string pageLog;
  UpgradeEvents events;
  events.log = [&](std::string_view line) {
    PrependLogLine(pageLog, PageLogLine(std::tm{}, line));
  };
  UpgradeEngine engine(LanLink(), notifier, RulesFor(PageKind::Batch), events);
  RunSummary s = engine.Run(file, targets);
  ASSERT_EQ(s.outcomes.size(), 6u);
  EXPECT_EQ(pageLog,
            "(00:00:00):设备[10.77.0.23]更新   777字节:\t升级失败,未知错误(-5)\r\n"
            "(00:00:00):设备[10.77.0.23]更新300000字节:\t升级成功\r\n"
            "(00:00:00):设备[10.77.0.22]更新   777字节:\t升级成功\r\n"
            "(00:00:00):设备[10.77.0.22]更新300000字节:\t升级成功\r\n"
            "(00:00:00):设备[10.77.0.21]更新   777字节:\t升级成功\r\n"
            "(00:00:00):设备[10.77.0.21]更新300000字节:\t升级成功\r\n");
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "升级失败,未知错误(-5)");
  for (std::size_t b = 0; b < 3; ++b)
    sim.withBoard(b, [&](qorsim::BoardState& board) {
      ASSERT_EQ(board.upgradeReceived.size(), 2u);
      EXPECT_EQ(board.upgradeReceived[0].length, parts[0].size());
      EXPECT_EQ(board.upgradeReceived[0].digest, digest(parts[0]));
      EXPECT_EQ(board.upgradeReceived[1].digest, digest(parts[1]));
    });
}

TEST_F(UpgradeLan, BoardSideFaultsGiveTheirResults) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.31", "type": 1, "upgrade": {"components": {
       "1": {"result": 4}, "2": {"answer": "close"}, "3": {"answer": "silent"},
       "4": {"delayMs": 700, "result": 3}}}},
    {"address": "10.77.0.32", "type": 1, "faults": {"refuseTcp": true}}])"));
  sim.start();
  // Short waits so that the silent board costs little; the rules stay the batch page's.
  TransferTiming timing = RulesFor(PageKind::Batch).timing;
  timing.ioTimeout = 300ms;
  timing.retryPause = 100ms;
  timing.receiveAttempts = 3;
  const Bytes part = pattern(5000, 9);
  const std::uint32_t board = ip("10.77.0.31");
  EXPECT_EQ(TransferComponent(LanLink(), board, part, timing), 4);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(TransferComponent(LanLink(), board, part, timing), kTransferNoAnswer);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);  // a close is not waited out
  EXPECT_EQ(TransferComponent(LanLink(), board, part, timing), kTransferNoAnswer);
  // A board that takes its time to flash is waited for by the receive attempts.
  TransferTiming patient = timing;
  patient.receiveAttempts = 9;
  EXPECT_EQ(TransferComponent(LanLink(), board, part, patient), 3);
  EXPECT_EQ(TransferComponent(LanLink(), ip("10.77.0.32"), part, timing), kTransferConnectFailed);
  sim.withBoard(0, [&](qorsim::BoardState& b) {
    ASSERT_EQ(b.upgradeReceived.size(), 4u);
    for (const auto& r : b.upgradeReceived) EXPECT_EQ(r.digest, digest(part));
  });
}

struct CtlRun {
  int status;
  std::string out, err;
};
CtlRun runUpgrade(ctl::UpgradeOptions options) {
  std::istringstream in;
  std::ostringstream out, err;
  options.yes = true;
  int status = ctl::Upgrade(options, in, out, err);
  return {status, out.str(), err.str()};
}

TEST_F(UpgradeLan, TavctlParallelUpgradeOfEightBoards) {
  auto sim = qorsim::Simulator::generated(8);
  sim.start();
  const std::vector<Bytes> parts{pattern(1 << 20, 3), pattern(65537, 4), pattern(10, 5)};
  // Type -1: fits the encoders and the decoders of the generated fleet.
  const std::string path = writePackage(HeaderKind::Long, -1, parts);
  ctl::UpgradeOptions options;
  options.addresses = sim.addresses();
  options.file = path;
  options.parallel = 8;
  options.json = true;
  CtlRun r = runUpgrade(options);
  EXPECT_EQ(r.status, ctl::kExitOk) << r.err;
  auto j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["boards"].size(), 8u);
  for (auto& b : j["boards"]) EXPECT_EQ(b["state"], "upgraded") << b.dump();
  for (std::size_t i = 0; i < 8; ++i)
    sim.withBoard(i, [&](qorsim::BoardState& b) {
      ASSERT_EQ(b.upgradeReceived.size(), 3u);
      for (std::size_t c = 0; c < 3; ++c) EXPECT_EQ(b.upgradeReceived[c].digest, digest(parts[c]));
    });

  // Without --yes and not on a terminal: refused, nothing sent.
  sim.withBoard(0, [](qorsim::BoardState& b) { b.upgradeReceived.clear(); });
  std::istringstream in;
  std::ostringstream out, err;
  options.yes = false;
  options.addresses = {sim.addresses()[0]};
  EXPECT_EQ(ctl::Upgrade(options, in, out, err), ctl::kExitBadArguments);
  sim.withBoard(0, [](qorsim::BoardState& b) { EXPECT_TRUE(b.upgradeReceived.empty()); });
}

TEST_F(UpgradeLan, TavctlBatchRulesAndExitStatuses) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.41", "type": 3}, {"address": "10.77.0.42", "type": 1},
    {"address": "10.77.0.43", "type": 3, "upgrade": {"result": 0}}])"));
  sim.start();
  const std::string shortPath =
      writePackage(HeaderKind::Short, 3, {pattern(100, 1), pattern(200, 2)});
  // The first board fixes the list's type: the type-1 board is left out.
  ctl::UpgradeOptions options;
  options.addresses = {"10.77.0.41", "10.77.0.42", "10.77.0.43"};
  options.file = shortPath;
  options.batch = true;
  CtlRun r = runUpgrade(options);
  EXPECT_EQ(r.status, ctl::kExitExchangeFailed) << r.err;  // board .43 answers 0
  EXPECT_NE(
      r.out.find(
          "设备[10.77.0.41]更新   100字节:\t升级成功\n设备[10.77.0.41]更新   200字节:\t升级成功"),
      std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("设备[10.77.0.43]更新   200字节:\t升级失败"), std::string::npos);
  EXPECT_NE(r.err.find("10.77.0.42"), std::string::npos);
  EXPECT_NE(r.err.find("升级失败(2返回值表示失败)"), std::string::npos);
  sim.withBoard(1, [](qorsim::BoardState& b) { EXPECT_TRUE(b.upgradeReceived.empty()); });

  // A long header on the batch page, a type that does not fit, a package past its end.
  options.addresses = {"10.77.0.41"};
  options.file = writePackage(HeaderKind::Long, 3, {pattern(10, 1)});
  EXPECT_EQ(runUpgrade(options).status, ctl::kExitBadArguments);
  options.batch = false;
  options.addresses = {"10.77.0.42"};
  options.file = shortPath;
  CtlRun wrongType = runUpgrade(options);
  EXPECT_EQ(wrongType.status, ctl::kExitBadArguments);
  EXPECT_NE(wrongType.err.find("设备类型与软件更新类型不一致!"), std::string::npos);
  std::filesystem::resize_file(shortPath, 204 + 100 + 199);
  CtlRun cut = runUpgrade(options);
  EXPECT_EQ(cut.status, ctl::kExitBadArguments);
  EXPECT_NE(cut.err.find("第2个文件"), std::string::npos) << cut.err;
  sim.withBoard(1, [](qorsim::BoardState& b) { EXPECT_TRUE(b.upgradeReceived.empty()); });
}

}  // namespace
}  // namespace tav::upgrade
