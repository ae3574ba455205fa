// The board record against simulated boards: refreshing its blocks through the SDK, and
// re-addressing a board with the network command.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "device/board.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "status_builder.h"

using namespace std::chrono_literals;
using devtest::ip;

namespace {

qorsim::Simulator oneBoard() {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.31", "type": 20, "name": "二号编码器"}
  ])"));
  sim.start();
  return sim;
}

// What a search would have given: the board's block as it stands in the simulator.
CBoard searched(qorsim::Simulator& sim) {
  tav::StatusBlock status{};
  sim.withBoard(0, [&](qorsim::BoardState& b) { status = b.status; });
  return CBoard(status);
}

}  // namespace

TEST(BoardOnQorsim, RefreshTakesTheBoardsBlocks) {
  auto sim = oneBoard();
  CBoard board = searched(sim);
  sim.withBoard(0, [](qorsim::BoardState& b) {
    qor::putU16(b.status, tav::status::kSendPort, 6001);
    b.streamInfo[100] = 0x42;
    qor::putText(b.streamAccess, 8, 128, "rtsp://10.77.0.31/live");
  });

  ASSERT_EQ(board.RefreshStatus(), 0);
  EXPECT_EQ(board.sendPort(), 6001);
  EXPECT_EQ(board.Name(), "二号编码器");
  ASSERT_EQ(board.RefreshStreamInfo(), 0);
  EXPECT_EQ(board.streamInfo()[100], 0x42);
  ASSERT_EQ(board.RefreshStreamAccess(), 0);
  EXPECT_EQ(qor::getText(board.streamAccess(), 8, 128), "rtsp://10.77.0.31/live");

  // A board that refuses the connection: the SDK's result, and the record as it was.
  tav::StatusBlock before = board.statusBlock();
  qorsim::Faults faults;
  faults.refuseTcp = true;
  sim.setFaults("10.77.0.31", faults);
  sim.withBoard(0,
                [](qorsim::BoardState& b) { qor::putU16(b.status, tav::status::kSendPort, 7001); });
  EXPECT_NE(board.RefreshStatus(), 0);
  EXPECT_EQ(board.statusBlock(), before);
}

TEST(BoardOnQorsim, NetworkCommandReaddressesTheBoard) {
  auto sim = oneBoard();
  CBoard board = searched(sim);
  // Contacted at the address it answered from, as after a search.
  board.SetSourceAddress(ip("10.77.0.31"));
  ASSERT_EQ(
      board.SendNetworkIdentity(ip("10.77.0.66"), ip("255.255.255.0"), ip("10.77.0.1"), "三号"), 0);
  EXPECT_EQ(board.ip(), ip("10.77.0.66"));

  // From now on it is contacted at its status block's address, as the identity page does.
  board.SetSourceAddress(0);
  int result = -1;
  for (int i = 0; i < 30 && result != 0; ++i) {
    result = board.RefreshStatus();
    if (result != 0) std::this_thread::sleep_for(100ms);
  }
  ASSERT_EQ(result, 0);
  EXPECT_EQ(board.AddressText(), "10.77.0.66");
  EXPECT_EQ(board.Name(), "三号");
  EXPECT_EQ(board.MacText().substr(6), "0a:4d:00:42");
  EXPECT_EQ(sim.addresses(), std::vector<std::string>{"10.77.0.66"});
}

TEST(BoardOnQorsim, DirectChannelsRoundTrip) {
  auto sim = oneBoard();
  CBoard board = searched(sim);
  // Writes get no answer and the board serves each connection on its own, so a read could
  // overtake the write before it: wait until the board has taken it.
  auto taken = [&](std::uint8_t command) {
    bool seen = sim.waitForJournal([&](const qorsim::JournalEntry& e) {
      return e.bytes.size() >= 4 && e.bytes[3] == command;
    });
    sim.clearJournal();
    return seen;
  };

  ASSERT_EQ(board.SetByte(0x48, 0x10, 0xA7), 0);
  ASSERT_TRUE(taken(0xC0));
  std::uint8_t byte = 0;
  ASSERT_EQ(board.QueryByte(0x48, 0x10, byte), 0);
  EXPECT_EQ(byte, 0xA7);
  ASSERT_EQ(board.SetWord(0x0200, 0xBEEF), 0);
  ASSERT_TRUE(taken(0xC9));
  std::uint16_t word = 0;
  ASSERT_EQ(board.QueryWord(0x0200, word), 0);
  EXPECT_EQ(word, 0xBEEF);

  tav::Record16 r16{};
  r16[0] = 0x11;
  r16[15] = 0x22;
  ASSERT_EQ(board.WriteRecord16(r16), 0);
  ASSERT_TRUE(taken(0xF3));
  tav::Record16 back16{};
  ASSERT_EQ(board.ReadRecord16(back16), 0);
  EXPECT_EQ(back16, r16);
  tav::Record36 r36{};
  r36[0] = 0x33;  // the board keeps its own measurements in the record's last 12 bytes
  ASSERT_EQ(board.WriteRecord36(r36), 0);
  ASSERT_TRUE(taken(0xF4));
  tav::Record36 back36{};
  ASSERT_EQ(board.ReadRecord36(back36), 0);
  EXPECT_EQ(back36[0], 0x33);

  tav::test::RecordingNotifier notifier;
  tav::VideoPosition position{1280, 720, 10, 20, 1200, 3, 0, 0, 0, 0};
  ASSERT_EQ(board.WriteVideoPosition(position, notifier), 0);
  ASSERT_TRUE(taken(0xF3));
  tav::VideoPosition read{};
  ASSERT_EQ(board.ReadVideoPosition(read, notifier), 0);
  EXPECT_EQ(read.width, 1280);
  EXPECT_EQ(read.horizontalPosition, 1200);
  ASSERT_EQ(board.WriteValue(19200, notifier), 0);
  ASSERT_TRUE(taken(0x3C));
  EXPECT_EQ(board.ReadValue(), 19200u);
  EXPECT_TRUE(notifier.messages.empty());
}
