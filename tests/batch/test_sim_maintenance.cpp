// qorsim's side of the maintenance protocol without sockets: reply numbers, the adapter table
// with other interfaces, the result byte, and the fleet fields.
#include <gtest/gtest.h>

#include "batch/maintenance.h"
#include "fleet.h"
#include "maintenance.h"
#include "wire.h"
#include "status_block.h"

using namespace std::chrono_literals;

namespace {

using tav::test::Ip;

qorsim::BoardState Board(const char* fleet) {
  return qorsim::parseFleet(nlohmann::json::parse(fleet)).boards.at(0).state;
}

}  // namespace

TEST(SimMaintenance, CopiesOfOneRequestShareTheReplyNumber) {
  auto b = Board(R"([{"address": "10.77.0.20"}])");
  auto a = tav::batch::BuildRequest('a', 1, 2, 0);
  std::uint32_t counter = 100;
  const auto t = std::chrono::steady_clock::now();
  const auto first = qorsim::maintenanceReplyNumber(b, a, counter, t);
  EXPECT_EQ(qorsim::maintenanceReplyNumber(b, a, counter, t + 5ms), first) << "second adapter";
  EXPECT_NE(qorsim::maintenanceReplyNumber(b, a, counter, t + 2s), first) << "a later search";
  auto other = tav::batch::BuildRequest('a', 3, 2, 0);
  EXPECT_NE(qorsim::maintenanceReplyNumber(b, other, counter, t + 2s), first);
}

TEST(SimMaintenance, SearchReplyListsOwnInterfaceFirstThenTheOthers) {
  auto b = Board(R"([{"address": "10.77.0.20", "otherInterfaces": ["192.168.9.9",
      {"address": "172.20.0.3", "mask": "255.255.0.0", "mac": "02:00:00:00:00:07"}]}])");
  auto o = qorsim::answerMaintenance(b, tav::batch::BuildRequest('a', 1, 0x55, 0), 9);
  ASSERT_TRUE(o.reply);
  auto reply = tav::batch::ParseReply(*o.reply);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->letter, 'b');
  EXPECT_EQ(reply->replyNumber, 9u);
  EXPECT_EQ(reply->exchangeNumber, 0x55u);
  ASSERT_EQ(reply->adapters.size(), 3u);
  EXPECT_EQ(reply->adapters[0].address, Ip("10.77.0.20"));
  EXPECT_EQ(reply->adapters[2].mask, Ip("255.255.0.0"));
  EXPECT_EQ(reply->adapters[2].mac[5], 7);
}

TEST(SimMaintenance, CommandsForThisBoardAreAnsweredWithItsResult) {
  auto b = Board(R"([{"address": "10.77.0.20", "commandResult": 1}])");
  auto mine = qorsim::answerMaintenance(
      b, tav::batch::BuildRequest('e', 1, 8, Ip("10.77.0.20"), "ls\x1b"), 4);
  ASSERT_TRUE(mine.reply);
  EXPECT_EQ(tav::batch::ParseReply(*mine.reply)->result, 1);
  EXPECT_EQ(b.maintenanceCommands, std::vector<std::string>{"ls\x1b"});
  EXPECT_EQ(mine.summary.find('\x1b'), std::string::npos) << "escaped in the log";
  auto restart =
      qorsim::answerMaintenance(b, tav::batch::BuildRequest('c', 1, 0, Ip("10.77.0.20")), 5);
  EXPECT_TRUE(restart.restart);
  auto other =
      qorsim::answerMaintenance(b, tav::batch::BuildRequest('d', 1, 0, Ip("10.77.0.21")), 6);
  EXPECT_FALSE(other.reply);
  EXPECT_FALSE(other.factoryReset);
}

TEST(SimMaintenance, FleetFieldsAreChecked) {
  EXPECT_THROW(Board(R"([{"address": "10.77.0.20", "otherInterfaces": ["x"]}])"),
               qorsim::FleetError);
  EXPECT_THROW(Board(R"([{"address": "10.77.0.20", "otherInterfaces": [1,2,3,4,5,6,7,8]}])"),
               qorsim::FleetError);
  EXPECT_THROW(Board(R"([{"address": "10.77.0.20", "commandResult": 256}])"), qorsim::FleetError);
}
