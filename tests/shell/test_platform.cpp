// Adapters as the test LAN shows them, and starting programs without a shell.
#include <gtest/gtest.h>
#include <net/if.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/adapters.h"
#include "platform/datagram_listener.h"
#include "platform/process.h"
#include "platform/udp_endpoint.h"
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

// The search's listener: every datagram of a burst sent while nobody drains arrives, whole,
// with its sender and arrival interface, when the listener reads on its own thread.
TEST(DatagramListenerTest, BackgroundReaderKeepsABurstTheCallerDidNotWaitFor) {
  DatagramListener listener;
  ASSERT_TRUE(listener.Open(5007, 8 << 20));
  EXPECT_GE(listener.GrantedBufferBytes(), 4096);
  listener.ReceiveInBackground();
  BoundUdpSocket sender = BoundUdpSocket::Open(ipFromOctets(10, 77, 0, 1));
  ASSERT_TRUE(sender.Valid());
  constexpr int kBurst = 5000;
  std::vector<std::uint8_t> datagram(204);
  for (int i = 0; i < kBurst; ++i) {
    datagram[0] = std::uint8_t(i);
    datagram[1] = std::uint8_t(i >> 8);
    ASSERT_TRUE(sender.SendTo(datagram, ipFromOctets(10, 77, 0, 1), 5007));
  }
  DatagramQueue queue;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (queue.Size() < kBurst && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // busy elsewhere meanwhile
    listener.DrainInto(queue, std::chrono::steady_clock::now());
  }
  ASSERT_EQ(queue.Size(), std::size_t(kBurst));
  for (std::size_t i = 0; i < queue.Size(); ++i) {
    const auto bytes = queue.Bytes(queue.At(i));
    ASSERT_EQ(bytes.size(), 204u);
    EXPECT_EQ(bytes[0] | bytes[1] << 8, int(i));  // in the order sent
    EXPECT_EQ(queue.At(i).source, ipFromOctets(10, 77, 0, 1));
    EXPECT_NE(queue.At(i).interfaceIndex, 0u);
  }
  listener.Close();  // stops the reader
  EXPECT_FALSE(listener.IsOpen());
  EXPECT_EQ(listener.DrainInto(queue, std::chrono::steady_clock::now()), 0u);

  // A second listener on the same port is refused.
  DatagramListener first, second;
  ASSERT_TRUE(first.Open(5007, 1 << 20));
  EXPECT_FALSE(second.Open(5007, 1 << 20));
}
