// The shell's pure logic: search answers, row order, log lines, layout rules, the device tree
// and the adapter choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "resources/string_table.h"
#include "shell/device_search.h"
#include "shell/device_tree.h"
#include "shell/message_log.h"
#include "shell/shell_info.h"
#include "wire.h"

using namespace tav;
using qor::ipFromOctets;

namespace {

std::vector<std::uint8_t> reply(std::uint8_t command, std::uint8_t marker,
                                std::size_t size = kSearchReplySize) {
  std::vector<std::uint8_t> d(size, marker);
  qor::putHead(d, command);
  return d;
}

}  // namespace

TEST(DiscoveryReply, HeadAndLengthDecideWhatIsTaken) {
  EXPECT_EQ(DiscoveryRequest(), (std::array<std::uint8_t, 4>{'q', 'o', 'r', 0xE5}));

  auto one = ParseDiscoveryReply(reply(0xE6, 7));
  ASSERT_EQ(one.size(), 1u);
  EXPECT_TRUE(std::all_of(one[0].begin(), one[0].end(), [](auto b) { return b == 7; }));

  // An echo of the question, a foreign magic and a bare head fragment are not answers.
  EXPECT_TRUE(ParseDiscoveryReply(reply(0xE5, 7)).empty());
  auto foreign = reply(0xE6, 7);
  foreign[0] = 'x';
  EXPECT_TRUE(ParseDiscoveryReply(foreign).empty());
  EXPECT_TRUE(ParseDiscoveryReply(std::vector<std::uint8_t>{'q', 'o', 'r'}).empty());

  // A short answer keeps what came and is zero beyond it.
  auto shortOne = ParseDiscoveryReply(reply(0xE6, 9, 4 + 50));
  ASSERT_EQ(shortOne.size(), 1u);
  EXPECT_EQ(shortOne[0][49], 9);
  EXPECT_EQ(shortOne[0][50], 0);
  EXPECT_EQ(shortOne[0][199], 0);

  // Two answers back to back; trailing bytes without a head end the walk.
  auto two = reply(0xE6, 1);
  auto second = reply(0xE6, 2);
  two.insert(two.end(), second.begin(), second.end());
  auto parsed = ParseDiscoveryReply(two);
  ASSERT_EQ(parsed.size(), 2u);
  EXPECT_EQ(parsed[1][0], 2);
  auto trailing = reply(0xE6, 1);
  trailing.insert(trailing.end(), {0, 0, 0, 0, 0, 0});
  EXPECT_EQ(ParseDiscoveryReply(trailing).size(), 1u);
  // A cut second answer is dropped, not listed as a board that is mostly zeros.
  auto cut = two;
  cut.resize(kSearchReplySize + 100);
  EXPECT_EQ(ParseDiscoveryReply(cut).size(), 1u);
}

TEST(RowOrder, AscendingByDottedOctetsDuplicatesBelow) {
  EXPECT_TRUE(AddressNotAbove(ipFromOctets(10, 0, 0, 9), ipFromOctets(192, 168, 1, 4)));
  EXPECT_TRUE(AddressNotAbove(ipFromOctets(192, 168, 1, 4), ipFromOctets(192, 168, 1, 30)));
  // Octet order, not the word held in memory (which would put 192.168.2.1 first).
  EXPECT_FALSE(AddressNotAbove(ipFromOctets(192, 168, 2, 1), ipFromOctets(192, 168, 1, 255)));
  EXPECT_TRUE(AddressNotAbove(ipFromOctets(1, 2, 3, 4), ipFromOctets(1, 2, 3, 4)));

  // Three answers in arrival order .30, .4, 10.0.0.9 end as 10.0.0.9, .4, .30.
  std::vector<std::uint32_t> rows;
  for (auto a :
       {ipFromOctets(192, 168, 1, 30), ipFromOctets(192, 168, 1, 4), ipFromOctets(10, 0, 0, 9)})
    rows.insert(rows.begin() + std::ptrdiff_t(SortedRowPosition(rows, a)), a);
  EXPECT_EQ(rows,
            (std::vector<std::uint32_t>{ipFromOctets(10, 0, 0, 9), ipFromOctets(192, 168, 1, 4),
                                        ipFromOctets(192, 168, 1, 30)}));

  // A manual add between two rows; an address already listed goes below the earlier row.
  std::vector<std::uint32_t> listed{ipFromOctets(192, 168, 1, 10), ipFromOctets(192, 168, 1, 50)};
  EXPECT_EQ(SortedRowPosition(listed, ipFromOctets(192, 168, 1, 30)), 1u);
  EXPECT_EQ(SortedRowPosition(listed, ipFromOctets(192, 168, 1, 10)), 1u);
  EXPECT_EQ(SortedRowPosition(listed, ipFromOctets(192, 168, 1, 1)), 0u);
  EXPECT_EQ(SortedRowPosition({}, ipFromOctets(192, 168, 1, 1)), 0u);
}

