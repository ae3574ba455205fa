// Sorting the device list by a column (addresses and numbers by value) and the filter over
// names, MACs and modes.
#include <gtest/gtest.h>

#include "../device/status_builder.h"
#include "device/board_list.h"
#include "shell/list_order.h"

namespace {

class ListOrder : public ::testing::Test {
 protected:
  int add(const char* ip, std::uint8_t macLast, const char* name, int type = 1,
          const char* send = "0.0.0.0") {
    CBoard board = devtest::makeBoard(
        {.ip = ip, .mac = {0, 0x0e, 0x0a, 0x4d, 0, macLast}, .type = type, .send = send});
    board.setName(name);
    return boards_.Add(board);
  }
  std::vector<std::string> addresses(const std::vector<int>& rows) {
    std::vector<std::string> out;
    for (int r : rows) out.push_back(boards_.At(r).AddressText());
    return out;
  }
  std::vector<std::string> names(const std::vector<int>& rows) {
    std::vector<std::string> out;
    for (int r : rows) out.push_back(boards_.At(r).Name());
    return out;
  }
  CBoardCtrl boards_;
};

TEST_F(ListOrder, AddressesSortAsNumbersAndEqualOnesKeepTheirOrder) {
  add("192.168.1.30", 1, "甲");
  add("192.168.1.4", 2, "乙");
  add("10.0.0.9", 3, "丙");
  add("10.77.0.100", 4, "丁");
  add("192.168.1.4", 5, "戊");  // same address again
  const std::vector<int> all{0, 1, 2, 3, 4};
  EXPECT_EQ(addresses(tav::SortedRows(boards_, all, 0, false)),
            (std::vector<std::string>{"10.0.0.9", "10.77.0.100", "192.168.1.4", "192.168.1.4",
                                      "192.168.1.30"}));
  EXPECT_EQ(names(tav::SortedRows(boards_, all, 0, false))[2], "乙");
  const auto down = tav::SortedRows(boards_, all, 0, true);
  EXPECT_EQ(addresses(down), (std::vector<std::string>{"192.168.1.30", "192.168.1.4", "192.168.1.4",
                                                       "10.77.0.100", "10.0.0.9"}));
  EXPECT_EQ(names(down)[1], "乙");  // the reversed key order; ties as they were
  // MACs by their bytes: 00:0e:0a:4d:00:01 < ...:05.
  EXPECT_EQ(tav::SortedRows(boards_, {4, 2, 0}, 2, false), (std::vector<int>{0, 2, 4}));
}

TEST_F(ListOrder, TextColumnsSortNumbersInsideByValue) {
  add("10.0.0.1", 1, "编码10");
  add("10.0.0.2", 2, "编码2");
  add("10.0.0.3", 3, "Abc");
  add("10.0.0.4", 4, "abd");
  EXPECT_EQ(names(tav::SortedRows(boards_, {0, 1, 2, 3}, 1, false)),
            (std::vector<std::string>{"Abc", "abd", "编码2", "编码10"}));
  EXPECT_TRUE(tav::NaturalLess("K3.9-A1.8", "K3.12-A1.8"));
  EXPECT_FALSE(tav::NaturalLess("K3.12-A1.8", "K3.9-A1.8"));
  EXPECT_TRUE(tav::NaturalLess("a", "ab"));
  EXPECT_FALSE(tav::NaturalLess("007", "7"));
  EXPECT_FALSE(tav::NaturalLess("7", "007"));
  EXPECT_TRUE(tav::NaturalLess("HDMI_720P", "hdmi_1080P"));
  EXPECT_TRUE(tav::NaturalLess("x99999999999999999999", "x100000000000000000000"));
}

TEST_F(ListOrder, FilterMatchesNamesMacsAndModes) {
  add("10.77.0.11", 0x0b, "会议室编码器", 1, "239.77.0.11");
  add("10.77.0.12", 0x0c, "门卫室", 3, "10.77.0.255");
  add("10.77.0.31", 0x1f, "会议室解码器", 2);
  auto matching = [&](const char* filter) {
    std::vector<int> out;
    for (int i = 0; i < boards_.Count(); ++i)
      if (tav::RowMatches(boards_, i, filter)) out.push_back(i);
    return out;
  };
  EXPECT_EQ(matching("会议"), (std::vector<int>{0, 2}));
  EXPECT_EQ(matching("00:0E:0a:4d:00:0"), (std::vector<int>{0, 1}));  // a MAC prefix
  EXPECT_EQ(matching("00:0e:0a:4d:00:1f"), (std::vector<int>{2}));
  EXPECT_EQ(matching(" 组播 "), (std::vector<int>{0}));
  EXPECT_EQ(matching("广播发送"), (std::vector<int>{1}));
  EXPECT_EQ(matching("hd编码"), (std::vector<int>{0}));  // "HD编码板" without case
  EXPECT_EQ(matching("10.77.0.3"), (std::vector<int>{2}));
  EXPECT_EQ(matching(""), (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(matching("没有").empty());
}

}  // namespace
