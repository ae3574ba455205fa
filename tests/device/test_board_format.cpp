// The texts through which lists and pages show a board.
#include <gtest/gtest.h>

#include "device/board.h"
#include "gbk.h"
#include "status_builder.h"

using devtest::FakeBoard;
using devtest::ip;
using devtest::makeBoard;

namespace {

CBoard withVideo(int type, int mode, int w, int h) {
  FakeBoard fake;
  fake.type = type;
  CBoard b = makeBoard(fake);
  qor::putI16(b.statusBlock(), tav::status::kVideoMode, static_cast<std::int16_t>(mode));
  qor::putI16(b.statusBlock(), tav::status::kVideoWidth, static_cast<std::int16_t>(w));
  qor::putI16(b.statusBlock(), tav::status::kVideoHeight, static_cast<std::int16_t>(h));
  return b;
}

CBoard receiver(int type, int receiveMode) {
  FakeBoard fake;
  fake.type = type;
  CBoard b = makeBoard(fake);
  qor::putU32(b.statusBlock(), tav::status::kReceiveAddress, ip("239.9.8.7"));
  qor::putU16(b.statusBlock(), tav::status::kReceivePort, 40000);
  qor::putI16(b.statusBlock(), tav::status::kReceiveMode, static_cast<std::int16_t>(receiveMode));
  return b;
}

}  // namespace

TEST(BoardRecord, ConstructionCarriesTheStatusBlockAndZeroesTheRest) {
  FakeBoard fake;
  fake.name = "abc";
  auto block = devtest::makeStatus(fake);
  block[150] = 0x5a;  // a byte the program never reads is carried unchanged
  CBoard b(block);
  EXPECT_EQ(b.statusBlock(), block);
  EXPECT_EQ(b.streamAccess(), tav::StreamAccessBlock{});
  EXPECT_EQ(b.sourceAddress(), 0u);
  EXPECT_EQ(b.statisticsClient, nullptr);
  EXPECT_EQ(b.statisticsRunning, 0);
  EXPECT_TRUE(b.statisticsAddress.empty());

  // A short block (a truncated answer) is taken as far as it goes.
  CBoard shortBlock(std::span<const std::uint8_t>(block.data(), 40));
  EXPECT_EQ(shortBlock.ip(), ip("10.77.0.20"));
  EXPECT_EQ(shortBlock.deviceType(), 0);
}

TEST(BoardRecord, ContactAddressIsTheReplySourceWhenKnown) {
  FakeBoard fake;
  fake.ip = "192.168.1.20";
  CBoard b = makeBoard(fake);
  EXPECT_EQ(b.AddressText(), "192.168.1.20");
  b.SetSourceAddress(ip("10.0.0.5"));
  EXPECT_EQ(b.ContactAddress(), ip("10.0.0.5"));
  EXPECT_EQ(b.AddressText(), "10.0.0.5");
  b.SetSourceAddress(0);
  EXPECT_EQ(b.AddressText(), "192.168.1.20");
}

TEST(BoardRecord, IdentityTexts) {
  FakeBoard fake;
  fake.mask = "255.255.254.0";
  fake.mac = {0x00, 0xAB, 0x0C, 0xFF, 0x10, 0x01};
  CBoard b = makeBoard(fake);
  EXPECT_EQ(b.MaskText(), "255.255.254.0");
  EXPECT_EQ(b.MacText(), "00:ab:0c:ff:10:01");

  qor::putI16(b.statusBlock(), tav::status::kVersionKMajor, 3);
  qor::putI16(b.statusBlock(), tav::status::kVersionKMinor, 12);
  qor::putI16(b.statusBlock(), tav::status::kVersionAMajor, 4);
  qor::putI16(b.statusBlock(), tav::status::kVersionAMinor, -1);
  EXPECT_EQ(b.VersionText(), "K3.12-A4.-1");
}

TEST(BoardRecord, NameIsDecodedFromGbkAndStoredWithinItsSlot) {
  CBoard b = makeBoard({});
  qor::putText(b.statusBlock(), tav::status::kName, 32, qor::utf8ToGbk("会议室编码器"));
  EXPECT_EQ(b.Name(), "会议室编码器");

  qor::putI32(b.statusBlock(), tav::status::kDeviceType, 20);
  // 16 two-byte characters need 32 bytes; the slot holds 31 and a NUL, so one character goes,
  // whole, and the device type after the slot is untouched.
  std::string sixteen = "一二三四五六七八九十一二三四五六";
  b.setName(sixteen);
  EXPECT_EQ(b.Name(), "一二三四五六七八九十一二三四五");
  EXPECT_EQ(b.deviceType(), 20);
  b.setName("lobby");
  EXPECT_EQ(b.Name(), "lobby");
}

TEST(BoardRecord, BasebandText) {
  struct Row {
    int major, minor;
    const char* text;
  };
  for (Row r : {Row{0, 3, "未知"}, Row{2, 0, "A2.0"}, Row{5, 17, "A5.17"}, Row{1, -1, "未知"},
                Row{-3, 1, "未知"}}) {
    CBoard b = makeBoard({});
    b.statusBlock()[tav::status::kBasebandMajor] = static_cast<std::uint8_t>(r.major);
    b.statusBlock()[tav::status::kBasebandMinor] = static_cast<std::uint8_t>(r.minor);
    EXPECT_EQ(b.BasebandText(), r.text) << r.major << "." << r.minor;
  }
}

