// CLIENT_GetDeviceList against simulated boards in the test LAN, and CLIENT_Login.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "qorsdk.h"
#include "qorsim.h"
#include "testlan.h"

namespace {

struct Discovery {
  std::vector<char> text;
  std::vector<std::uint8_t> blocks;
  QORSDK_DISCOVERY record{};
  std::int32_t count = -1;
  std::int32_t result = -1;
  double seconds = 0;

  Discovery(int mode, std::size_t textLength, std::size_t blockLength = 0)
      : text(textLength, 'x'), blocks(blockLength, 0xAA) {
    record.size = sizeof record;
    record.mode = mode;
    record.text = text.data();
    record.textLength = static_cast<std::int32_t>(textLength);
    record.blocks = blockLength ? blocks.data() : nullptr;
    record.blockLength = static_cast<std::int32_t>(blockLength);
  }
  Discovery& run() {
    auto start = std::chrono::steady_clock::now();
    result = CLIENT_GetDeviceList(&record, sizeof record, &count);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return *this;
  }
  std::string list() const { return std::string(text.data(), strnlen(text.data(), text.size())); }
};

qorsim::Faults delayed(int ms) {
  qorsim::Faults f;
  f.delayMs = ms;
  return f;
}

}  // namespace

TEST(SdkDiscovery, NobodyAnswers) {
  Discovery d(0, 64);
  d.run();
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.count, 0);
  EXPECT_EQ(d.record.count, 0);
  EXPECT_EQ(d.text, std::vector<char>(64, 0));  // zeroed whole
  EXPECT_GT(d.seconds, 1.4);
  EXPECT_LT(d.seconds, 2.5);
}

TEST(SdkDiscovery, ShortAnswersNewestFirst) {
  auto sim = qorsim::Simulator::generated(2);
  sim.start();
  sim.setFaults(1, delayed(200));  // B answers after A
  Discovery d(0, 64);
  d.run();
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.count, 2);
  EXPECT_EQ(d.record.count, 2);
  EXPECT_EQ(d.list(), "10.77.0.11;10.77.0.10;");
  // Each board heard the short question.
  EXPECT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
    return e.endpoint == "udp:4007" && e.bytes == std::vector<std::uint8_t>{'q', 'o', 'r', 0xE0};
  }));

  // A list too small for both keeps the first and still counts the second.
  Discovery small(0, 13);
  small.run();
  EXPECT_EQ(small.count, 2);
  EXPECT_EQ(small.list(), "10.77.0.10;");
}

TEST(SdkDiscovery, StatusBlocksWhileTheyFit) {
  auto sim = qorsim::Simulator::generated(2);
  sim.start();
  sim.setFaults(1, delayed(200));
  std::array<std::uint8_t, 200> first{};
  sim.withBoard(0, [&](qorsim::BoardState& b) { first = b.status; });
  Discovery d(2, 64, 300);
  d.run();
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.count, 2);
  EXPECT_EQ(d.list(), "10.77.0.11;10.77.0.10;");
  EXPECT_TRUE(std::equal(first.begin(), first.end(), d.blocks.begin()));
  EXPECT_EQ(std::vector<std::uint8_t>(d.blocks.begin() + 200, d.blocks.end()),
            std::vector<std::uint8_t>(100, 0xAA));  // the rest untouched
}

TEST(SdkDiscovery, BadAnswersGive35) {
  auto sim = qorsim::Simulator::generated(2);
  sim.start();
  qorsim::Faults cut, wrong;
  cut.cutReply = 54;  // a 150-byte long answer: 35, but listed and counted
  wrong.wrongHead = true;
  wrong.delayMs = 200;  // 0xE7 instead of 0xE6: 35, not listed
  sim.setFaults(0, cut);
  sim.setFaults(1, wrong);
  Discovery d(2, 64, 400);
  d.run();
  EXPECT_EQ(d.result, QORSDK_DISCOVERY_BAD_ANSWER);
  EXPECT_EQ(d.count, 1);
  EXPECT_EQ(d.list(), "10.77.0.10;");
  EXPECT_EQ(d.blocks, std::vector<std::uint8_t>(400, 0xAA));
}

TEST(SdkDiscovery, AnswerPortInUseGives34) {
  int busy = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(5007);
  ASSERT_EQ(bind(busy, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  Discovery d(0, 64);
  d.run();
  close(busy);
  EXPECT_EQ(d.result, QORSDK_DISCOVERY_BIND);
  EXPECT_EQ(d.count, 0);
  EXPECT_LT(d.seconds, 0.5);
}

TEST(SdkDiscovery, AFloodCannotHoldIt) {
  std::atomic<bool> stop{false};
  std::thread flood([&] {
    testlan::addBoardAddress("10.77.0.66");
    testlan::enterBoardSide();
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in pc{};
    pc.sin_family = AF_INET;
    pc.sin_port = htons(5007);
    inet_pton(AF_INET, testlan::kPcAddress, &pc.sin_addr);
    const std::uint8_t answer[] = {'q', 'o', 'r', 0xE1};
    for (int i = 0; i < 200 && !stop; ++i) {  // at most 10 s
      sendto(fd, answer, sizeof answer, 0, reinterpret_cast<sockaddr*>(&pc), sizeof pc);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    close(fd);
  });
  Discovery d(0, 4096);
  d.run();
  stop = true;
  flood.join();
  EXPECT_EQ(d.result, 0);
  EXPECT_GT(d.count, 50);
  EXPECT_GT(d.seconds, 4.3);
  EXPECT_LT(d.seconds, 5.0);
}

TEST(SdkDiscovery, ArgumentsAreCheckedFirst) {
  Discovery d(2, 64, 300);
  std::int32_t count = 7;
  EXPECT_EQ(CLIENT_GetDeviceList(nullptr, sizeof d.record, &count), 1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(CLIENT_GetDeviceList(&d.record, sizeof d.record, nullptr), 1);
  EXPECT_EQ(CLIENT_GetDeviceList(&d.record, 0, &count), 1);
  EXPECT_EQ(CLIENT_GetDeviceList(&d.record, sizeof d.record + 1, &count), 1);
  auto refused = [&](auto change) {
    Discovery bad(2, 64, 300);
    change(bad.record);
    std::int32_t n = 7;
    return CLIENT_GetDeviceList(&bad.record, sizeof bad.record, &n) == 1 && n == 0 &&
           bad.text[0] == 'x';
  };
  EXPECT_TRUE(refused([](QORSDK_DISCOVERY& r) { r.size = 32 + 1; }));
  EXPECT_TRUE(refused([](QORSDK_DISCOVERY& r) { r.text = nullptr; }));
  EXPECT_TRUE(refused([](QORSDK_DISCOVERY& r) { r.textLength = 0; }));
  EXPECT_TRUE(refused([](QORSDK_DISCOVERY& r) { r.blocks = nullptr; }));
  EXPECT_TRUE(refused([](QORSDK_DISCOVERY& r) { r.blockLength = -1; }));
}
