// The peripheral page's rules: mode names, lists per device type, refresh selections, the code
// and size derived from the three texts, audio flags and the input detection.
#include <gtest/gtest.h>

#include "device/board.h"
#include "video/video_modes.h"

namespace tav {
namespace {

StatusBlock StatusWith(int deviceType, int code, int w, int h, int audio = 0) {
  StatusBlock s{};
  qor::putU32(s, 68, deviceType);
  StorePeripheral(s, {static_cast<std::uint16_t>(code), static_cast<std::uint16_t>(w),
                      static_cast<std::uint16_t>(h), static_cast<std::uint16_t>(audio), 48000});
  return s;
}

struct Shown {
  int deviceType, code, w, h;
  const char* name;
  const char* type;
  const char* resolution;
  const char* frequency;
};

TEST(VideoModes, RefreshShowsNameAndSelections) {
  const Shown cases[] = {
      {4, 131, 1024, 768, "DISPLAY_VGA_1024x768_60Hz", "DISPLAY_VGA", "1024x768", "60Hz"},
      {1, 3, 0, 0, "CAPTURE_AUTO", "CAPTURE_VGA", "AUTO", "60Hz"},
      {1, 12, 0, 0, "CAPTURE_AUTO", "CAPTURE_HDMI", "AUTO", "60Hz"},
      {7, 26, 0, 0, "CAPTURE_AUTO", "CAPTURE_SDI", "AUTO", "60Hz"},
      {1, 23, 1920, 1080, "CAPTURE_HDMI50i_1920x1080_50Hz", "CAPTURE_HDMI", "1080I", "50Hz"},
      {1, 24, 720, 576, "CAPTURE_HDMI50p_720x576_50Hz", "CAPTURE_HDMI", "576P", "50Hz"},
      {1, 21, 1280, 1024, "CAPTURE_HDMI_1280x1024_75Hz", "CAPTURE_HDMI", "1280x1024", "75Hz"},
      {1, 6, 720, 480, "CAPTURE_YPbPri_720x480_60Hz", "CAPTURE_YPbPr", "480I", "60Hz"},
      {1, 7, 1920, 1080, "CAPTURE_YPbPrp_1920x1080_50Hz", "CAPTURE_YPbPr", "1080P", "50Hz"},
      {7, 32, 1920, 1080, "CAPTURE_SDI50i_1920x1080_50Hz", "CAPTURE_SDI", "1080I", "50Hz"},
      {7, 29, 1280, 720, "CAPTURE_SDI25p_1280x720_25Hz", "CAPTURE_SDI", "720P", "25Hz"},
      {21, 154, 1920, 1080, "DISPLAY_BOTH_1920x1080_60Hz", "DISPLAY_BOTH", "1080P", "60Hz"},
      {4, 132, 1920, 1080, "DISPLAY_YPbPr_1920x1080_60Hz", "DISPLAY_YPbPr", "1080I", "60Hz"},
      {2, 134, 1280, 960, "DISPLAY_HDMI_1280x960_60Hz", "DISPLAY_HDMI", "1280x960", "60Hz"},
      {1, 16, 1440, 900, "CAPTURE_VGA_1440x900_75Hz", "CAPTURE_VGA", "1440x900", "75Hz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PeripheralForm form = MakePeripheralForm(c.deviceType, {});
    ShowStatus(form, StatusWith(c.deviceType, c.code, c.w, c.h));
    EXPECT_EQ(form.modeName, c.name);
    EXPECT_EQ(form.types.text(), c.type);
    EXPECT_EQ(form.resolutions.text(), c.resolution);
    EXPECT_EQ(form.frequencies.text(), c.frequency);
  }
}

TEST(VideoModes, UnknownCodeAndUnlistedSizeKeepDefaults) {
  EXPECT_EQ(ModeName(99, 10, 20), "UNKNOWN_99_10x20");
  PeripheralForm form = MakePeripheralForm(4, {});
  ShowStatus(form, StatusWith(4, 131, 800, 600));  // not in the two-entry list
  EXPECT_EQ(form.resolutions.text(), "1024x768");
}

TEST(VideoModes, TypeListsPerDeviceType) {
  EXPECT_EQ(PeripheralTypes(1).size(), 7u);
  EXPECT_EQ(PeripheralTypes(20)[6], "CAPTURE_HDMI_CUSTOMER");
  EXPECT_EQ(PeripheralTypes(6)[5], "DISPLAY_HDMI");
  EXPECT_EQ(PeripheralTypes(4).size(), 5u);
  EXPECT_EQ(PeripheralTypes(21), (std::vector<std::string>{"DISPLAY_BOTH", "DISPLAY_YPbPr",
                                                           "DISPLAY_HDMI", "DISPLAY_VGA"}));
  PeripheralForm sdi = MakePeripheralForm(7, {});
  EXPECT_FALSE(sdi.types.enabled);
  EXPECT_EQ(sdi.audio.entries, (std::vector<std::string>{"STEREO", "SDI"}));
  EXPECT_TRUE(MakePeripheralForm(9, {}).detectShown);
  EXPECT_FALSE(MakePeripheralForm(3, {}).detectShown);
}

TEST(VideoModes, TypeChangeFillsListsAndAudio) {
  PeripheralForm form = MakePeripheralForm(1, {"WideScreen", "Odd"});
  ChangeType(form, 1);  // CAPTURE_HDMI
  EXPECT_EQ(form.resolutions.text(), "1080P");
  EXPECT_EQ(form.frequencies.entries, (std::vector<std::string>{"60Hz", "50Hz"}));
  EXPECT_TRUE(form.audio.enabled);
  EXPECT_EQ(form.audioText, "STEREO");
  ChangeType(form, 2);  // CAPTURE_YPbPr: 720P offers 50 then 60, the first selected
  EXPECT_EQ(form.resolutions.text(), "720P");
  EXPECT_EQ(form.frequencies.text(), "50Hz");
  EXPECT_FALSE(form.audio.enabled);
  EXPECT_EQ(form.audioText, "HDMI");
  ChangeType(form, 5);  // CAPTURE_VGA_CUSTOMER
  EXPECT_EQ(form.resolutions.entries,
            (std::vector<std::string>{"0x0_SET_BY_PROVIDER", "WideScreen", "Odd"}));
  EXPECT_EQ(form.frequencies.entries, std::vector<std::string>{"60Hz"});

  PeripheralForm both = MakePeripheralForm(21, {});
  EXPECT_EQ(both.audioText, "STEREO");
  EXPECT_FALSE(both.frequencies.enabled);
  EXPECT_EQ(both.resolutions.text(), "1024x768");
  // A type 2 decoder's HDMI display, and a type 6 one likewise.
  for (int type : {2, 6}) {
    PeripheralForm d = MakePeripheralForm(type, {});
    ChangeType(d, 5);
    EXPECT_EQ(d.resolutions.text(), "1920x1080");
    EXPECT_EQ(d.resolutions.entries.size(), 8u);
  }
}

TEST(VideoModes, ResolutionChangeRules) {
  PeripheralForm form = MakePeripheralForm(1, {});
  ChangeType(form, 2);  // YPbPr
  ASSERT_TRUE(form.resolutions.select("576P"));
  ChangeResolution(form, form.resolutions.selected);
  EXPECT_EQ(form.frequencies.entries, std::vector<std::string>{"50Hz"});
  ChangeType(form, 1);  // HDMI
  form.resolutions.select("AUTO");
  ChangeResolution(form, form.resolutions.selected);
  EXPECT_FALSE(form.frequencies.enabled);
  form.resolutions.select("1600x900");
  ChangeResolution(form, form.resolutions.selected);
  EXPECT_EQ(form.frequencies.entries.size(), 3u);
  EXPECT_TRUE(form.frequencies.enabled);
  ChangeType(form, 0);  // VGA
  form.frequencies.selected = 2;
  form.resolutions.select("1920x1200");
  ChangeResolution(form, form.resolutions.selected);
  EXPECT_FALSE(form.frequencies.enabled);
  EXPECT_EQ(form.frequencies.text(), "60Hz");

  PeripheralForm sdi = MakePeripheralForm(7, {});
  for (auto [r, count] : {std::pair{"AUTO", 1}, {"1080P", 5}, {"1080I", 2}, {"576I", 1}}) {
    sdi.resolutions.select(r);
    ChangeResolution(sdi, sdi.resolutions.selected);
    EXPECT_EQ(sdi.frequencies.entries.size(), static_cast<std::size_t>(count)) << r;
  }
}

struct Derived {
  const char *t, *r, *f;
  int code, w, h;
};

TEST(VideoModes, ApplyDerivesCodeAndSize) {
  const Derived cases[] = {
      {"CAPTURE_HDMI", "1080I", "50Hz", 23, 1920, 1080},
      {"CAPTURE_HDMI", "1280x1024", "75Hz", 21, 1280, 1024},
      {"CAPTURE_HDMI", "480I", "60Hz", 25, 720, 480},
      {"CAPTURE_HDMI", "576P", "50Hz", 24, 720, 576},
      {"CAPTURE_HDMI", "AUTO", "60Hz", 12, 0, 0},
      {"CAPTURE_YPbPr", "576P", "50Hz", 7, 720, 576},
      {"CAPTURE_YPbPr", "1080I", "60Hz", 6, 1920, 1080},
      {"CAPTURE_VGA", "1280x1024", "85Hz", 17, 1280, 1024},
      {"CAPTURE_VGA", "AUTO", "75Hz", 3, 0, 0},
      {"CAPTURE_SDI", "720P", "25Hz", 29, 1280, 720},
      {"CAPTURE_SDI", "1080I", "60Hz", 31, 1920, 1080},
      {"CAPTURE_SDI", "1080I", "50Hz", 32, 1920, 1080},
      {"CAPTURE_SDI", "AUTO", "60Hz", 26, 0, 0},
      {"DISPLAY_YPbPr", "1080I", "60Hz", 146, 1920, 1080},
      {"DISPLAY_YPbPr", "720P", "60Hz", 132, 1280, 720},
      {"DISPLAY_BOTH", "1024x768", "60Hz", 154, 1024, 768},
      {"DISPLAY_HDMI", "AUTO", "60Hz", 134, 0, 0},
      {"CAPTURE_VGA_CUSTOMER", "1600x900_wide", "60Hz", 33, 1600, 900},
      {"CAPTURE_VGA_CUSTOMER", "WideScreen", "60Hz", 33, 0, 0},
      {"CAPTURE_HDMI_CUSTOMER", "0x0_SET_BY_PROVIDER", "60Hz", 34, 0, 0},
      {"CAPTURE_VGA", "1024x768", "50Hz", 77, 1024, 768},  // no rule: the code stays
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.t) + " " + c.r + " " + c.f);
    const ModeChoice m = DeriveMode(c.t, c.r, c.f, 77);
    EXPECT_EQ(m, (ModeChoice{static_cast<std::uint16_t>(c.code), c.w, c.h}));
  }
}

TEST(VideoModes, ModeNamesParseBack) {
  EXPECT_EQ(ParseModeName("CAPTURE_AUTO"), (ModeChoice{3, 0, 0}));
  EXPECT_EQ(ParseModeName("CAPTURE_HDMI50i_1920x1080_50Hz"), (ModeChoice{23, 1920, 1080}));
  EXPECT_EQ(ParseModeName("CAPTURE_VGA_1280x1024", 75), (ModeChoice{16, 1280, 1024}));
  EXPECT_EQ(ParseModeName("CAPTURE_VGA_1280x1024"), (ModeChoice{3, 1280, 1024}));
  EXPECT_FALSE(ParseModeName("CAPTURE_VGA_1280x1024_75Hz", 60));
  EXPECT_FALSE(ParseModeName("CAPTURE_VGA_12x"));
  for (const auto& row : ModeCodes()) {
    const std::string name = ModeName(row.code, 1280, 720);
    auto parsed = ParseModeName(name);
    ASSERT_TRUE(parsed) << name;
    EXPECT_EQ(ModeName(parsed->code, parsed->width, parsed->height), name);
  }
  EXPECT_EQ(KnownModeNames().size(), 31u);
}

TEST(VideoModes, AudioFlags) {
  EXPECT_EQ(AudioFlags("STEREO"), 0x0080);
  EXPECT_EQ(AudioFlags("Stereo"), 0);  // case-sensitive
  EXPECT_EQ(AudioFlags("BOTH"), 0x0180);
  EXPECT_EQ(AudioFlags("MUTE"), 0x0002);
  EXPECT_EQ(AudioText(0), "MONO");
  EXPECT_EQ(AudioText(0x0280), "BOTH");
  EXPECT_EQ(AudioText(0x0200), "SDI");
  EXPECT_EQ(AudioText(0x0001), "UnKnown");
}

TEST(VideoModes, PeripheralRecordAndType) {
  const auto r = EncodePeripheral({23, 1920, 1080, 0x0100, 48000});
  EXPECT_EQ(qor::getU32(r, 0), 16u);
  EXPECT_EQ(qor::getU16(r, 4), 23);
  EXPECT_EQ(qor::getU16(r, 8), 1080);
  EXPECT_EQ(qor::getU16(r, 10), 0x0100);
  EXPECT_EQ(qor::getU32(r, 12), 48000u);
  for (int t : {1, 3, 5, 7, 9, 11, 20}) EXPECT_EQ(PeripheralConfigType(t), 7);
  for (int t : {2, 4, 6, 21, 0}) EXPECT_EQ(PeripheralConfigType(t), 8);
}

TEST(VideoModes, Detection) {
  Detection d = DetectFromFrontEnd({0x0D, 0x42, 0x04, 0x65});
  EXPECT_EQ(d.period, 3394);
  EXPECT_EQ(d.lines, 1125);
  EXPECT_EQ(d.text, "频率: 60.00 Hz\nMaxlines: 1125\n\n可能分辨率为：1080P或1600x1200");
  EXPECT_EQ(DetectFromFrontEnd({0xFF, 0x42, 0x00, 0x00}).text, "无视频输入！");
  // 1000 lines: between the two hints.
  d = DetectFromFrontEnd({0x0D, 0x42, 0x03, 0xE8});
  EXPECT_EQ(d.text.find("可能"), std::string::npos);
  EXPECT_EQ(d.text.substr(d.text.size() - 15), "Maxlines: 1000\n");
  d = DetectFromFrontEnd({0x0D, 0x42, 0x04, 0x65});
  DetectFromHdmi(d, {0x07, 0x80, 0x02, 0x1C});
  EXPECT_EQ(d.text, "频率: 60.00 Hz\n分辨率为：1920x540 (1080I)");
  DetectFromHdmi(d, {0x05, 0x00, 0x04, 0x00});
  EXPECT_EQ(d.text, "频率: 60.00 Hz\n分辨率为：1280x1024");
}

}  // namespace
}  // namespace tav
