// With a second adapter in the LAN, boards of its subnet sit behind it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "qorsim.h"
#include "raw_peer.h"
#include "testlan.h"
#include "wire.h"

using namespace std::chrono_literals;

TEST(SimSecondAdapter, BoardsOfItsSubnetLiveBehindIt) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.61", "type": 1},
    {"address": "10.88.0.61", "type": 2, "gateway": "10.88.0.1"}
  ])"));
  sim.start();
  EXPECT_EQ(
      testlan::run({"sh", "-c", "ip -o addr show dev brd1 | grep -q 'inet 10.88.0.61/24'"}, true),
      0);
  EXPECT_EQ(
      testlan::run({"sh", "-c", "ip -o addr show dev brd0 | grep -q 'inet 10.77.0.61/24'"}, true),
      0);
  auto answers = rawpeer::search(500ms, "255.255.255.255", testlan::kSecondPcAddress);
  EXPECT_EQ(answers.size(), 2u) << "a broadcast from the second adapter reaches the whole LAN";
  EXPECT_EQ(rawpeer::exchange("10.88.0.61", qor::kConfigPort, rawpeer::head(0xE5)).reply.size(),
            204u);
}
