// A search of 2,000 simulated boards answering in one burst: tavctl lists every one of them,
// once, in address order.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "commands.h"
#include "generate.h"
#include "qorsim.h"
#include "shell/device_search.h"
#include "wire.h"

TEST(SearchScale, TavctlListsEveryBoardOfTwoThousand) {
  constexpr int kBoards = 2000;
  auto sim = qorsim::Simulator::fromJson(qorsim::generateFleet(kBoards, "10.77.0.0/16"));
  sim.start();
  const auto expected = sim.addresses();
  ASSERT_EQ(expected.size(), std::size_t(kBoards));

  tav::ctl::SearchOptions options;
  options.waitMs = 1000;
  options.json = true;
  std::ostringstream out, err;
  ASSERT_EQ(tav::ctl::Search(options, out, err), tav::ctl::kExitOk) << err.str();
  const auto list = nlohmann::json::parse(out.str());
  const auto& rows = list.at("boards");
  ASSERT_EQ(rows.size(), std::size_t(kBoards)) << err.str();

  std::set<std::string> listed;
  std::uint32_t previous = 0;
  for (const auto& row : rows) {
    const std::string text = row.at("address").get<std::string>();
    listed.insert(text);
    std::uint32_t address = 0;
    ASSERT_TRUE(qor::parseIp(text, address));
    EXPECT_LE(tav::DottedOrderKey(previous), tav::DottedOrderKey(address)) << text;
    previous = address;
  }
  EXPECT_EQ(listed, std::set<std::string>(expected.begin(), expected.end()));
  EXPECT_TRUE(list.at("conflictList").empty());
}
