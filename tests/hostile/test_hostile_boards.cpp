// Hostile boards in the test LAN against the program's own channels, the search, tavctl and
// qorsim itself: answers dripped or split, a flood of search answers, size words that lie,
// terminal escapes and unmappable bytes in names, datagrams past 32 KiB, a taken port 5007.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "board_peer.h"
#include "commands.h"
#include "device/board.h"
#include "device/channel_result.h"
#include "device/tcp_channel.h"
#include "hostile_board.h"
#include "platform/adapters.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "resources/language.h"
#include "resources/string_table.h"
#include "shell/device_search.h"
#include "testlan.h"
#include "wire.h"

namespace ctl = tav::ctl;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kBoard = "10.77.0.60";

qorsim::Simulator startBoard(const qorsim::Faults& faults = {}) {
  auto sim = qorsim::Simulator::fromJson(
      nlohmann::json::parse(R"([{"address": "10.77.0.60", "type": 1, "name": "enc"}])"));
  sim.start();
  sim.setFaults(kBoard, faults);
  return sim;
}

CBoard boardAt(const char* address) {
  CBoard board;
  std::uint32_t a = 0;
  qor::parseIp(address, a);
  board.SetSourceAddress(a);
  return board;
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

TEST(HostileBoards, SplitAnswersAreGatheredWhole) {
  auto sim = startBoard(hostile::Split(150));
  sim.withBoard(kBoard, [](qorsim::BoardState& b) { b.value = 115200; });
  CBoard board = boardAt(kBoard);
  std::uint8_t value = 0;
  EXPECT_EQ(board.QueryByte(0x48, 1, value), tav::kMaintOk);
  tav::RegisterBlock body = tav::MakeRegisterBlock(0x48);
  EXPECT_EQ(board.Exchange(body), tav::kMaintOk);
  EXPECT_EQ(board.ExchangeAlt(body), tav::kMaintOk);
  tav::Record16 r16{};
  EXPECT_EQ(board.ReadRecord16(r16), 0);
  EXPECT_EQ(board.ReadValue(), 115200u);
}

TEST(HostileBoards, DrippedAnswerEndsByTheExchangeDeadline) {
  // 528 bytes one every 2 ms come in time; one every 25 ms would take 13 s.
  auto sim = startBoard(hostile::Drip(2));
  std::uint8_t value = 0;
  EXPECT_EQ(boardAt(kBoard).QueryByte(0x48, 1, value), tav::kMaintOk);

  sim.setFaults(kBoard, hostile::Drip(25));
  auto start = Clock::now();
  EXPECT_EQ(boardAt(kBoard).QueryByte(0x48, 1, value), tav::kMaintWrongLength);
  // Connect 2 s + send 2 s + receive 5 s at most; the receive alone is what runs out here.
  EXPECT_LT(secondsSince(start), 9.5);
  EXPECT_GT(secondsSince(start), 4.5);
}

TEST(HostileBoards, QorsimClosesAClientThatDripsItsRequest) {
  auto sim = startBoard();
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(qor::kConfigPort);
  inet_pton(AF_INET, kBoard, &to.sin_addr);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
  // A type 0 write (head + 88 bytes) a byte every 300 ms would take 27 s; the board's side
  // gives up on the connection by its deadline.
  const std::uint8_t head[4] = {'q', 'o', 'r', 0xE4};
  auto start = Clock::now();
  bool closed = false;
  for (int i = 0; i < 92 && !closed; ++i) {
    std::uint8_t byte = i < 4 ? head[i] : 0;
    if (send(fd, &byte, 1, MSG_NOSIGNAL) != 1) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 300) > 0) {
      std::uint8_t b;
      closed = recv(fd, &b, 1, 0) <= 0;
    }
  }
  close(fd);
  EXPECT_TRUE(closed);
  EXPECT_LT(secondsSince(start), 20.0);
}

TEST(HostileBoards, SearchFloodEndsOnTimeWithTheRowsCapped) {
  auto sim = startBoard(hostile::FloodSearch(4000));
  CBoardCtrl boards;
  tav::test::RecordingNotifier notes;
  tav::DeviceSearch search(boards, notes);
  search.flushNeighbours = false;
  search.rowCap = 500;
  auto start = Clock::now();
  search.RunBlocking(tav::ChooseListenTarget(tav::platform::listAdapters(), ""), 1000ms);
  EXPECT_LT(secondsSince(start), 2.0);  // the window, one last drain slice and the end
  EXPECT_EQ(search.Rows().size(), 500u);
  EXPECT_EQ(boards.Count(), 500);
  int capLines = 0;
  for (const auto& line : notes.logLines) capLines += line.find("500行上限") != std::string::npos;
  EXPECT_EQ(capLines, 1);
}