TEST(MessageLogTest, NewestLineFirstWithTimeStamp) {
  std::tm t{};
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 3;
  EXPECT_EQ(FormatLogLine("发起设备搜索。", t), "(09:05:03): 发起设备搜索。\r\n");

  MessageLog log;
  EXPECT_EQ(log.Add("", 1000), "");
  EXPECT_EQ(log.Text(), "");
  const std::string first = log.Add("一", 1000);
  const std::string second = log.Add("二", 1000);
  EXPECT_EQ(log.Text(), second + first);
  EXPECT_EQ(second.substr(second.size() - 5), "二\r\n");
}

TEST(MainWindowRules, TitleAndResizeAndPlacement) {
  EXPECT_EQ(VersionText(1, 0, 0, 1), "V1.0.0.1");
  EXPECT_EQ(MainWindowTitle("V1.0.0.1"), "Tavmon 编解码设备局域网诊断工具  V1.0.0.1内部版本");
  // Without a version two spaces stand before "内部版本".
  EXPECT_EQ(MainWindowTitle(""), "Tavmon 编解码设备局域网诊断工具  内部版本");
  EXPECT_EQ(CtrlWindowTitle("10.77.0.10", "编码器1"), "设置  10.77.0.10  \"编码器1\"");

  MainLayout l = MainWindowLayout(0, 0, 900, 358);
  EXPECT_EQ(l.list, (Box{10, 40, 880, 200}));
  EXPECT_EQ(l.log, (Box{10, 248, 880, 100}));
  // (bottom - 58) / 3 rounds toward zero.
  l = MainWindowLayout(0, 0, 600, 360);
  EXPECT_EQ(l.list.height, 200);
  EXPECT_EQ(l.log.height, 102);

  EXPECT_EQ(CtrlWindowPlacement({100, 200, 800, 300}), (Box{200, 200, 600, 550}));
  EXPECT_EQ(CtrlWindowPlacement({100, -40, 400, 300}), (Box{0, 0, 600, 550}));
}

