// The "customer.ini" grammar and the two short-packet records.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "video/customer_timings.h"

namespace tav {
namespace {

std::string Entry(const std::string& name, const std::string& prefix = "Cust1",
                  const std::string& skip = "") {
  std::string text = prefix + ".name = " + name + "\n";
  const char* keys[] = {"width",    "height",    "freq",       "clock",
                        "maxwidth", "maxheight", "offsetHori", "offsetVert"};
  const char* values[] = {"1600", "900", "60", "108000000", "1800", "1000", "-12", "3"};
  for (int i = 0; i < 8; ++i)
    if (skip != keys[i]) text += prefix + "." + keys[i] + " = " + values[i] + "\n";
  return text;
}

TEST(CustomerIni, OneEntryWithEveryValue) {
  CustomerTable t = ParseCustomerIni(Entry("WideScreen"));
  ASSERT_EQ(t.entries.size(), 1u);
  EXPECT_EQ(t.entries[0].name, "WideScreen");
  const CustomerTiming& c = t.entries[0].timing;
  EXPECT_EQ(c, (CustomerTiming{1600, 900, 60, 108000000, 1800, 1000, -12, 3}));
  EXPECT_TRUE(t.dropped.empty());
}

TEST(CustomerIni, CrLfTabsAndFreeTextAround) {
  std::string text = "; timings\r\n" + Entry("A") + "\r\n";
  for (std::size_t at = 0; (at = text.find("\n", at)) != std::string::npos; at += 2)
    text.insert(at, "\r");
  text +=
      "Z.name\t=\tB\nZ.width\t= 640\n# note\nZ.height =\t480\nZ.freq = 60\nZ.clock = 25175000\n"
      "Z.maxwidth = 800\nZ.maxheight = 525\nZ.offsetHori = 0\nZ.offsetVert = 0\n";
  CustomerTable t = ParseCustomerIni(text);
  ASSERT_EQ(t.entries.size(), 2u);
  EXPECT_EQ(t.entries[1].name, "B");
  EXPECT_EQ(t.entries[1].timing.height, 480u);
}

TEST(CustomerIni, MalformedEntriesAreDropped) {
  // No blank before '=' on the name line: no entry at all.
  EXPECT_TRUE(ParseCustomerIni("C1.name= A\n" + Entry("x").substr(Entry("x").find('\n') + 1))
                  .entries.empty());
  // Missing .height: dropped, the next complete entry kept.
  CustomerTable t = ParseCustomerIni(Entry("First", "C1", "height") + Entry("Second", "C2"));
  ASSERT_EQ(t.entries.size(), 1u);
  EXPECT_EQ(t.entries[0].name, "Second");
  ASSERT_EQ(t.dropped.size(), 1u);
  EXPECT_EQ(t.dropped[0].name, "First");
  EXPECT_EQ(t.dropped[0].line, 1u);
  // A value too large for the record's integer: dropped, not wrapped.
  std::string big = Entry("Big");
  big.replace(big.find("108000000"), 9, "99999999999");
  EXPECT_TRUE(ParseCustomerIni(big).entries.empty());
  // A name line as the very first bytes has no prefix before its '.': not a name line.
  EXPECT_TRUE(ParseCustomerIni(Entry("A").substr(5)).entries.empty());
  // The last value line needs eight characters after its line break.
  std::string tail = Entry("T");
  tail = tail.substr(0, tail.rfind("Cust1.offsetVert")) + ".oV = 3";
  t = ParseCustomerIni(tail);
  EXPECT_TRUE(t.entries.empty());
  ASSERT_EQ(t.dropped.size(), 1u);
  EXPECT_EQ(t.dropped[0].reason, "no \".offsetVert\" line");
}

TEST(CustomerIni, LongNamesAndTableLimit) {
  std::string text = Entry("One") + Entry("Two") + Entry(std::string(40, 'n'));
  CustomerTable t = ParseCustomerIni(text);
  ASSERT_EQ(t.entries.size(), 3u);
  EXPECT_EQ(t.entries[2].name, "Customer2");
  EXPECT_EQ(ParseCustomerIni(Entry(std::string(31, 'n'))).entries[0].name, std::string(31, 'n'));

  std::string many;
  for (int i = 0; i < 18; ++i) many += Entry("E" + std::to_string(i));
  t = ParseCustomerIni(many);
  EXPECT_EQ(t.entries.size(), 16u);
  EXPECT_TRUE(t.full);
  EXPECT_EQ(t.entries[15].name, "E15");
}

TEST(CustomerIni, OnlyTheFirst16384BytesCount) {
  std::string text(16384 - 20, '#');
  text += "\n" + Entry("Cut");
  CustomerTable t = ParseCustomerIni(text);
  EXPECT_TRUE(t.entries.empty());
  EXPECT_TRUE(t.truncated);
}

TEST(CustomerIni, LoadsFromWorkingDirThenFallback) {
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() / ("tavmon_customer_" + std::to_string(::getpid()));
  fs::create_directories(root / "work");
  fs::create_directories(root / "config");
  std::ofstream(root / "config" / "customer.ini") << Entry("FromConfig");
  LoadedCustomerTable loaded = LoadCustomerTable(root / "work", root / "config");
  EXPECT_EQ(loaded.path, root / "config" / "customer.ini");
  ASSERT_EQ(loaded.table.entries.size(), 1u);
  std::ofstream(root / "work" / "customer.ini") << Entry("FromWork");
  loaded = LoadCustomerTable(root / "work", root / "config");
  EXPECT_EQ(loaded.table.entries.at(0).name, "FromWork");
  EXPECT_EQ(LoadedTableNote(loaded),
            "已读取 " + (root / "work" / "customer.ini").string() + "，保留 1 项");
  loaded = LoadCustomerTable(root / "none", {});
  EXPECT_EQ(LoadedTableNote(loaded), "未找到 customer.ini");
  EXPECT_TRUE(loaded.path.empty());
  EXPECT_TRUE(loaded.table.entries.empty());
  fs::remove_all(root);
}

TEST(CustomerRecords, RoundTripAndMeasuredFieldsNotSent) {
  CustomerTiming t{1920, 1080, 60, 148500000, 2200, 1125, -300, 255, 9, 2200, 5, 1125, 1125};
  auto bytes = EncodeCustomerTiming(t);
  for (std::size_t i = 24; i < 36; ++i) EXPECT_EQ(bytes[i], 0) << i;
  CustomerTiming back = DecodeCustomerTiming(bytes);
  EXPECT_EQ(back.offsetHori, -300);
  EXPECT_EQ(back.maxHeight, 1125);
  EXPECT_EQ(back.blockLength, 0);
  PicturePosition p{-1, -1, 0, 0};
  EXPECT_EQ(DecodePicturePosition(EncodePicturePosition(p)), p);
  EXPECT_EQ(EncodePicturePosition(p)[0], 0xFF);
}

}  // namespace
}  // namespace tav
