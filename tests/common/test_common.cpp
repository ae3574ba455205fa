#include <gtest/gtest.h>

#include <array>

#include "gbk.h"
#include "le_bytes.h"
#include "wire.h"

TEST(LeBytes, FieldsRoundTripAndOutOfRangeIsHarmless) {
  std::array<std::uint8_t, 8> b{};
  qor::putU32(b, 0, 0x04030201);
  qor::putU16(b, 4, 0xBEEF);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[3], 4);
  EXPECT_EQ(qor::getU32(b, 0), 0x04030201u);
  EXPECT_EQ(qor::getI16(b, 4), static_cast<std::int16_t>(0xBEEF));
  qor::putU32(b, 6, 0xFFFFFFFF);  // would overrun: dropped
  EXPECT_EQ(b[6], 0);
  EXPECT_EQ(qor::getU32(b, 6), 0u);
  EXPECT_EQ(qor::getU32(b, SIZE_MAX), 0u);
}

TEST(LeBytes, TextSlots) {
  std::array<std::uint8_t, 8> b{};
  qor::putText(b, 0, 4, "abcdef");
  EXPECT_EQ(qor::getText(b, 0, 4), "abc");
  std::array<std::uint8_t, 4> full{'w', 'x', 'y', 'z'};
  EXPECT_EQ(qor::getText(full, 0, 4), "wxyz");  // no NUL: the whole slot
  EXPECT_EQ(qor::getText(full, 2, 10), "yz");   // slot past the end is clipped
}

TEST(Wire, AddressTexts) {
  std::uint32_t a = 0;
  ASSERT_TRUE(qor::parseIp("192.168.1.20", a));
  EXPECT_EQ(a, qor::ipFromOctets(192, 168, 1, 20));
  EXPECT_EQ(qor::ipText(a), "192.168.1.20");
  for (const char* bad :
       {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.x", " 1.2.3.4", "1..2.3", "0001.2.3.4"})
    EXPECT_FALSE(qor::parseIp(bad, a)) << bad;
}

TEST(Gbk, ConvertsBothWaysAndNeverEmitsInvalidUtf8) {
  const std::string utf8 = "编码板";
  std::string gbk = qor::utf8ToGbk(utf8);
  EXPECT_EQ(gbk, "\xB1\xE0\xC2\xEB\xB0\xE5");
  EXPECT_EQ(qor::gbkToUtf8(gbk), utf8);
  EXPECT_EQ(qor::gbkToUtf8("ab\xFF"
                           "c"),
            "ab\xEF\xBF\xBD"
            "c");
  EXPECT_EQ(qor::gbkToUtf8("x\xB1"), "x\xEF\xBF\xBD");  // lead byte cut off at the end
  EXPECT_EQ(qor::utf8ToGbk("a\xF0\x9F\x98\x80"
                           "b"),
            "a?b");  // emoji has no GBK form
  EXPECT_EQ(qor::sanitizeUtf8("a\xC3"), "a\xEF\xBF\xBD");
}
