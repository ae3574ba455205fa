// qorsim at scale: a generated fleet of 2,000 boards on one /16 answers one search with every
// board, as a burst or spread over a delay, and still answers TCP at each board's address.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <set>

#include "generate.h"
#include "qorsim.h"
#include "raw_peer.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBoards = 2000;

struct Answers {
  std::set<std::string> from;
  int datagrams = 0;
  Clock::duration firstToLast{};
};

// A bare listener with a large buffer: sends the question, counts answers for `window`.
Answers searchAll(std::chrono::milliseconds window) {
  Answers out;
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  int one = 1, size = 4 << 20;
  setsockopt(s, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  setsockopt(s, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(5007);
  EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  sockaddr_in to = local;
  to.sin_port = htons(4007);
  to.sin_addr.s_addr = INADDR_BROADCAST;
  auto question = rawpeer::head(0xE5);
  sendto(s, question.data(), question.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  auto until = Clock::now() + window;
  Clock::time_point first{}, last{};
  std::uint8_t buf[2048];
  while (Clock::now() < until) {
    pollfd p{s, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 4 || buf[3] != 0xE6) continue;
    last = Clock::now();
    if (out.datagrams++ == 0) first = last;
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    out.from.insert(text);
  }
  close(s);
  out.firstToLast = last - first;
  return out;
}

}  // namespace

TEST(SimScale, EveryBoardOfALargeFleetAnswersAndServesTcp) {
  auto fleet = qorsim::generateFleet(kBoards, "10.77.0.0/16");
  auto sim = qorsim::Simulator::fromJson(fleet);
  sim.start();

  Answers burst = searchAll(1500ms);
  EXPECT_EQ(burst.datagrams, kBoards);
  EXPECT_EQ(burst.from.size(), std::size_t(kBoards));
  EXPECT_TRUE(burst.from.count("10.77.0.2"));
  EXPECT_FALSE(burst.from.count("10.77.1.0"));  // last octets 0 and 255 are skipped

  // Large fleets share one listener per port; the board is found by the local address.
  std::string last = fleet["boards"].back()["address"];
  auto status = rawpeer::exchange(last, 4010, rawpeer::head(0xE5));
  ASSERT_TRUE(status.connected);
  EXPECT_EQ(status.reply.size(), 4u + 200u);

  qorsim::Faults refuse;
  refuse.refuseTcp = true;
  sim.setFaults(last, refuse);
  auto refused = rawpeer::exchange(last, 4010, rawpeer::head(0xE5), true, 1000ms);
  EXPECT_TRUE(refused.reply.empty());
  EXPECT_FALSE(refused.timedOut);  // reset at once, not left waiting
}

TEST(SimScale, SpreadAnswersStillAllArriveOverTheDelay) {
  auto sim = qorsim::Simulator::fromJson(qorsim::generateFleet(kBoards, "10.77.0.0/16"));
  sim.setSearchSpread(400ms);
  sim.start();
  Answers spread = searchAll(2000ms);
  EXPECT_EQ(spread.from.size(), std::size_t(kBoards));
  // 2,000 uniform delays below 400 ms span nearly all of it; load only stretches it.
  EXPECT_GT(spread.firstToLast, 250ms);
}

TEST(SimScale, GeneratedFleetsAreConflictFreeAndBounded) {
  auto fleet = qorsim::generateFleet(600, "10.77.0.0/22");
  std::set<std::string> addresses, macs, groups;
  for (auto& b : fleet["boards"]) {
    std::string a = b["address"];
    EXPECT_TRUE(addresses.insert(a).second) << a;
    EXPECT_TRUE(macs.insert(b["mac"].get<std::string>()).second);
    EXPECT_NE(a.substr(a.rfind('.')), ".0");
    EXPECT_NE(a.substr(a.rfind('.')), ".255");
    EXPECT_EQ(b["mask"], "255.255.252.0");
    if (b["type"] == 1) EXPECT_TRUE(groups.insert(b["send"]["address"].get<std::string>()).second);
  }
  EXPECT_EQ(addresses.size(), 600u);
  EXPECT_EQ(qorsim::Simulator::fromJson(fleet).boardCount(), 600u);

  // A /24 holds 253 boards (.2 to .254, .1 left for the PC).
  EXPECT_NO_THROW(qorsim::generateFleet(253, "10.77.0.0/24"));
  EXPECT_THROW(qorsim::generateFleet(254, "10.77.0.0/24"), qorsim::FleetError);
  for (const char* bad : {"10.77.0.0", "10.77.0.0/33", "10.77.0/16", "10.77.0.0/x"})
    EXPECT_THROW(qorsim::generateFleet(1, bad), qorsim::FleetError) << bad;
}
