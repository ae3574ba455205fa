// Group commands and the network command on UDP 4007: restart, factory reset, re-addressing.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "le_bytes.h"
#include "qorsim.h"
#include "raw_peer.h"
#include "wire.h"

using namespace std::chrono_literals;
using rawpeer::Bytes;
using rawpeer::head;

namespace {

// Two encoders and two decoders; restarts keep a board quiet for 0.6 s.
qorsim::Simulator mixedFleet() {
  return qorsim::Simulator::fromJson(nlohmann::json::parse(R"({"restartSeconds": 0.6, "boards": [
    {"address": "10.77.0.51", "type": 1},
    {"address": "10.77.0.52", "type": 20},
    {"address": "10.77.0.53", "type": 2},
    {"address": "10.77.0.54", "type": 21}
  ]})"));
}

Bytes group(std::uint8_t command, std::int32_t target) {
  Bytes d = head(command, 32);
  qor::putI32(d, 8, target);
  qor::putU32(d, 12, command == 0xEB ? 1 : 0);
  return d;
}

void broadcast(qorsim::Simulator& sim, const Bytes& datagram) {
  ASSERT_TRUE(rawpeer::sendDatagram("255.255.255.255", datagram));
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == datagram; }));
}

std::vector<int> restarts(qorsim::Simulator& sim) {
  std::vector<int> out;
  for (std::size_t i = 0; i < sim.boardCount(); ++i)
    sim.withBoard(i, [&](qorsim::BoardState& b) { out.push_back(b.restarts); });
  return out;
}

std::int32_t targetOf(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return static_cast<std::int32_t>((std::uint32_t(a) << 24) | (b << 16) | (c << 8) | d);
}

Bytes networkCommand(const std::string& contact, std::uint32_t newIp, const std::string& nameGbk) {
  Bytes d = head(0xF0, qor::kFrameSize);
  qor::putU32(d, 4, 96);
  std::uint32_t c = 0;
  qor::parseIp(contact, c);
  qor::putU32(d, 8, c);
  qor::MutBytes r(d.data() + 12, 88);
  qor::putU32(r, 0, 88);
  qor::putU32(r, 4, newIp);
  qor::putU32(r, 8, qor::ipFromOctets(255, 255, 255, 0));
  qor::putU32(r, 12, newIp ? qor::ipFromOctets(10, 77, 0, 254) : 0);
  const std::uint8_t mac[6] = {std::uint8_t(newIp ? 0x00 : 0x22),
                               0x0e,
                               std::uint8_t(newIp),
                               std::uint8_t(newIp >> 8),
                               std::uint8_t(newIp >> 16),
                               std::uint8_t(newIp >> 24)};
  std::copy(mac, mac + 6, d.begin() + 12 + 24);
  qor::putText(r, 32, 56, nameGbk);
  return d;
}

}  // namespace

TEST(SimGroup, RestartTargetsAllEncodersDecodersOrOneAddress) {
  auto sim = mixedFleet();
  sim.setRestartSeconds(0);
  sim.start();
  broadcast(sim, group(0xE8, -2));
  EXPECT_EQ(restarts(sim), (std::vector<int>{1, 1, 0, 0}));
  broadcast(sim, group(0xE8, -3));
  EXPECT_EQ(restarts(sim), (std::vector<int>{1, 1, 1, 1}));
  broadcast(sim, group(0xE8, -1));
  EXPECT_EQ(restarts(sim), (std::vector<int>{2, 2, 2, 2}));
  broadcast(sim, group(0xE8, targetOf(10, 77, 0, 53)));
  EXPECT_EQ(restarts(sim), (std::vector<int>{2, 2, 3, 2}));
  broadcast(sim, group(0xE8, targetOf(53, 0, 77, 10)));
  EXPECT_EQ(restarts(sim), (std::vector<int>{2, 2, 3, 2})) << "octet order matters";
}

TEST(SimGroup, RestartedBoardIsSilentForAWhileThenAnswersAgain) {
  auto sim = mixedFleet();
  sim.start();
  broadcast(sim, group(0xE8, targetOf(10, 77, 0, 51)));
  auto began = std::chrono::steady_clock::now();
  auto answers = rawpeer::search(300ms);
  EXPECT_EQ(
      std::count_if(answers.begin(), answers.end(), [](auto& a) { return a.from == "10.77.0.51"; }),
      0);
  EXPECT_EQ(answers.size(), 3u);
  auto during = rawpeer::exchange("10.77.0.51", qor::kConfigPort, head(0xE5), true, 200ms);
  EXPECT_TRUE(during.reply.empty());
  std::this_thread::sleep_until(began + 700ms);
  EXPECT_EQ(rawpeer::exchange("10.77.0.51", qor::kConfigPort, head(0xE5)).reply.size(), 204u);
  EXPECT_EQ(rawpeer::search(300ms).size(), 4u);
}

