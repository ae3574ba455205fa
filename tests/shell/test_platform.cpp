// Adapters as the test LAN shows them, and starting programs without a shell.
#include <gtest/gtest.h>
#include <net/if.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/adapters.h"
#include "platform/process.h"
#include "testlan.h"
#include "wire.h"

using namespace tav::platform;
using qor::ipFromOctets;

TEST(Adapters, TestLanAdaptersWithAddressMaskAndMac) {
  ASSERT_TRUE(testlan::entered());
  bool ok = false;
  const auto all = listAdapters(&ok);
  ASSERT_TRUE(ok);
  const Adapter* lan0 = nullptr;
  const Adapter* lo = nullptr;
  for (const auto& a : all) {
    if (a.name == "lan0") lan0 = &a;
    if (a.name == "lo") lo = &a;
  }
  ASSERT_TRUE(lan0 && lo);
  EXPECT_TRUE(lo->loopback);
  EXPECT_TRUE(lan0->up);
  EXPECT_FALSE(lan0->loopback);
  ASSERT_EQ(lan0->addresses.size(), 1u);
  EXPECT_EQ(lan0->addresses[0], ipFromOctets(10, 77, 0, 1));
  EXPECT_EQ(lan0->masks[0], ipFromOctets(255, 255, 255, 0));
  EXPECT_NE(lan0->mac, (std::array<std::uint8_t, 6>{}));
  EXPECT_EQ(lan0->description, "lan0 (10.77.0.1)");
  EXPECT_EQ(lan0->index, if_nametoindex("lan0"));

  EXPECT_EQ(hostFirstAddress(all), ipFromOctets(10, 77, 0, 1));
  EXPECT_EQ(adapterWithAddress(all, ipFromOctets(10, 77, 0, 1)), lan0);
  EXPECT_EQ(adapterWithAddress(all, ipFromOctets(10, 77, 0, 2)), nullptr);

  // A second address on the adapter comes after the first.
  ASSERT_EQ(testlan::run({"ip", "addr", "add", "10.77.5.1/16", "dev", "lan0"}), 0);
  for (const auto& a : listAdapters()) {
    if (a.name == "lan0") {
      EXPECT_EQ(a.addresses, (std::vector<std::uint32_t>{ipFromOctets(10, 77, 0, 1),
                                                         ipFromOctets(10, 77, 5, 1)}));
    }
  }
  ASSERT_EQ(testlan::run({"ip", "addr", "del", "10.77.5.1/16", "dev", "lan0"}), 0);
}

TEST(Process, RunsWithArgumentsAndReportsExitAndOutput) {
  // Arguments reach the program verbatim: no shell expands or splits them.
  ProcessResult r = runProcess({"printf", "%s|", "a b", "$HOME", "*"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "a b|$HOME|*|");

  EXPECT_EQ(runProcess({"false"}).exitCode, 1);
  r = runProcess({"no-such-program-tavmon"});
  EXPECT_EQ(r.exitCode, -1);
  EXPECT_NE(r.output.find("not found"), std::string::npos);
  EXPECT_TRUE(findProgram("no-such-program-tavmon").empty());
  EXPECT_FALSE(findProgram("sh").empty());
}

TEST(Process, DetachedProgramRunsWithoutBeingWaitedFor) {
  const auto file =
      std::filesystem::temp_directory_path() / ("tavmon-detached-" + std::to_string(getpid()));
  std::filesystem::remove(file);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(startDetached({"sh", "-c", "sleep 0.3; touch \"$0\"", file.string()}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  for (int i = 0; i < 50 && !std::filesystem::exists(file); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(std::filesystem::exists(file));
  std::filesystem::remove(file);
  EXPECT_FALSE(startDetached({"no-such-program-tavmon"}));
}
