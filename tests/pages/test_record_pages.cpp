#include <gtest/gtest.h>

#include "pages/field_text.h"
#include "pages/record_pages.h"
#include "status_fixture.h"

using namespace tav;

TEST(FieldText, AcceptsIntegersOnly) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  } cases[] = {
      {"12", 12},
      {" -5 ", -5},
      {"+7", 7},
      {"0", 0},
      {"2147483647", 2147483647},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"abc", std::nullopt},
      {"12abc", std::nullopt},
      {"1.5", std::nullopt},
      {"+-3", std::nullopt},
      {"--3", std::nullopt},
      {"99999999999", std::nullopt},
      {"1 2", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseIntegerField(c.text), c.value) << '"' << c.text << '"';
}

TEST(FieldText, AddressesMustBeWholeAndEachPartAByte) {
  struct Case {
    const char* text;
    AddressEntry entry;
    const char* address;
  } cases[] = {
      {"10.77.0.40", AddressEntry::Complete, "10.77.0.40"},
      {" 0.0.0.0 ", AddressEntry::Complete, "0.0.0.0"},
      {"255.255.255.255", AddressEntry::Complete, "255.255.255.255"},
      {"10.77", AddressEntry::Incomplete, nullptr},
      {"10.77.0.", AddressEntry::Incomplete, nullptr},
      {"", AddressEntry::Incomplete, nullptr},
      {"10..0.1", AddressEntry::Incomplete, nullptr},
      {"1.2.3.4.5", AddressEntry::Incomplete, nullptr},
      {"1.2.3.1234", AddressEntry::Incomplete, nullptr},
      {"300", AddressEntry::Incomplete, nullptr},
      {"10.0.0.300", AddressEntry::OctetTooLarge, nullptr},
      {"256.1.1.1", AddressEntry::OctetTooLarge, nullptr},
  };
  for (const Case& c : cases) {
    ParsedAddress p = ParseAddressField(c.text);
    EXPECT_EQ(p.entry, c.entry) << c.text;
    if (c.address) {
      EXPECT_EQ(p.address, pagetest::Ip(c.address)) << c.text;
    }
  }
  EXPECT_EQ(AddressEntryText("IP地址", AddressEntry::Incomplete),
            "IP地址：地址不完整，请输入四段数字，如 192.168.18.235。");
}

// A value the record field cannot hold (or the boards make no sense of) is refused with the
// field and its range named, instead of wrapping on the wire.
TEST(RecordPages, RangeRefusalNamesTheFieldAndItsRange) {
  FieldValues v{1, 25, 4000, 50, 1920, 1080, 1};
  const std::size_t editable[] = {video::kFrameRate, video::kBitRate, video::kIFrameInterval};
  EXPECT_EQ(RangeRefusal(RecordPage::VideoEncoding, v, editable), "");
  v[video::kFrameRate] = 300;
  EXPECT_EQ(RangeRefusal(RecordPage::VideoEncoding, v, editable),
            "帧率(FPS)：超出范围，请输入 1-60 之间的整数。");
  v[video::kFrameRate] = 0;
  EXPECT_NE(RangeRefusal(RecordPage::VideoEncoding, v, editable), "");
  v[video::kFrameRate] = 60;
  v[video::kBitRate] = 70000;
  EXPECT_EQ(RangeRefusal(RecordPage::VideoEncoding, v, editable),
            "码率(kbps)：超出范围，请输入 1-65535 之间的整数。");
  // Width and height only count when the user unlocked them.
  v[video::kBitRate] = 65535;
  v[video::kWidth] = 70000;
  EXPECT_EQ(RangeRefusal(RecordPage::VideoEncoding, v, editable), "");
  const std::size_t size[] = {video::kWidth};
  EXPECT_NE(RangeRefusal(RecordPage::VideoEncoding, v, size), "");
  // The volume keeps its own rule (sent as 50); brightness is a 16-bit field.
  const std::size_t volume[] = {volume::kVolume};
  EXPECT_EQ(RangeRefusal(RecordPage::Volume, {0, 150}, volume), "");
  const std::size_t brightness[] = {quality::kBrightness};
  EXPECT_EQ(RangeRefusal(RecordPage::VideoQuality, {65535, 0, 0}, brightness), "");
  EXPECT_EQ(RangeRefusal(RecordPage::VideoQuality, {65536, 0, 0}, brightness),
            "亮度：超出范围，请输入 0-65535 之间的整数。");
}