TEST(SimGroup, RestartByConfigurationTypeTwelve) {
  auto sim = mixedFleet();
  sim.start();
  Bytes restart = head(0xE8, 16);
  qor::putU32(restart, 4, 12);
  rawpeer::exchange("10.77.0.54", qor::kConfigPort, restart, false);
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == restart; }));
  EXPECT_TRUE(
      rawpeer::exchange("10.77.0.54", qor::kConfigPort, head(0xE5), true, 200ms).reply.empty());
  EXPECT_EQ(restarts(sim)[3], 1);
}

TEST(SimGroup, FactoryResetReturnsToTheFleetSettings) {
  auto sim = mixedFleet();
  sim.start();
  Bytes video = head(0x16, 32);
  qor::putU32(video, 4, 28);
  qor::putU16(video, 14, 999);
  for (auto board : {"10.77.0.51", "10.77.0.52"}) {
    rawpeer::exchange(board, qor::kConfigPort, video, false);
    ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.board == board && e.bytes == video; }));
  }
  qorsim::Faults slow;
  slow.delayMs = 10;
  sim.setFaults("10.77.0.51", slow);

  broadcast(sim, group(0xEB, targetOf(10, 77, 0, 51)));
  auto bitRate = [](const std::string& board) {
    auto r = rawpeer::exchange(board, qor::kConfigPort, head(0xE5));
    return qor::getU16(r.reply, 4 + 146);
  };
  EXPECT_EQ(bitRate("10.77.0.51"), 4000) << "fleet default";
  EXPECT_EQ(bitRate("10.77.0.52"), 999) << "not targeted";
  sim.withBoard("10.77.0.51", [](qorsim::BoardState& b) {
    EXPECT_EQ(b.faults.delayMs, 10) << "faults are the test's, not the board's settings";
    EXPECT_EQ(b.factoryResets, 1);
  });
  broadcast(sim, group(0xEB, -1));
  EXPECT_EQ(bitRate("10.77.0.52"), 4000);
}

TEST(SimGroup, NetworkCommandMovesTheBoardToItsNewAddress) {
  auto sim = mixedFleet();
  sim.start();
  broadcast(sim,
            networkCommand("10.77.0.52", qor::ipFromOctets(10, 77, 0, 152), "\xD2\xC6\xB6\xAF"));
  EXPECT_EQ(sim.addresses(),
            (std::vector<std::string>{"10.77.0.51", "10.77.0.152", "10.77.0.53", "10.77.0.54"}));
  auto r = rawpeer::exchange("10.77.0.152", qor::kConfigPort, head(0xE5));
  ASSERT_EQ(r.reply.size(), 204u);
  EXPECT_EQ(qor::getText(r.reply, 4 + 36, 32), "\xD2\xC6\xB6\xAF");
  EXPECT_EQ(r.reply[4 + 33], 152);
  EXPECT_TRUE(rawpeer::exchange("10.77.0.52", qor::kConfigPort, head(0xE5)).refused);
  auto answers = rawpeer::search(300ms);
  EXPECT_EQ(std::count_if(answers.begin(), answers.end(),
                          [](auto& a) { return a.from == "10.77.0.152"; }),
            1);

  // Into another subnet: still reachable, the PC routes through the LAN.
  broadcast(sim,
            networkCommand("10.77.0.152", qor::ipFromOctets(192, 168, 7, 20), "\xD2\xC6\xB6\xAF"));
  EXPECT_EQ(rawpeer::exchange("192.168.7.20", qor::kConfigPort, head(0xE5)).reply.size(), 204u);

  // Factory reset brings it back to the fleet's address.
  broadcast(sim, group(0xEB, targetOf(192, 168, 7, 20)));
  EXPECT_EQ(rawpeer::exchange("10.77.0.52", qor::kConfigPort, head(0xE5)).reply.size(), 204u);
}

