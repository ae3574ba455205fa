// The search engine in the test LAN against scripted boards: what it takes in, in what order,
// and what it tells the user.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "board_peer.h"
#include "device/board_list.h"
#include "recording_notifier.h"
#include "resources/string_table.h"
#include "shell/device_search.h"
#include "wire.h"

using namespace tav;
using namespace shelltest;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> rowAddresses(const DeviceSearch& search, const CBoardCtrl& boards) {
  std::vector<std::string> out;
  for (int i : search.Rows()) out.push_back(boards.At(i).AddressText());
  return out;
}

ListenTarget everyAdapter() {
  return {};
}

struct Search {
  CBoardCtrl boards;
  test::RecordingNotifier notifier;
  DeviceSearch search{boards, notifier};
  Search() { search.flushNeighbours = false; }
  void run(const ListenTarget& target = everyAdapter()) { search.RunBlocking(target, 700ms); }
  bool logged(const std::string& text) const {
    return std::find(notifier.logLines.begin(), notifier.logLines.end(), text) !=
           notifier.logLines.end();
  }
};

}  // namespace

TEST(DeviceSearchLan, ListsAnswersInAddressOrderUnderTheirSourceAddress) {
  for (auto a : {"192.168.1.30", "192.168.1.4", "10.0.0.9", "10.77.0.20"}) addBoardAddress(a);
  BoardPeer peer({
      {"192.168.1.30", "10.77.0.1", answer(statusBlock("192.168.1.30", 1, "00:1a:00:00:00:30"))},
      {"192.168.1.4", "10.77.0.1", answer(statusBlock("192.168.1.4", 2, "00:1a:00:00:00:04"))},
      {"10.0.0.9", "255.255.255.255", answer(statusBlock("10.0.0.9", 20, "00:1a:00:00:00:09"))},
      // The block says 192.168.1.20, the answer comes from 10.77.0.20: listed under the latter.
      {"10.77.0.20", "10.77.0.1", answer(statusBlock("192.168.1.20", 1, "00:1a:00:00:00:20"))},
  });
  peer.start();
  Search s;
  s.run();
  EXPECT_EQ(peer.questionsSeen(), 1);
  EXPECT_EQ(peer.lastQuestion(), (std::vector<std::uint8_t>{'q', 'o', 'r', 0xE5}));
  EXPECT_EQ(rowAddresses(s.search, s.boards),
            (std::vector<std::string>{"10.0.0.9", "10.77.0.20", "192.168.1.4", "192.168.1.30"}));
  EXPECT_EQ(s.search.ReplyCount(), 4);
  EXPECT_EQ(s.notifier.logLines.front(), "发起设备搜索。");
  EXPECT_EQ(s.notifier.logLines.back(), "搜索到4个设备。");
  EXPECT_TRUE(s.notifier.messages.empty());
  EXPECT_FALSE(s.search.Running());
  EXPECT_EQ(s.search.ListenerFd(), -1);
}

TEST(DeviceSearchLan, TwiceAnsweringBoardGivesTwoRowsAndTheConflictMessage) {
  addBoardAddress("10.77.0.31");
  const auto a = answer(statusBlock("10.77.0.31", 2));
  // An echo of the question and a foreign datagram in between are ignored.
  BoardPeer peer({{"10.77.0.31", "10.77.0.1", a},
                  {"10.77.0.31", "10.77.0.1", answer(statusBlock("10.77.0.32", 2), 0xE5)},
                  {"10.77.0.31", "10.77.0.1", {'h', 'e', 'l', 'l', 'o'}},
                  {"10.77.0.31", "10.77.0.1", a}});
  peer.start();
  Search s;
  s.run();
  ASSERT_EQ(s.boards.Count(), 2);
  EXPECT_EQ(rowAddresses(s.search, s.boards),
            (std::vector<std::string>{"10.77.0.31", "10.77.0.31"}));
  EXPECT_EQ(s.search.Rows(), (std::vector<int>{0, 1}));  // the later one below the earlier
  ASSERT_EQ(s.notifier.messages.size(), 1u);
  EXPECT_EQ(s.notifier.messages[0].text, str(kStrAddressConflicts));
  // The count, then what clashes: the same board twice shares its address and its MAC.
  const auto& log = s.notifier.logLines;
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 3], "搜索到2个设备。");
  EXPECT_TRUE(log[log.size() - 2].starts_with("IP地址冲突 10.77.0.31：10.77.0.31 "))
      << log[log.size() - 2];
  EXPECT_TRUE(log.back().starts_with("MAC地址冲突 ")) << log.back();
}

TEST(DeviceSearchLan, EachSearchStartsFromAnEmptyListAndRunsTheDiagnosisHook) {
  Search s;
  s.boards.Add(statusBlock("10.1.1.1", 1));
  int diagnosed = -1;
  s.search.linkDiagnosis = [&](CBoardCtrl& boards, Notifier& n) {
    diagnosed = boards.Count();
    n.log("diagnosis");
  };
  s.run();
  EXPECT_EQ(s.boards.Count(), 0);
  EXPECT_EQ(diagnosed, 0);
  ASSERT_GE(s.notifier.logLines.size(), 2u);
  EXPECT_EQ(s.notifier.logLines[s.notifier.logLines.size() - 2], "diagnosis");
  EXPECT_EQ(s.notifier.logLines.back(), "未搜索到任何设备。");
}

TEST(DeviceSearchLan, PortTakenIsReportedAndTheQuestionStillSent) {
  addBoardAddress("10.77.0.40");
  int holder = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(qor::kAnswerPort);
  inet_pton(AF_INET, "10.77.0.1", &local.sin_addr);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);

  BoardPeer peer({{"10.77.0.40", "10.77.0.1", answer(statusBlock("10.77.0.40", 1))}});
  peer.start();
  Search s;
  s.run();
  close(holder);
  EXPECT_EQ(peer.questionsSeen(), 1);
  ASSERT_EQ(s.notifier.messages.size(), 1u);
  EXPECT_EQ(s.notifier.messages[0].text, "广播监听端口被占用! \n\r该程序是否重复运行?");
  EXPECT_EQ(s.boards.Count(), 0);
  EXPECT_EQ(s.notifier.logLines.back(), "未搜索到任何设备。");
}

TEST(DeviceSearchLan, ListenerWithTheChosenAdapterTakesItsBroadcasts) {
  // With an adapter chosen the listener still hears answers broadcast to 255.255.255.255 and
  // answers from a foreign subnet, as long as they arrive on that adapter.
  addBoardAddress("172.20.0.5");
  addBoardAddress("10.77.0.41");
  BoardPeer peer(
      {{"172.20.0.5", "255.255.255.255", answer(statusBlock("172.20.0.5", 1, "00:1a:00:00:00:05"))},
       {"10.77.0.41", "255.255.255.255",
        answer(statusBlock("10.77.0.41", 2, "00:1a:00:00:00:41"))}});
  peer.start();
  Search s;
  const ListenTarget target = ChooseListenTarget(platform::listAdapters(), "10.77.0.1");
  ASSERT_EQ(target.interfaceIndex, if_nametoindex("lan0"));
  s.run(target);
  EXPECT_EQ(rowAddresses(s.search, s.boards),
            (std::vector<std::string>{"10.77.0.41", "172.20.0.5"}));
}
