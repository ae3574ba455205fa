// With two adapters, the chosen one decides where the question leaves and which answers count.
#include <gtest/gtest.h>
#include <net/if.h>

#include <thread>

#include "board_peer.h"
#include "device/board_list.h"
#include "recording_notifier.h"
#include "shell/device_search.h"

using namespace tav;
using namespace shelltest;
using namespace std::chrono_literals;

TEST(DeviceSearchTwoAdapters, QuestionLeavesAndAnswersCountOnTheChosenAdapterOnly) {
  addBoardAddress("10.88.0.50", "brd1");
  addBoardAddress("10.77.0.50", "brd0");
  BoardPeer behindLan1({{"10.88.0.50", "255.255.255.255",
                         answer(statusBlock("10.88.0.50", 1, "00:1a:00:00:00:50"))}},
                       "brd1");
  behindLan1.start();

  CBoardCtrl boards;
  test::RecordingNotifier notifier;
  DeviceSearch search(boards, notifier);
  search.flushNeighbours = false;
  const ListenTarget target = ChooseListenTarget(platform::listAdapters(), "10.88.0.1");
  ASSERT_EQ(target.interfaceIndex, if_nametoindex("lan1"));
  ASSERT_TRUE(search.Open(target));
  // A board behind lan0 answers too, straight at the PC: not the chosen adapter.
  sendFromBoard(
      {"10.77.0.50", "10.77.0.1", answer(statusBlock("10.77.0.50", 1, "00:1a:00:00:00:51"))});
  const auto end = std::chrono::steady_clock::now() + 700ms;
  while (std::chrono::steady_clock::now() < end) {
    search.Drain();
    std::this_thread::sleep_for(20ms);
  }
  search.Finish();
  behindLan1.join();
  EXPECT_EQ(behindLan1.questionsSeen(), 1);  // the default route points at lan0, yet it came
  ASSERT_EQ(boards.Count(), 1);
  EXPECT_EQ(boards.At(0).AddressText(), "10.88.0.50");
}