TEST(BoardRecord, TypeNamesAndKinds) {
  struct Row {
    int type;
    const char* name;
    bool encoder;
  };
  const Row rows[] = {
      {1, "HD编码板", true},  {2, "HD解码板", false},  {3, "编码板", true},
      {4, "解码板", false},   {5, "", true},           {7, "SDI编码器", true},
      {8, "HD解码板", false}, {9, "DVI编码板", true},  {11, "T4500", true},
      {20, "T810", true},     {21, "HD解码板", false}, {0, "", false},
      {6, "", false},         {-1, "", false},
  };
  for (const Row& r : rows) {
    FakeBoard fake;
    fake.type = r.type;
    CBoard b = makeBoard(fake);
    EXPECT_EQ(b.TypeName(), r.name) << r.type;
    EXPECT_EQ(b.IsEncoder(), r.encoder) << r.type;
    EXPECT_EQ(tav::IsEncoderType(r.type), r.encoder) << r.type;
  }
}

TEST(BoardRecord, EncoderTransportByAddressAndMode) {
  struct Row {
    const char* ip;
    const char* send;
    std::uint16_t port, mode;
    int cls;
    const char* name;
  };
  const Row rows[] = {
      {"192.168.1.20", "192.168.1.255", 5000, 0, 1, "广播发送"},
      {"192.168.2.20", "192.168.1.255", 5000, 0, 10, "单播发送"},  // broadcast into another subnet
      {"192.168.1.20", "0.0.0.0", 0, 0, 2, "点播发送"},
      {"192.168.1.20", "0.0.0.0", 5000, 0, 10, "单播发送"},
      {"192.168.1.20", "224.0.0.1", 5000, 0, 0, "组播发送"},
      {"192.168.1.20", "239.1.1.1", 1234, 0, 0, "组播发送"},
      {"192.168.1.20", "240.1.1.1", 1234, 0, 10, "单播发送"},
      {"192.168.1.20", "192.168.1.7", 5000, 0, 10, "单播发送"},
      {"192.168.1.20", "239.1.1.1", 1234, 3, 3, "TCP发送"},  // the mode wins over the address
      {"192.168.1.20", "0.0.0.0", 0, 4, 4, "用户协议C1"},
      {"192.168.1.20", "0.0.0.0", 0, 5, 5, "RTSP"},
      {"192.168.1.20", "0.0.0.0", 0, 6, 6, "RTMP"},
      {"192.168.1.20", "0.0.0.0", 0, 7, 7, ""},
      {"192.168.1.20", "0.0.0.0", 0, 8, 8, "Onvif"},
      {"192.168.1.20", "0.0.0.0", 0, 9, 9, ""},
      {"192.168.1.20", "192.168.1.7", 5000, 10, 10, "单播发送"},
  };
  for (const Row& r : rows) {
    FakeBoard fake;
    fake.ip = r.ip;
    fake.send = r.send;
    fake.sendPort = r.port;
    fake.sendMode = r.mode;
    CBoard b = makeBoard(fake);
    EXPECT_EQ(b.TransportClass(), r.cls) << r.send << " mode " << r.mode;
    EXPECT_EQ(b.TransportName(), r.name) << r.send << " mode " << r.mode;
  }
}

TEST(BoardRecord, DecoderTransportByReceiveMode) {
  struct Row {
    int mode;
    const char* name;
  };
  const Row rows[] = {{0, "正常接收"},     {1, "组播接收"},     {2, "点播接收"},
                      {3, "TCP接收"},      {4, "RTSP接收"},     {8, "Onvif接收"},
                      {101, "动态切换"},   {201, "接收C1协议"}, {5, "接收方式未知"},
                      {-1, "接收方式未知"}};
  for (int type : {2, 4, 21}) {
    for (const Row& r : rows) {
      CBoard b = receiver(type, r.mode);
      EXPECT_EQ(b.TransportName(), r.name) << type << "/" << r.mode;
      EXPECT_EQ(b.TransportClass(), tav::kTransportNone);
    }
  }
  // Decoder kind without receive fields of its own.
  EXPECT_EQ(receiver(8, 1).TransportName(), "");
  EXPECT_EQ(receiver(0, 1).TransportName(), "");
}

TEST(BoardRecord, StreamAddress) {
  FakeBoard fake;
  fake.send = "239.1.1.1";
  fake.sendPort = 1234;
  EXPECT_EQ(makeBoard(fake).StreamAddressText(), "239.1.1.1:1234");
  fake.sendMode = 8;  // Onvif: always 5555
  EXPECT_EQ(makeBoard(fake).StreamAddressText(), "239.1.1.1:5555");
  fake.sendMode = 0;
  fake.sendPort = 65535;  // printed unsigned
  EXPECT_EQ(makeBoard(fake).StreamAddressText(), "239.1.1.1:65535");

  CBoard decoder = receiver(4, 1);
  EXPECT_EQ(decoder.StreamAddressText(), "239.9.8.7:40000");
  EXPECT_EQ(decoder.StreamAddress(), ip("239.9.8.7"));
  // Decoder kind outside 2/4/21 shows its send side.
  fake.type = 8;
  EXPECT_EQ(makeBoard(fake).StreamAddressText(), "239.1.1.1:65535");
}

