// Boards that misbehave: each fault as the PC sees it over the wire.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <nlohmann/json.hpp>
#include <thread>

#include "le_bytes.h"
#include "qorsim.h"
#include "raw_peer.h"
#include "wire.h"

using namespace std::chrono_literals;
using rawpeer::Bytes;
using rawpeer::head;

namespace {

qorsim::Simulator twoBoards(const char* faultsOfFirst) {
  auto fleet = nlohmann::json::parse(
      R"([{"address": "10.77.0.41", "type": 1}, {"address": "10.77.0.42", "type": 2}])");
  fleet[0]["faults"] = nlohmann::json::parse(faultsOfFirst);
  return qorsim::Simulator::fromJson(fleet);
}

long countFrom(const std::vector<rawpeer::Datagram>& answers, const std::string& from) {
  return std::count_if(answers.begin(), answers.end(), [&](auto& a) { return a.from == from; });
}

}  // namespace

TEST(SimFaults, SilentBoardAnswersNothingButHearsEverything) {
  auto sim = twoBoards(R"({"silent": true})");
  sim.start();
  auto answers = rawpeer::search(500ms);
  EXPECT_EQ(countFrom(answers, "10.77.0.41"), 0);
  EXPECT_EQ(countFrom(answers, "10.77.0.42"), 1);
  auto r = rawpeer::exchange("10.77.0.41", qor::kConfigPort, head(0xE5), true, 800ms);
  EXPECT_TRUE(r.connected);
  EXPECT_TRUE(r.reply.empty());
  EXPECT_TRUE(r.timedOut) << "a hung board keeps the line open";
  EXPECT_TRUE(sim.waitForJournal(
      [](auto& e) { return e.board == "10.77.0.41" && e.endpoint == "tcp:4010"; }));
  EXPECT_TRUE(sim.waitForJournal(
      [](auto& e) { return e.board == "10.77.0.41" && e.endpoint == "udp:4007"; }));
}

TEST(SimFaults, RefusedTcpFollowsSetFaultsAtOnce) {
  auto sim = twoBoards(R"({"refuseTcp": true})");
  sim.start();
  for (auto port : {qor::kConfigPort, qor::kSerialPort, qor::kRegisterPort, qor::kRegisterAltPort})
    EXPECT_TRUE(rawpeer::exchange("10.77.0.41", port, head(0xE5)).refused) << port;
  EXPECT_EQ(countFrom(rawpeer::search(400ms), "10.77.0.41"), 1) << "the search still works";
  sim.setFaults("10.77.0.41", {});
  EXPECT_EQ(rawpeer::exchange("10.77.0.41", qor::kConfigPort, head(0xE5)).reply.size(), 204u);
  qorsim::Faults refuse;
  refuse.refuseTcp = true;
  sim.setFaults("10.77.0.41", refuse);
  EXPECT_TRUE(rawpeer::exchange("10.77.0.41", qor::kConfigPort, head(0xE5)).refused);
}

TEST(SimFaults, CutAndWrongHeadChangeEveryReply) {
  auto sim = twoBoards(R"({"cutReply": 1, "wrongHead": true})");
  sim.start();
  auto answers = rawpeer::search(400ms);
  ASSERT_EQ(countFrom(answers, "10.77.0.41"), 1);
  for (auto& a : answers) {
    if (a.from != "10.77.0.41") continue;
    EXPECT_EQ(a.bytes.size(), 203u);
    EXPECT_EQ(a.bytes[3], 0xE7);
  }
  auto status = rawpeer::exchange("10.77.0.41", qor::kConfigPort, head(0xE5));
  EXPECT_EQ(status.reply.size(), 203u);
  EXPECT_EQ(status.reply[3], 0xE7);
  auto packet = rawpeer::exchange("10.77.0.41", qor::kRegisterPort, [] {
    Bytes p = head(0xC1, 528);
    qor::putU32(p, 4, 524);
    qor::putU16(p, 10, 1);
    return p;
  }());
  EXPECT_EQ(packet.reply.size(), 527u);
  EXPECT_EQ(packet.reply[3], 0xC3);
  EXPECT_EQ(rawpeer::exchange("10.77.0.42", qor::kConfigPort, head(0xE5)).reply.size(), 204u)
      << "others unaffected";

  sim.setFaults("10.77.0.41", [] {
    qorsim::Faults f;
    f.cutReply = 1000;
    return f;
  }());
  auto nothing = rawpeer::exchange("10.77.0.41", qor::kConfigPort, head(0xE5));
  EXPECT_TRUE(nothing.reply.empty());
  EXPECT_FALSE(nothing.timedOut) << "cut to nothing: the board closes without a byte";
}

