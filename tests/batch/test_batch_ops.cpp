// Batch restart and factory reset over a recording sender: board sets, credentials, log lines,
// progress and stop.
#include <gtest/gtest.h>

#include "batch/batch_ops.h"
#include "device/datagrams.h"
#include "recording_notifier.h"
#include "resources/string_table.h"
#include "wire.h"

using namespace tav::batch;

namespace {

struct Sent {
  std::string what;  // "write12", "group", "reset", "resetAll"
  std::string address;
  std::int32_t target = 0;
  bool operator==(const Sent&) const = default;
};

class RecordingSender : public BatchSender {
 public:
  std::vector<Sent> sent;
  std::string failing;  // address whose send fails
  int RestartBoard(const CBoard& b) override { return add({"write12", b.AddressText()}); }
  int GroupRestart(std::int32_t t) override { return add({"group", "", t}); }
  int FactoryReset(const CBoard& b) override { return add({"reset", b.AddressText()}); }
  int FactoryResetAll() override { return add({"resetAll", "", -1}); }

 private:
  int add(Sent s) {
    const bool fail = !failing.empty() && s.address == failing;
    sent.push_back(std::move(s));
    return fail ? 1 : 0;
  }
};

CBoardCtrl Fleet(const std::vector<std::pair<const char*, int>>& boards) {
  CBoardCtrl list;
  for (auto [ip, type] : boards) {
    tav::StatusBlock s{};
    std::uint32_t a = 0;
    qor::parseIp(ip, a);
    qor::putU32(s, 8, a);
    qor::putI32(s, 68, type);  // device type
    list.Add(s);
  }
  return list;
}

struct Batch : ::testing::Test {
  RecordingSender sender;
  tav::test::RecordingNotifier notifier;
  // Types: encoder 1, decoder 2, encoder 20, decoder kind 6 (not in the reset set), decoder 21.
  CBoardCtrl boards = Fleet({{"10.77.0.10", 1},
                             {"10.77.0.11", 2},
                             {"10.77.0.12", 20},
                             {"10.77.0.13", 6},
                             {"10.77.0.14", 21}});
};

}  // namespace

TEST_F(Batch, FleetTypesAsExpected) {
  ASSERT_EQ(boards.At(0).deviceType(), 1) << "status block offset of the device type";
  EXPECT_TRUE(boards.At(2).IsEncoder());
  EXPECT_FALSE(boards.At(3).IsEncoder());
}

TEST_F(Batch, RestartWithoutSelectionSendsNothingButLogs) {
  auto run = RunBatchRestart(BatchButton::Selected, boards, {}, sender, notifier);
  EXPECT_TRUE(sender.sent.empty());
  EXPECT_EQ(notifier.logLines, std::vector<std::string>{"发起批量重启。"});
  EXPECT_TRUE(run.boards.empty());
}

TEST_F(Batch, RestartSelectedWritesEachBoardWithOneLineEach) {
  sender.failing = "10.77.0.13";
  std::vector<BoardProgress> seen;
  BatchEvents events;
  events.progress = [&](const BoardProgress& p) { seen.push_back(p); };
  auto run = RunBatchRestart(BatchButton::Selected, boards, {3, 0, 99}, sender, notifier, events);
  EXPECT_EQ(sender.sent, (std::vector<Sent>{{"write12", "10.77.0.13"}, {"write12", "10.77.0.10"}}));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].position, 1);
  EXPECT_EQ(seen[0].count, 2);
  EXPECT_EQ(run.failures(), 1);
  EXPECT_EQ(notifier.logLines,
            (std::vector<std::string>{"设备[10.77.0.13]:设备重启失败。",
                                      "设备[10.77.0.10]:设备重启成功。", "发起批量重启。"}));
}

TEST_F(Batch, RestartGroupsAreOneDatagramEach) {
  RunBatchRestart(BatchButton::All, boards, {0}, sender, notifier);
  RunBatchRestart(BatchButton::Encoders, boards, {}, sender, notifier);
  RunBatchRestart(BatchButton::Decoders, boards, {}, sender, notifier);
  EXPECT_EQ(sender.sent,
            (std::vector<Sent>{{"group", "", -1}, {"group", "", -2}, {"group", "", -3}}));
  EXPECT_EQ(notifier.logLines.size(), 3u);
  auto datagram = tav::BuildGroupCommand(tav::kCmdRestart, tav::kTargetDecoders, false);
  EXPECT_EQ(datagram[8], 0xFD);
  EXPECT_EQ(datagram[11], 0xFF);
}

TEST_F(Batch, FactoryResetChecksCredentialsFirst) {
  for (auto [user, password] :
       {std::pair{"Admin", "tarvenol"}, std::pair{"admin", "Tarvenol"}, std::pair{"", ""}}) {
    auto run =
        RunBatchFactoryReset(BatchButton::All, user, password, boards, {0}, sender, notifier);
    EXPECT_TRUE(run.refused) << user;
  }
  EXPECT_TRUE(sender.sent.empty());
  EXPECT_TRUE(notifier.logLines.empty());
  ASSERT_EQ(notifier.messages.size(), 3u);
  EXPECT_EQ(notifier.messages[0].text, "用户名或密码错误。");
  EXPECT_EQ(notifier.messages[0].icon, tav::NoticeIcon::Error);
}

TEST_F(Batch, FactoryResetBoardSets) {
  RunBatchFactoryReset(BatchButton::Decoders, "admin", "tarvenol", boards, {}, sender, notifier);
  EXPECT_EQ(sender.sent, (std::vector<Sent>{{"reset", "10.77.0.11"}, {"reset", "10.77.0.14"}}))
      << "type 6 is of decoder kind but not in the reset set";
  sender.sent.clear();
  RunBatchFactoryReset(BatchButton::Encoders, "admin", "tarvenol", boards, {}, sender, notifier);
  EXPECT_EQ(sender.sent, (std::vector<Sent>{{"reset", "10.77.0.10"}, {"reset", "10.77.0.12"}}));
  sender.sent.clear();
  RunBatchFactoryReset(BatchButton::All, "admin", "tarvenol", boards, {}, sender, notifier);
  EXPECT_EQ(sender.sent, (std::vector<Sent>{{"resetAll", "", -1}}));
  EXPECT_EQ(notifier.logLines.back(), "发起批量重置。");
  EXPECT_EQ(notifier.logLines.front(), "设备[10.77.0.11]:恢复默认值成功。");
}

TEST_F(Batch, StopBetweenBoards) {
  std::atomic<bool> stop{false};
  BatchEvents events;
  events.stop = &stop;
  events.progress = [&](const BoardProgress& p) {
    if (p.position == 2) stop = true;
  };
  auto run = RunBatchFactoryReset(BatchButton::Selected, "admin", "tarvenol", boards, {0, 1, 2, 3},
                                  sender, notifier, events);
  EXPECT_TRUE(run.stopped);
  EXPECT_EQ(sender.sent.size(), 2u);
}

TEST_F(Batch, SelectedListAndTree) {
  auto rows = SelectedDeviceRows(boards, {4, 0});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].address, "10.77.0.14");
  ASSERT_EQ(BatchTreeItems().size(), 5u);
  EXPECT_STREQ(tav::str(BatchTreeItems()[0].stringId), "选中设备列表");
  EXPECT_STREQ(tav::str(BatchTreeItems()[1].stringId), "重启");
}