TEST(HostileBoards, TavctlPrintsVariableBlocksAsTheyArrived) {
  auto sim = startBoard();
  hostile::OversizeBlock(sim, kBoard, 0x5B, 0xFFFFFFFF, 64);  // type 266
  hostile::OversizeBlock(sim, kBoard, 0x5D, 10, 100);         // type 267
  std::ostringstream out, err;
  ASSERT_EQ(ctl::Get(kBoard, 266, "", out, err), ctl::kExitOk) << err.str();
  EXPECT_EQ(out.str().size(), 64u * 2 + 1);
  EXPECT_EQ(out.str().substr(0, 8), "ffffffff");
  EXPECT_NE(err.str().find("size word says 4294967295 bytes, 64 arrived"), std::string::npos)
      << err.str();
  out.str("");
  err.str("");
  ASSERT_EQ(ctl::Get(kBoard, 267, "", out, err), ctl::kExitOk) << err.str();
  EXPECT_EQ(out.str().size(), 100u * 2 + 1);
  EXPECT_NE(err.str().find("size word says 10 bytes, 100 arrived"), std::string::npos);
  // A block that tells the truth is printed without a word.
  hostile::OversizeBlock(sim, kBoard, 0x5B, 40, 40);
  out.str("");
  err.str("");
  ASSERT_EQ(ctl::Get(kBoard, 266, "", out, err), ctl::kExitOk);
  EXPECT_EQ(out.str().size(), 40u * 2 + 1);
  EXPECT_TRUE(err.str().empty()) << err.str();
}

TEST(HostileBoards, EscapesInBoardTextsNeverReachTheTerminal) {
  auto sim = startBoard();
  sim.withBoard(kBoard, [](qorsim::BoardState& b) { b.id = hostile::kEscapes + "\nnext"; });
  hostile::RawName(sim, kBoard, {0x1b, '[', '2', 'J', 'x'});
  std::ostringstream out, err;
  ASSERT_EQ(ctl::Get(kBoard, 268, "getunique:SN=;ID=;", out, err), ctl::kExitOk) << err.str();
  EXPECT_EQ(out.str().find('\x1b'), std::string::npos) << out.str();
  EXPECT_EQ(out.str().find("\xc2\x9b"), std::string::npos);
  EXPECT_EQ(out.str().find('\x07'), std::string::npos);
  EXPECT_NE(out.str().find("\nnext"), std::string::npos) << "line feeds stay";
  for (bool json : {false, true}) {
    out.str("");
    ASSERT_EQ(ctl::Show(kBoard, json, out, err), ctl::kExitOk);
    EXPECT_EQ(out.str().find('\x1b'), std::string::npos) << out.str();
  }
  ctl::SearchOptions options;
  options.waitMs = 800;
  out.str("");
  ASSERT_EQ(ctl::Search(options, out, err), ctl::kExitOk);
  EXPECT_EQ(out.str().find('\x1b'), std::string::npos);
}