TEST(SimFaults, SlowBoardDoesNotHoldUpTheOthers) {
  auto sim = twoBoards(R"({"delayMs": 1200})");
  sim.start();
  auto started = std::chrono::steady_clock::now();
  auto slow = std::async(std::launch::async, [] {
    return rawpeer::exchange("10.77.0.41", qor::kConfigPort, head(0xE5), true, 3000ms);
  });
  std::this_thread::sleep_for(100ms);
  auto fast = rawpeer::exchange("10.77.0.42", qor::kConfigPort, head(0xE5));
  EXPECT_EQ(fast.reply.size(), 204u);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 800ms);
  auto late = slow.get();
  EXPECT_EQ(late.reply.size(), 204u);
  EXPECT_GE(std::chrono::steady_clock::now() - started, 1200ms);

  // The search answer is delayed too, and the other board's answer comes first.
  auto answers = rawpeer::search(2000ms);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0].from, "10.77.0.42");
  EXPECT_EQ(answers[1].from, "10.77.0.41");
}

TEST(SimFaults, SearchAnsweredTwice) {
  auto sim = twoBoards(R"({"answerSearchTwice": true})");
  sim.start();
  auto answers = rawpeer::search(400ms);
  EXPECT_EQ(countFrom(answers, "10.77.0.41"), 2);
  EXPECT_EQ(countFrom(answers, "10.77.0.42"), 1);
}

TEST(SimFaults, SearchReplyFromAnotherAddressIsItsContactAddress) {
  auto sim = twoBoards(R"({"searchReplyFrom": "10.77.0.141"})");
  sim.start();
  auto answers = rawpeer::search(400ms);
  ASSERT_EQ(countFrom(answers, "10.77.0.141"), 1);
  EXPECT_EQ(countFrom(answers, "10.77.0.41"), 0);
  for (auto& a : answers)
    if (a.from == "10.77.0.141") {
      EXPECT_EQ(qor::ipText(qor::getU32(a.bytes, 12)), "10.77.0.41") << "block keeps its IP";
    }

  EXPECT_TRUE(rawpeer::exchange("10.77.0.141", qor::kConfigPort, head(0xE5)).refused)
      << "only the search reply comes from there";

  // A factory reset addressed to the contact address reaches the board.
  sim.withBoard("10.77.0.41", [](qorsim::BoardState& b) { b.status[150] = 0x5A; });
  Bytes reset = head(0xEB, 32);
  qor::putU32(reset, 8, (10u << 24) | (77u << 16) | (0u << 8) | 141u);
  qor::putU32(reset, 12, 1);
  ASSERT_TRUE(rawpeer::sendDatagram("255.255.255.255", reset));
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == reset; }));
  sim.withBoard("10.77.0.41", [](qorsim::BoardState& b) {
    EXPECT_EQ(b.factoryResets, 1);
    EXPECT_EQ(b.status[150], 0);
  });
}

TEST(SimFaults, SearchReplyBroadcast) {
  auto sim = twoBoards(R"({"searchReplyBroadcast": true})");
  sim.start();
  auto wildcard = rawpeer::search(400ms);
  EXPECT_EQ(countFrom(wildcard, "10.77.0.41"), 1);
  auto bound = rawpeer::search(400ms, "255.255.255.255", "10.77.0.1");
  EXPECT_EQ(countFrom(bound, "10.77.0.41"), 0)
      << "a broadcast does not reach a listener bound to the PC address";
  EXPECT_EQ(countFrom(bound, "10.77.0.42"), 1);
}

TEST(SimFaults, StartRefusesOutsideTheTestLan) {
  std::string saved = std::getenv("TAVMON_BOARD_NETNS");
  unsetenv("TAVMON_BOARD_NETNS");
  auto sim = qorsim::Simulator::generated(2);
  try {
    sim.start();
    FAIL() << "started outside the test LAN";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("TAVMON_BOARD_NETNS"), std::string::npos) << e.what();
  }
  setenv("TAVMON_BOARD_NETNS", saved.c_str(), 1);
}