namespace {

std::vector<std::string> labels(int type) {
  std::vector<std::string> out;
  for (const TreeNode& g : BuildDeviceTree(type)) {
    out.push_back(std::string("[") + str(g.stringId) + "]");
    for (const TreeNode& p : g.children) out.push_back(str(p.stringId));
  }
  return out;
}

bool has(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

}  // namespace

TEST(DeviceTree, ItemsFollowTheDeviceType) {
  // An encoder of type 20 gets the whole parameter set, in order.
  EXPECT_EQ(labels(20), (std::vector<std::string>{
                            "[参数配置]",   "IP与MAC地址", "网络收发", "外设配置", "视频编码",
                            "视频质量",     "视频位置",    "音频编码", "时间设置", "OSD设置",
                            "存储设置",     "串口设置",    "[高级]",   "重启设备", "恢复出厂值",
                            "编码数据检测", "更改密码",    "[程序升级]",  "升级",     "[调试]",   "自定义",
                            "通用i2c调试",  "EDID调试"}));

  const auto t21 = labels(21);
  for (const char* absent : {"视频质量", "视频位置", "视频编码", "音频编码", "OSD设置", "时间设置"})
    EXPECT_FALSE(has(t21, absent)) << absent;
  EXPECT_TRUE(has(t21, "音量调节"));
  EXPECT_TRUE(has(t21, "i2c调试"));

  const auto t7 = labels(7);
  EXPECT_TRUE(has(t7, "SPI调试"));
  EXPECT_FALSE(has(t7, "i2c调试"));
  EXPECT_TRUE(has(t7, "时间设置"));
  EXPECT_FALSE(has(t7, "存储设置"));
  EXPECT_FALSE(has(t7, "EDID调试"));

  // Type 23 is a decoder that still has a clock; type 2 has neither time nor OSD.
  EXPECT_TRUE(has(labels(23), "时间设置"));
  EXPECT_FALSE(has(labels(23), "OSD设置"));
  EXPECT_FALSE(has(labels(2), "时间设置"));
  EXPECT_TRUE(has(labels(2), "视频质量"));
}

TEST(DeviceTree, CodesOpenTheirPagesByTheBoardsKind) {
  // The two pages that differ by kind; groups and unknown codes give the start page.
  EXPECT_EQ(PageViewForCode(kCodeVideoPosition, 1), 16);
  EXPECT_EQ(PageViewForCode(kCodeVideoPosition, 2), 6);
  EXPECT_EQ(PageViewForCode(kCodeStatistics, 20), 13);
  EXPECT_EQ(PageViewForCode(kCodeStatistics, 21), 14);
  for (int code : {int(kCodeParameters), int(kCodeDebugGroup), 99})
    EXPECT_EQ(PageViewForCode(code, 1), kViewBlank) << code;
}

namespace {

platform::Adapter adapter(std::string name, std::vector<std::uint32_t> addresses, unsigned index,
                          bool up = true, bool loopback = false) {
  platform::Adapter a;
  a.name = name;
  a.description = platform::describeAdapter(name, addresses);
  a.addresses = addresses;
  a.masks.assign(addresses.size(), ipFromOctets(255, 255, 255, 0));
  a.index = index;
  a.up = up;
  a.loopback = loopback;
  return a;
}

}  // namespace

TEST(AdapterChoice, DescriptionMatchesExactlyAndTakesTheFirstAddress) {
  const std::vector<platform::Adapter> list{
      adapter("eth0", {ipFromOctets(192, 168, 1, 2), ipFromOctets(192, 168, 9, 2)}, 2),
      adapter("eth1", {ipFromOctets(10, 0, 0, 2)}, 3),
      adapter("wlan0", {}, 4),
  };
  EXPECT_EQ(list[0].description, "eth0 (192.168.1.2)");
  EXPECT_EQ(ChosenAdapterAddress(list, "eth0 (192.168.1.2)"), "192.168.1.2");
  EXPECT_EQ(ChosenAdapterAddress(list, "eth1 (10.0.0.2)"), "10.0.0.2");
  EXPECT_EQ(ChosenAdapterAddress(list, "ETH0 (192.168.1.2)"), std::nullopt);
  EXPECT_EQ(ChosenAdapterAddress(list, "eth0"), std::nullopt);
  EXPECT_EQ(ChosenAdapterAddress(list, "wlan0"), std::nullopt);
  EXPECT_EQ(ChosenAdapterAddress({}, ""), std::nullopt);
}

TEST(AdapterChoice, ListenTargetAndAdapterCount) {
  const std::vector<platform::Adapter> list{
      adapter("lo", {ipFromOctets(127, 0, 0, 1)}, 1, true, true),
      adapter("eth9", {ipFromOctets(172, 16, 0, 1)}, 5, false),  // down
      adapter("eth0", {ipFromOctets(192, 168, 1, 2)}, 2),
      adapter("eth1", {ipFromOctets(10, 0, 0, 2)}, 3),
  };
  EXPECT_EQ(CountSearchAdapters(list), 2);
  EXPECT_EQ(platform::boardAdapters(list).size(), 3u);

  // No choice: the host's first address, the first adapter up and not loopback.
  ListenTarget t = ChooseListenTarget(list, "");
  EXPECT_EQ(t.address, ipFromOctets(192, 168, 1, 2));
  EXPECT_EQ(t.interfaceIndex, 2u);

  t = ChooseListenTarget(list, "10.0.0.2");
  EXPECT_EQ(t.address, ipFromOctets(10, 0, 0, 2));
  EXPECT_EQ(t.interfaceIndex, 3u);
  EXPECT_TRUE(t.note.empty());

  // A choice no longer on the PC listens everywhere and says so.
  t = ChooseListenTarget(list, "10.9.9.9");
  EXPECT_FALSE(t.address);
  EXPECT_EQ(t.interfaceIndex, 0u);
  EXPECT_NE(t.note.find("10.9.9.9"), std::string::npos);

  // Only loopback: every adapter.
  t = ChooseListenTarget({list[0]}, "");
  EXPECT_FALSE(t.address);
  EXPECT_EQ(t.interfaceIndex, 0u);
}