TEST(BoardRecord, CaptureModeNames) {
  struct Row {
    int type, mode, w, h;
    const char* name;
  };
  const Row rows[] = {
      {1, 1, 0, 0, "CVBS"},
      {1, 3, 0, 0, "自动识别(VGA或YPbPr)"},
      {1, 3, 800, 600, "SVGA800x600"},
      {1, 16, 1280, 1024, "SXGA1280x1024"},
      {1, 17, 1024, 768, "XGA1024x768"},
      {1, 3, 0, 600, "VGA_ERROR"},
      {1, 3, 1280, -1, "VGA_ERROR"},
      {1, 3, 1440, 900, "VGA_1440x900"},
      {1, 4, 1, 1, "YPbPr"},
      {1, 5, 0, 0, "YPbPr1080i@50Hz"},
      {1, 6, 0, 0, "YPbPr1080i@60Hz"},
      {1, 7, 1920, 1080, "YPbPr1080P@50Hz"},
      {1, 7, 1280, 720, "YPbPr720P@50Hz"},
      {1, 8, 1920, 1080, "YPbPr1080P@60Hz"},
      {1, 8, 0, 0, "YPbPr720P@60Hz"},
      {1, 9, 0, 0, "YPbPr1080P@25Hz"},
      {1, 10, 0, 0, "YPbPr1080P@30Hz"},
      {9, 12, 1920, 1080, "DVI_1920x1080"},
      {1, 12, 1920, 1080, "HDMI_1080P"},
      {3, 12, 1280, 720, "HDMI_720P"},
      {1, 12, 1366, 768, "HDMI_1366x768"},
      {1, 18, 1920, 1080, "HDMI_1920x1080_xxHz"},
      {1, 22, 720, 576, "HDMI_720x576_xxHz"},
      {1, 23, 1920, 1080, "HDMI_1920x1080_50I"},
      {1, 24, 1920, 1080, "HDMI_1920x1080_50P"},
      {1, 25, 1920, 1080, "HDMI_1920x1080_60I"},
      {7, 26, 1920, 1080, "SDI_1920x1080_60P"},
      {7, 27, 1920, 1080, "SDI_1920x1080_50P"},
      {7, 28, 1920, 1080, "SDI_1920x1080_30P"},
      {7, 29, 1920, 1080, "SDI_1920x1080_25P"},
      {7, 30, 1920, 1080, "SDI_1920x1080_24P"},
      {7, 31, 1920, 1080, "SDI_1920x1080_60I"},
      {7, 32, 1920, 1080, "SDI_1920x1080_50I"},
      {20, 33, 1024, 768, "CVGA_1024x768"},
      {20, 34, 1280, 720, "CHDMI_1280x720"},
      {1, 2, 0, 0, "未知输入格式"},
      {1, 11, 0, 0, "未知输入格式"},
      {1, 35, 0, 0, "未知输入格式"},
      {1, -1, 0, 0, "未知输入格式"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(withVideo(r.type, r.mode, r.w, r.h).VideoModeName(), r.name)
        << r.type << "/" << r.mode;
}

TEST(BoardRecord, OutputModeNames) {
  struct Row {
    int mode, w, h;
    const char* name;
  };
  const Row rows[] = {
      {131, 800, 600, "SVGA800x600"},
      {131, 1280, 1024, "SXGA1280x1024"},
      {131, 1024, 768, "XGA1024x768"},
      {131, 1920, 1080, "VGA_1920x1080"},
      {132, 1280, 720, "YPbPr_720P"},
      {132, 1920, 1080, "YPbPr_1080P"},
      {132, 1920, 540, "YPbPr_1080i"},
      {132, 720, 576, "YPbPr"},
      {134, 1920, 1080, "HDMI_1920x1080"},
      {134, 1680, 1050, "HDMI_1680x1050"},
      {134, 1440, 900, "HDMI_1440x900"},
      {134, 1280, 1024, "HDMI_1280x1024"},
      {134, 1280, 960, "HDMI_1280x960"},
      {134, 1280, 720, "HDMI_1280x720"},
      {134, 1024, 768, "HDMI_1024x768"},
      {134, 800, 600, "HDMI_800x600"},
      {134, 1366, 768, "HDMI_1366x768"},
      {154, 1920, 1080, "BOTH_1920x1080"},
      {154, 0, 0, "BOTH_0x0"},
      {133, 0, 0, "未知输出格式"},
      {3, 800, 600, "未知输出格式"},
  };
  for (int type : {2, 4, 8, 21})
    for (const Row& r : rows)
      EXPECT_EQ(withVideo(type, r.mode, r.w, r.h).VideoModeName(), r.name) << type << "/" << r.mode;
}
