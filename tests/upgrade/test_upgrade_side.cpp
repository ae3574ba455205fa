// qorsim's side of the upgrade transfer without sockets, and tavctl's package commands on
// files alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "commands.h"
#include "le_bytes.h"
#include "upgrade.h"
#include "upgrade/upgrade_package.h"
#include "wire.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SimUpgrade, ComponentsAreKeptAndAnsweredAsConfigured) {
  qorsim::BoardState board;
  board.upgrade = qorsim::parseUpgradeBehaviour(
      nlohmann::json::parse(R"({"result": 3, "delayMs": 50, "components": {
        "2": {"answer": "wrongHead"}, "3": {"answer": "silent"}, "4": {"answer": "close"}}})"),
      "boards[0].upgrade");
  const Bytes part(1000, 0x5A);
  qorsim::Outcome first = qorsim::handleUpgrade(board, part);
  ASSERT_TRUE(first.reply);
  EXPECT_TRUE(qor::hasHead(*first.reply, 0xEA));
  EXPECT_EQ(qor::getU32(*first.reply, 4), 12u);
  EXPECT_EQ(qor::getU32(*first.reply, 8), 0xE7u);
  EXPECT_EQ(qor::getI32(*first.reply, 12), 3);
  EXPECT_EQ(first.delay.count(), 50);
  qorsim::Outcome second = qorsim::handleUpgrade(board, part);
  ASSERT_TRUE(second.reply);
  EXPECT_FALSE(qor::hasHead(*second.reply, 0xEA));
  EXPECT_EQ(second.delay.count(), 50);  // a component's own answer keeps the board's other settings
  qorsim::Outcome third = qorsim::handleUpgrade(board, part);
  EXPECT_FALSE(third.reply);
  EXPECT_TRUE(third.hold);
  qorsim::Outcome fourth = qorsim::handleUpgrade(board, part);
  EXPECT_FALSE(fourth.reply);
  EXPECT_FALSE(fourth.hold);
  ASSERT_EQ(board.upgradeReceived.size(), 4u);
  EXPECT_EQ(board.upgradeReceived[0].digest, qorsim::componentDigest(part));
  EXPECT_NE(board.upgradeReceived[0].digest, qorsim::componentDigest(Bytes(1000, 0x5B)));
  EXPECT_EQ(qorsim::componentDigest({}), "cbf29ce484222325");
  EXPECT_NE(first.summary.find(board.upgradeReceived[0].digest), std::string::npos);
}

TEST(SimUpgrade, FleetMistakesAreNamed) {
  const char* bad[] = {
      R"({"answer": "later"})",       R"({"result": "1"})",           R"({"delay": 5})",
      R"({"components": {"0": {}}})", R"({"components": {"x": {}}})", R"({"delayMs": -1})"};
  for (const char* text : bad) {
    try {
      qorsim::parseUpgradeBehaviour(nlohmann::json::parse(text), "boards[2].upgrade");
      ADD_FAILURE() << text;
    } catch (const qorsim::FleetError& e) {
      EXPECT_NE(std::string(e.what()).find("boards[2].upgrade"), std::string::npos) << e.what();
    }
  }
}

TEST(CtlUpgradeInfo, LineJsonAndExitStatuses) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("tavmon_info_" + std::to_string(::getpid()) + ".qoru"))
                               .string();
  Bytes file = tav::upgrade::BuildPackage(tav::upgrade::HeaderKind::Long, 21,
                                          {Bytes(100, 1), Bytes(200, 2), Bytes(300, 3)});
  auto write = [&](const Bytes& b) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  };
  write(file);
  tav::ctl::UpgradeInfoOptions o;
  o.file = path;
  std::ostringstream out, err;
  EXPECT_EQ(tav::ctl::UpgradeInfo(o, out, err), tav::ctl::kExitOk);
  EXPECT_EQ(out.str().substr(0, out.str().find('\n')),
            "文件信息:适用于[R810],更新文件数: 3, 长度:100 / 200 / 300");
  o.json = true;
  out.str("");
  EXPECT_EQ(tav::ctl::UpgradeInfo(o, out, err), tav::ctl::kExitOk);
  auto j = nlohmann::json::parse(out.str());
  EXPECT_EQ(j["kind"], "long");
  EXPECT_EQ(j["count"], 3);
  EXPECT_EQ(j["components"][2]["offset"], 1100 + 300);
  EXPECT_EQ(j["components"][2]["length"], 300);
  // The batch page does not take the long header.
  o.batch = true;
  out.str("");
  EXPECT_EQ(tav::ctl::UpgradeInfo(o, out, err), tav::ctl::kExitBadArguments);
  EXPECT_EQ(nlohmann::json::parse(out.str())["valid"], false);
  // Cut inside the last component: refused by name; too short: "文件长度太短".
  file.resize(file.size() - 1);
  write(file);
  o.batch = false;
  out.str("");
  EXPECT_EQ(tav::ctl::UpgradeInfo(o, out, err), tav::ctl::kExitBadArguments);
  EXPECT_NE(nlohmann::json::parse(out.str())["refusal"].get<std::string>().find("第3个文件"),
            std::string::npos);
  file.resize(203);
  write(file);
  o.json = false;
  err.str("");
  EXPECT_EQ(tav::ctl::UpgradeInfo(o, out, err), tav::ctl::kExitBadArguments);
  EXPECT_NE(err.str().find("文件长度太短"), std::string::npos);

  // upgrade refuses the package before any board is asked (none could answer here).
  tav::ctl::UpgradeOptions u;
  u.addresses = {"10.77.0.99", path};
  u.yes = true;
  std::istringstream in;
  err.str("");
  EXPECT_EQ(tav::ctl::Upgrade(u, in, out, err), tav::ctl::kExitBadArguments);
  EXPECT_NE(err.str().find("文件长度太短"), std::string::npos);
  std::filesystem::remove(path);
}

}  // namespace
