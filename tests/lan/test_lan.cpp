#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "testlan.h"

// A broadcast from the PC side reaches a socket on the boards' side, and a reply from a board
// address comes back: the LAN behaves like a real one.
TEST(TestLan, BroadcastCrossesToBoardsAndBack) {
  ASSERT_TRUE(testlan::entered());
  ASSERT_EQ(testlan::run({"ip", "addr", "add", "10.77.0.9/24", "dev", "brd0"}, true), 0);

  int boardSock = -1;
  std::thread board([&] {
    int ns = open(std::getenv("TAVMON_BOARD_NETNS"), O_RDONLY);
    ASSERT_GE(ns, 0);
    ASSERT_EQ(setns(ns, CLONE_NEWNET), 0);
    close(ns);
    boardSock = socket(AF_INET, SOCK_DGRAM, 0);
    int one = 1;
    setsockopt(boardSock, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(4007);
    ASSERT_EQ(bind(boardSock, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    char buf[64];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    timeval tv{3, 0};
    setsockopt(boardSock, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ssize_t n = recvfrom(boardSock, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    ASSERT_EQ(n, 4);
    int reply = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    inet_pton(AF_INET, "10.77.0.9", &self.sin_addr);
    ASSERT_EQ(bind(reply, reinterpret_cast<sockaddr*>(&self), sizeof self), 0);
    from.sin_port = htons(5007);
    sendto(reply, "ok", 2, 0, reinterpret_cast<sockaddr*>(&from), sizeof from);
    close(reply);
    close(boardSock);
  });

  int pc = socket(AF_INET, SOCK_DGRAM, 0);
  int one = 1;
  setsockopt(pc, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(5007);
  ASSERT_EQ(bind(pc, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(4007);
  to.sin_addr.s_addr = INADDR_BROADCAST;
  // The board thread may not be listening yet: repeat the question until it answers.
  char buf[16];
  sockaddr_in from{};
  socklen_t len = sizeof from;
  timeval tv{0, 200000};
  setsockopt(pc, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  ssize_t n = -1;
  for (int i = 0; i < 15 && n < 0; ++i) {
    sendto(pc, "qor\xe5", 4, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    n = recvfrom(pc, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
  }
  board.join();
  ASSERT_EQ(n, 2);
  char text[32];
  inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
  EXPECT_STREQ(text, "10.77.0.9");
  close(pc);
}