TEST(SimGroup, NetworkCommandForDhcpKeepsTheAddress) {
  auto sim = mixedFleet();
  sim.start();
  broadcast(sim, networkCommand("10.77.0.53", 0, "dhcp"));
  auto r = rawpeer::exchange("10.77.0.53", qor::kConfigPort, head(0xE5));
  ASSERT_EQ(r.reply.size(), 204u);
  EXPECT_EQ(qor::ipText(qor::getU32(r.reply, 4 + 8)), "10.77.0.53");
  EXPECT_EQ(qor::ipText(qor::getU32(r.reply, 4 + 16)), "10.77.0.254") << "gateway kept";
  EXPECT_EQ(r.reply[4 + 28], 0x22) << "MAC taken";
  EXPECT_EQ(qor::getText(r.reply, 4 + 36, 32), "dhcp");
}

TEST(SimGroup, NetworkCommandForAnotherContactIsIgnored) {
  auto sim = mixedFleet();
  sim.start();
  broadcast(sim, networkCommand("10.77.0.99", qor::ipFromOctets(10, 77, 0, 160), "x"));
  EXPECT_EQ(sim.addresses(),
            (std::vector<std::string>{"10.77.0.51", "10.77.0.52", "10.77.0.53", "10.77.0.54"}));
}

namespace {

Bytes maintenanceRequest(char letter, std::uint32_t exchange, std::uint32_t target,
                         const std::string& command = {}) {
  Bytes d = head(static_cast<std::uint8_t>(letter), 272);
  qor::putU32(d, 4, 12);
  qor::putU32(d, 8, 77);
  qor::putU32(d, 12, exchange);
  qor::putU32(d, 16, letter == 'a' ? 12 : letter == 'e' ? 116 : 16);
  qor::putU32(d, 20, letter == 'a' ? 1 : target);
  if (letter == 'e') {
    qor::putText(d, 24, 108, command);
    qor::putU32(d, 132, 12);
    qor::putU32(d, 136, 1);
  }
  return d;
}

// Sends one maintenance datagram from a socket bound to the PC address and collects replies.
std::vector<rawpeer::Datagram> maintenanceExchange(const Bytes& request) {
  std::vector<rawpeer::Datagram> out;
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  int one = 1;
  setsockopt(s, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  inet_pton(AF_INET, "10.77.0.1", &local.sin_addr);
  bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(6006);
  to.sin_addr.s_addr = INADDR_BROADCAST;
  sendto(s, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  timeval tv{0, 300000};
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  std::uint8_t buf[2048];
  for (;;) {
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) break;
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    out.push_back({text, Bytes(buf, buf + n)});
  }
  close(s);
  return out;
}

}  // namespace

TEST(SimMaintenanceDialog, SearchRestartAndCommand) {
  auto sim = mixedFleet();
  sim.start();
  auto found = maintenanceExchange(maintenanceRequest('a', 4242, 0));
  ASSERT_EQ(found.size(), 4u);
  std::set<std::uint32_t> numbers;
  for (auto& r : found) {
    ASSERT_EQ(r.bytes.size(), 140u);
    EXPECT_EQ(r.bytes[3], 'b');
    EXPECT_EQ(qor::getU32(r.bytes, 4), 12u);
    EXPECT_EQ(qor::getU32(r.bytes, 12), 4242u) << "exchange number echoed";
    numbers.insert(qor::getU32(r.bytes, 8));
    EXPECT_EQ(qor::getU32(r.bytes, 16), 124u);
    EXPECT_EQ(qor::getU32(r.bytes, 20), 1u);
    EXPECT_EQ(qor::ipText(qor::getU32(r.bytes, 24)), r.from) << "the adapter is the board's own";
    EXPECT_EQ(qor::ipText(qor::getU32(r.bytes, 56)), "255.255.255.0");
  }
  EXPECT_EQ(numbers.size(), 4u) << "every reply has its own number";

  auto ran =
      maintenanceExchange(maintenanceRequest('e', 9, qor::ipFromOctets(10, 77, 0, 53), "ls /mnt"));
  ASSERT_EQ(ran.size(), 1u);
  EXPECT_EQ(ran[0].from, "10.77.0.53");
  EXPECT_EQ(ran[0].bytes.size(), 32u);
  EXPECT_EQ(ran[0].bytes[3], 'j');
  EXPECT_EQ(ran[0].bytes[24], 0) << "success";

  maintenanceExchange(maintenanceRequest('c', 0, qor::ipFromOctets(10, 77, 0, 54)));
  EXPECT_EQ(restarts(sim), (std::vector<int>{0, 0, 0, 1}));
}