// The apply's plan: refused with the range text, or the values as sent and their record.
TEST(RecordPages, PlanCarriesTheRefusalOrWhatIsSent) {
  const std::size_t volumeField[] = {volume::kVolume};
  auto plan = PlanRecordPage(RecordPage::Volume, {1, 150}, volumeField);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->values, (FieldValues{1, 50}));  // out of 0..100: the board gets 50
  EXPECT_EQ(plan->record, BuildRecord(RecordPage::Volume, {1, 50}));

  const std::size_t brightness[] = {quality::kBrightness};
  auto refused = PlanRecordPage(RecordPage::VideoQuality, {65536, 0, 0}, brightness);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.refusal(), "亮度：超出范围，请输入 0-65535 之间的整数。");
  // A field the user left alone goes back as the board sent it.
  EXPECT_TRUE(PlanRecordPage(RecordPage::VideoQuality, {65536, 0, 0}, {}));
}

TEST(RecordPages, VideoRecordPutsFieldsAtTheirOffsetsNarrowed) {
  FieldValues v{1, 300, 70000, 50, 1920, 1080, 1};
  auto r = BuildRecord(RecordPage::VideoEncoding, v);
  ASSERT_EQ(r.size(), 28u);
  EXPECT_EQ(qor::getU32(r, 0), 28u);
  EXPECT_EQ(r[4], 2);
  EXPECT_EQ(r[7], 1);
  EXPECT_EQ(r[9], 300 & 0xff);  // frame rate is one byte on the wire
  EXPECT_EQ(qor::getU16(r, 10), 70000 & 0xffff);
  EXPECT_EQ(qor::getU32(r, 12), 50u);
  EXPECT_EQ(qor::getU32(r, 16), 1920u);
  EXPECT_EQ(qor::getU32(r, 20), 1080u);
  EXPECT_EQ(qor::getU32(r, 24), 1u);
  for (std::size_t i : {5u, 6u, 8u}) EXPECT_EQ(r[i], 0) << i;
}