TEST(HostileBoards, SetIpKeepsANameItWasNotGiven) {
  auto sim = startBoard();
  const std::vector<std::vector<std::uint8_t>> names = {
      {0xff, 0x80, 'O', 'K', 0xc4, 0xe3},
      {0xaa, 0xa1, 'f', 'o', 'r', 'e', 'i', 'g', 'n', 0xa2, 0xe3},
      std::vector<std::uint8_t>(32, 'N')};
  const char* addresses[] = {"10.77.0.61", "10.77.0.62", "10.77.0.63"};
  std::string at = kBoard;
  for (std::size_t i = 0; i < names.size(); ++i) {
    hostile::RawName(sim, at, names[i]);
    ctl::SetIpOptions options;
    options.address = at;
    options.ip = addresses[i];
    options.mask = "255.255.255.0";
    options.gateway = "10.77.0.1";
    std::ostringstream out, err;
    ASSERT_EQ(ctl::SetIp(options, out, err), ctl::kExitOk) << err.str();
    ASSERT_NE(out.str().find("type 0"), std::string::npos) << out.str();
    // The write is taken on the board's own thread: wait until it has been.
    ASSERT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
      return e.endpoint == "tcp:4010" && e.bytes.size() >= 4 && e.bytes[3] == 0xE4;
    }));
    sim.clearJournal();
    at = addresses[i];
    sim.withBoard(at, [&](qorsim::BoardState& b) {
      const auto& sent = b.lastWrite.at(0xE4);  // configuration type 0
      ASSERT_EQ(sent.size(), 88u);
      EXPECT_TRUE(std::equal(names[i].begin(), names[i].end(), sent.begin() + 32)) << i;
      // qorsim keeps at most 31 bytes of a name, as a NUL-terminated slot.
      if (names[i].size() < 32) {
        EXPECT_TRUE(std::equal(names[i].begin(), names[i].end(), b.status.begin() + 36)) << i;
      }
    });
  }
  // A new name too long for the slot is refused and nothing is written.
  sim.withBoard(at, [](qorsim::BoardState& b) { b.lastWrite.clear(); });
  ctl::SetIpOptions options;
  options.address = at;
  options.ip = kBoard;
  options.mask = "255.255.255.0";
  options.gateway = "10.77.0.1";
  options.name = "会议室一号编码器会议室一号编码器";
  std::ostringstream out, err;
  EXPECT_EQ(ctl::SetIp(options, out, err), ctl::kExitBadArguments);
  EXPECT_NE(err.str().find("设备名称过长"), std::string::npos) << err.str();
  sim.withBoard(at, [](qorsim::BoardState& b) { EXPECT_FALSE(b.lastWrite.count(0xE4)); });
}

TEST(HostileBoards, DatagramsPast32KiBAreTakenWholeAndACutAnswerDropped) {
  CBoardCtrl boards;
  tav::test::RecordingNotifier notes;
  tav::DeviceSearch search(boards, notes);
  search.flushNeighbours = false;
  shelltest::addBoardAddress("10.77.0.70");
  std::vector<std::uint8_t> datagram;
  for (int i = 0; i < 180; ++i) {
    auto one = shelltest::answer(shelltest::statusBlock(
        "10.77." + std::to_string(1 + i / 200) + "." + std::to_string(1 + i % 200), 1));
    datagram.insert(datagram.end(), one.begin(), one.end());
  }
  auto cut = shelltest::answer(shelltest::statusBlock("10.77.9.9", 1));
  datagram.insert(datagram.end(), cut.begin(), cut.begin() + 100);
  ASSERT_GT(datagram.size(), 32768u);
  search.Open(tav::ChooseListenTarget(tav::platform::listAdapters(), ""));
  shelltest::sendFromBoard({"10.77.0.70", "10.77.0.1", datagram});
  auto until = Clock::now() + 2s;
  while (search.Rows().size() < 180 && Clock::now() < until) {
    pollfd p{search.ListenerFd(), POLLIN, 0};
    if (poll(&p, 1, 100) > 0) search.Drain();
  }
  search.Finish();
  EXPECT_EQ(boards.Count(), 180);
  for (const CBoard& b : boards) EXPECT_NE(b.ip(), 0u);
}

TEST(HostileBoards, TavctlSearchWarnsOfATakenPortOnStderr) {
  auto sim = startBoard();
  int taken = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(qor::kAnswerPort);
  ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  ctl::SearchOptions options;
  options.waitMs = 300;
  std::ostringstream out, err;
  EXPECT_EQ(ctl::Search(options, out, err), ctl::kExitNoAnswer);
  close(taken);
  EXPECT_EQ(out.str().find("广播监听端口被占用"), std::string::npos) << out.str();
  EXPECT_NE(err.str().find("广播监听端口被占用"), std::string::npos) << err.str();

  // In English too: the search names its own diagnostics, whatever language they are in.
  tav::UseBuiltInLanguage(tav::Language::English);
  taken = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  std::ostringstream outEn, errEn;
  ctl::Search(options, outEn, errEn);
  close(taken);
  // The first words of the message, as the terminal shows them.
  const std::string english = std::string(tav::str(tav::kStrListenPortInUse)).substr(0, 12);
  tav::UseBuiltInLanguage(tav::Language::Chinese);
  ASSERT_EQ(english.find("广播"), std::string::npos) << "no English for the message";
  EXPECT_EQ(outEn.str().find(english), std::string::npos) << outEn.str();
  EXPECT_NE(errEn.str().find("tavctl: " + english), std::string::npos) << errEn.str();
}
