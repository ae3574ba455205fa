// The boards' side of the search and the configuration exchange, over real sockets in the
// test LAN.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "le_bytes.h"
#include "qorsim.h"
#include "raw_peer.h"
#include "wire.h"

using namespace std::chrono_literals;
using rawpeer::Bytes;
using rawpeer::head;

namespace {

Bytes block(const rawpeer::TcpResult& r) { return r.reply.size() > 4 ? Bytes(r.reply.begin() + 4, r.reply.end()) : Bytes{}; }

qorsim::Simulator threeBoards() {
  return qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.21", "type": 1, "name": "一号编码器"},
    {"address": "10.77.0.22", "type": 2, "receive": {"address": "239.1.2.3", "port": 5000, "mode": 1}},
    {"address": "10.77.0.23", "type": 7}
  ])"));
}

}  // namespace

TEST(SimSearch, EveryBoardAnswersOnceFromItsOwnAddress) {
  auto sim = threeBoards();
  sim.start();
  auto answers = rawpeer::search();
  ASSERT_EQ(answers.size(), 3u);
  std::set<std::string> from;
  for (auto& a : answers) {
    ASSERT_EQ(a.bytes.size(), 204u);
    EXPECT_TRUE(qor::hasHead(a.bytes, 0xE6));
    Bytes status(a.bytes.begin() + 4, a.bytes.end());
    EXPECT_EQ(qor::ipText(qor::getU32(status, 8)), a.from) << "the status block names the sender";
    from.insert(a.from);
  }
  EXPECT_EQ(from, (std::set<std::string>{"10.77.0.21", "10.77.0.22", "10.77.0.23"}));
  EXPECT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
    return e.board == "10.77.0.22" && e.endpoint == "udp:4007" && e.bytes == head(0xE5);
  }));
}

TEST(SimSearch, UnicastQuestionIsAnsweredByThatBoardOnly) {
  auto sim = threeBoards();
  sim.start();
  auto answers = rawpeer::search(500ms, "10.77.0.23");
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].from, "10.77.0.23");
}

TEST(SimSearch, ListenerBoundToThePcAddressGetsTheAnswers) {
  auto sim = threeBoards();
  sim.start();
  EXPECT_EQ(rawpeer::search(500ms, "255.255.255.255", "10.77.0.1").size(), 3u);
}

TEST(SimConfig, StatusReadGivesTheFleetValues) {
  auto sim = threeBoards();
  sim.start();
  auto r = rawpeer::exchange("10.77.0.21", qor::kConfigPort, head(0xE5));
  ASSERT_TRUE(r.connected);
  ASSERT_EQ(r.reply.size(), 204u);
  EXPECT_TRUE(qor::hasHead(r.reply, 0xE6));
  Bytes s = block(r);
  EXPECT_EQ(qor::getU32(s, 0), 200u);
  EXPECT_EQ(qor::getI32(s, 68), 1);
  EXPECT_EQ(qor::getText(s, 36, 32), "\xD2\xBB\xBA\xC5\xB1\xE0\xC2\xEB\xC6\xF7") << "name in GBK";
}

TEST(SimConfig, WrittenRecordsShowInTheNextStatusRead) {
  auto sim = threeBoards();
  sim.start();
  struct Case {
    std::uint8_t command;
    std::size_t size, statusOffset;
  } cases[] = {{0x16, 28, 136}, {0x26, 16, 164}, {0xEE, 12, 180}, {0xEF, 8, 192}};
  for (auto c : cases) {
    Bytes w = head(c.command, 4 + c.size);
    qor::putU32(w, 4, static_cast<std::uint32_t>(c.size));
    for (std::size_t i = 8; i < w.size(); ++i) w[i] = static_cast<std::uint8_t>(i * 7 + c.command);
    ASSERT_TRUE(rawpeer::exchange("10.77.0.21", qor::kConfigPort, w, false).connected);
    ASSERT_TRUE(sim.waitForJournal([&](const qorsim::JournalEntry& e) { return e.bytes == w; }));
    auto r = rawpeer::exchange("10.77.0.21", qor::kConfigPort, head(0xE5));
    Bytes s = block(r);
    ASSERT_EQ(s.size(), 200u);
    EXPECT_TRUE(std::equal(w.begin() + 4, w.end(), s.begin() + c.statusOffset)) << "command " << int(c.command);
  }
}