TEST(RecordPages, AudioQualityAndVolumeRecords) {
  auto a = BuildRecord(RecordPage::AudioEncoding, {2, 96, 32000, 1});
  std::vector<std::uint8_t> audio{16, 0, 0, 0, 6, 2, 96, 0, 0x00, 0x7d, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(a, audio);
  auto q = BuildRecord(RecordPage::VideoQuality, {100, 7, 8});
  std::vector<std::uint8_t> quality{12, 0, 0, 0, 0, 0, 100, 0, 7, 0, 8, 0};
  EXPECT_EQ(q, quality);
  auto v = BuildRecord(RecordPage::Volume, {1, 80});
  std::vector<std::uint8_t> volume{8, 0, 0, 0, 1, 0, 80, 0};
  EXPECT_EQ(v, volume);
  EXPECT_EQ(LayoutOf(RecordPage::VideoEncoding).configType, 1);
  EXPECT_EQ(LayoutOf(RecordPage::AudioEncoding).configType, 2);
  EXPECT_EQ(LayoutOf(RecordPage::VideoQuality).configType, 9);
  EXPECT_EQ(LayoutOf(RecordPage::Volume).configType, 10);
}

TEST(RecordPages, StatusCopyTakesOnlyTheNamedFields) {
  for (RecordPage page : {RecordPage::VideoEncoding, RecordPage::AudioEncoding, RecordPage::Volume,
                          RecordPage::VideoQuality}) {
    StatusBlock s{};
    s.fill(0xA5);
    const RecordLayout& l = LayoutOf(page);
    FieldValues values;
    for (std::size_t i = 0; i < l.fields.size(); ++i)
      values.push_back(static_cast<std::int32_t>(i + 3));
    StoreFields(page, s, values);
    EXPECT_EQ(ReadFields(page, s), values);
    std::size_t touched = 0;
    for (std::uint8_t b : s) touched += b != 0xA5;
    std::size_t widths = 0;
    for (const RecordField& f : l.fields) widths += f.width;
    EXPECT_LE(touched, widths);  // size field, mark byte and padding keep the board's bytes
    EXPECT_EQ(s[l.statusOffset], 0xA5);
  }
}

TEST(RecordPages, ReadsTheStatusOffsetsOfEachPage) {
  StatusBlock s{};
  s[143] = 1;
  s[145] = 25;
  qor::putU16(s, 146, 4096);
  qor::putU32(s, 148, 50);
  qor::putU32(s, 152, 1280);
  qor::putU32(s, 156, 720);
  qor::putU32(s, 160, 1);
  EXPECT_EQ(ReadFields(RecordPage::VideoEncoding, s), (FieldValues{1, 25, 4096, 50, 1280, 720, 1}));
  s[169] = 2;
  qor::putU16(s, 170, 128);
  qor::putU32(s, 172, 44100);
  qor::putU32(s, 176, 1);
  EXPECT_EQ(ReadFields(RecordPage::AudioEncoding, s), (FieldValues{2, 128, 44100, 1}));
  qor::putU16(s, 186, 60);
  qor::putU16(s, 188, 61);
  qor::putU16(s, 190, 62);
  EXPECT_EQ(ReadFields(RecordPage::VideoQuality, s), (FieldValues{60, 61, 62}));
  qor::putU16(s, 196, 1);
  qor::putU16(s, 198, 77);
  EXPECT_EQ(ReadFields(RecordPage::Volume, s), (FieldValues{1, 77}));
}

TEST(RecordPages, DeviceTypesEachPageServes) {
  for (int t : {2, 4, 21}) {
    EXPECT_FALSE(PageApplies(RecordPage::VideoEncoding, t)) << t;
    EXPECT_FALSE(PageApplies(RecordPage::AudioEncoding, t)) << t;
    EXPECT_FALSE(PageApplies(RecordPage::VideoQuality, t)) << t;
    EXPECT_TRUE(PageApplies(RecordPage::Volume, t)) << t;
  }
  for (int t : {1, 3, 5, 7, 9, 11, 20}) {
    EXPECT_TRUE(PageApplies(RecordPage::VideoEncoding, t)) << t;
    EXPECT_FALSE(PageApplies(RecordPage::Volume, t)) << t;
  }
  EXPECT_TRUE(PageApplies(RecordPage::VideoQuality, 8));
  EXPECT_TRUE(PageApplies(RecordPage::Volume, 8));
}

TEST(RecordPages, VolumeOutsideRangeIsSentAsFifty) {
  struct Case {
    std::int32_t in, out;
  } cases[] = {{150, 50}, {101, 50}, {-1, 50}, {100, 100}, {0, 0}, {37, 37}};
  for (const Case& c : cases) {
    EXPECT_EQ(VolumeToSend(c.in), c.out);
    FieldValues sent = ValuesToSend(RecordPage::Volume, {1, c.in});
    EXPECT_EQ(sent, (FieldValues{1, c.out}));
    EXPECT_EQ(qor::getU16(BuildRecord(RecordPage::Volume, sent), 6), c.out);
  }
  // Other pages send what they were given.
  EXPECT_EQ(ValuesToSend(RecordPage::VideoQuality, {150, 1, 2}), (FieldValues{150, 1, 2}));
}

TEST(RecordPages, AudioChoicesAndAllowedBitRates) {
  EXPECT_EQ(SampleRateChoice(44100), 0u);
  EXPECT_EQ(SampleRateChoice(8000), 3u);
  EXPECT_EQ(SampleRateChoice(22050), 0u);  // unknown: 44.1K
  EXPECT_EQ(AudioBitRateChoice(32), 2u);
  EXPECT_EQ(AudioBitRateChoice(64), 0u);  // unknown: 128K
  using A = std::array<bool, 4>;          // 128K, 96K, 32K, 16K
  EXPECT_EQ(AudioBitRatesAllowed(8000), (A{false, false, true, true}));
  EXPECT_EQ(AudioBitRatesAllowed(16000), (A{false, false, true, true}));
  EXPECT_EQ(AudioBitRatesAllowed(44100), (A{true, true, false, false}));
  EXPECT_EQ(AudioBitRatesAllowed(32000), (A{true, true, true, true}));
  EXPECT_EQ(ChannelsFor(true), 2);
  EXPECT_EQ(ChannelsFor(false), 1);
}

TEST(RecordPages, RestartRecordAndFactoryCredentials) {
  auto r = RestartRecord();
  EXPECT_EQ(qor::getU32(r, 0), 12u);
  EXPECT_EQ(qor::getU32(r, 4), 0u);
  EXPECT_EQ(qor::getU32(r, 8), 0u);
  EXPECT_TRUE(FactoryResetAllowed("admin", "tarvenol"));
  EXPECT_FALSE(FactoryResetAllowed("Admin", "tarvenol"));
  EXPECT_FALSE(FactoryResetAllowed("admin", "Tarvenol"));
  EXPECT_FALSE(FactoryResetAllowed("admin ", "tarvenol"));
  EXPECT_FALSE(FactoryResetAllowed("", ""));
}
