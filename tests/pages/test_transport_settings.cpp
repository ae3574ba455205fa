#include <gtest/gtest.h>

#include <optional>

#include "gbk.h"
#include "pages/transport_settings.h"
#include "resources/string_table.h"
#include "status_fixture.h"

using namespace tav;
using pagetest::Ip;

namespace {

TransportSettings Loaded(const StatusBlock& s) {
  TransportSettings t;
  t.Load(s);
  return t;
}

StatusBlock Encoder(const char* sendAddress, std::uint16_t port, std::uint16_t mode,
                    const char* ip = "192.168.1.20") {
  StatusBlock s = pagetest::Status(1, Ip(ip));
  pagetest::SetSend(s, Ip(sendAddress), port, mode);
  return s;
}

StatusBlock Decoder(const char* address, std::uint16_t port, std::int16_t mode, int type = 2) {
  StatusBlock s = pagetest::Status(type);
  pagetest::SetReceive(s, Ip(address), port, mode);
  return s;
}

}  // namespace

TEST(TransportSettings, EncoderSendingShowsAsItsChoice) {
  struct Case {
    const char* address;
    std::uint16_t port, mode;
    const char* boardIp;
    int pageMode;
    TransportExtra extra;
  } cases[] = {
      {"0.0.0.0", 0, 0, "192.168.1.20", 3, TransportExtra::None},  // on demand, not unicast
      {"0.0.0.0", 5000, 0, "192.168.1.20", 0, TransportExtra::None},
      {"192.168.1.255", 5000, 0, "192.168.1.20", 2, TransportExtra::None},
      {"192.168.1.255", 5000, 0, "192.168.2.20", 0,
       TransportExtra::None},  // 255 outside the subnet
      {"236.1.2.3", 1234, 0, "192.168.1.20", 1, TransportExtra::None},
      {"236.1.2.3", 1234, 1, "192.168.1.20", 1, TransportExtra::None},
      {"192.168.1.7", 1234, 0, "192.168.1.20", 0, TransportExtra::None},
      {"0.0.0.0", 1234, 3, "192.168.1.20", 4, TransportExtra::None},
      {"0.0.0.0", 1234, 4, "192.168.1.20", 7, TransportExtra::None},
      {"0.0.0.0", 8554, 5, "192.168.1.20", 6, TransportExtra::StreamInfo},
      {"0.0.0.0", 0, 6, "192.168.1.20", 8, TransportExtra::StreamAccess},
      {"0.0.0.0", 8554, 8, "192.168.1.20", 9, TransportExtra::None},
      {"239.0.0.1", 1234, 7, "192.168.1.20", 1, TransportExtra::None},  // 7 and 9 go by address
  };
  for (const Case& c : cases) {
    TransportSettings t = Loaded(Encoder(c.address, c.port, c.mode, c.boardIp));
    EXPECT_EQ(t.form.kind, TransportKind::Encoder);
    EXPECT_EQ(t.form.pageMode, c.pageMode) << c.address << " mode " << c.mode;
    EXPECT_EQ(t.form.checkedMode, c.pageMode);
    EXPECT_EQ(t.NeededExtra(), c.extra) << c.mode;
    EXPECT_FALSE(t.form.switchVisible);
    EXPECT_FALSE(t.form.switchOn);
  }
}

TEST(TransportSettings, EncoderEnablingRules) {
  struct Case {
    std::uint16_t mode;
    const char* address;
    bool addressOn, portOn;
    const char* shownAddress;
    std::int32_t shownPort;
  } cases[] = {
      {0, "192.168.1.7", true, true, "192.168.1.7", 1234},
      {0, "0.0.0.0", false, false, "0.0.0.0", 0},      // on demand (port 0 below)
      {3, "10.1.1.1", false, true, "0.0.0.0", 1234},   // TCP: address 0.0.0.0
      {4, "10.1.1.1", false, true, "0.0.0.0", 1234},   // C1
      {5, "0.0.0.0", false, false, "0.0.0.0", 1234},   // RTSP
      {8, "10.1.1.1", false, false, "0.0.0.0", 5555},  // Onvif
  };
  for (const Case& c : cases) {
    std::uint16_t port = std::string(c.address) == "0.0.0.0" && c.mode == 0 ? 0 : 1234;
    TransportSettings t = Loaded(Encoder(c.address, port, c.mode));
    EXPECT_EQ(t.form.addressEnabled, c.addressOn) << c.mode;
    EXPECT_EQ(t.form.portEnabled, c.portOn) << c.mode;
    EXPECT_EQ(qor::ipText(t.form.address), c.shownAddress) << c.mode;
    EXPECT_EQ(t.form.port, c.shownPort) << c.mode;
  }
}

TEST(TransportSettings, RtspHintComesFromTheStreamInformation) {
  TransportSettings t = Loaded(Encoder("0.0.0.0", 8554, 5));
  StreamInfoBlock info{};
  qor::putText(info, 260, 128, "rtsp://192.168.1.20:8554/live");
  qor::Bytes view(info);
  t.TakeStreamInfo(&view);
  EXPECT_EQ(t.form.hint, "rtsp://192.168.1.20:8554/live");
  t.TakeStreamInfo(nullptr);
  EXPECT_EQ(t.form.hint, "URL(默认)  rtsp://IP:8554/webcam");
}

TEST(TransportSettings, StreamAccessFillsUrlOrCredentials) {
  StreamAccessBlock access{};
  qor::putU32(access, 0, 200);
  qor::putText(access, 8, 128, "rtmp://h/live/x");
  qor::putText(access, 136, 32, "root");
  qor::putText(access, 168, 32, "pw");
  TransportSettings rtmp = Loaded(Encoder("0.0.0.0", 0, 6));
  rtmp.TakeStreamAccess(access);
  EXPECT_EQ(rtmp.form.url, "rtmp://h/live/x");
  EXPECT_TRUE(rtmp.form.urlShown);

  TransportSettings rtsp = Loaded(Decoder("0.0.0.0", 8554, 4));
  EXPECT_EQ(rtsp.form.pageMode, 8);
  rtsp.TakeStreamAccess(access);
  EXPECT_EQ(rtsp.form.url, "rtmp://h/live/x");

  TransportSettings onvif = Loaded(Decoder("192.168.1.9", 5555, 8));
  EXPECT_EQ(onvif.form.pageMode, 9);
  EXPECT_EQ(onvif.NeededExtra(), TransportExtra::StreamAccess);
  onvif.TakeStreamAccess(access);
  EXPECT_EQ(onvif.form.user, "root");
  EXPECT_EQ(onvif.form.password, "pw");
  EXPECT_TRUE(onvif.form.credentialsShown);
  EXPECT_FALSE(onvif.form.urlShown);
}

TEST(TransportSettings, DecoderReceivingShowsAsItsChoice) {
  struct Case {
    std::int16_t mode;
    int pageMode, checked;
  } cases[] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2},   {3, 3, 3},
               {4, 8, 8}, {8, 9, 9}, {201, 6, 6}, {7, -1, -1}};
  for (const Case& c : cases) {
    TransportSettings t = Loaded(Decoder("230.1.2.3", 1234, c.mode));
    EXPECT_EQ(t.form.kind, TransportKind::Decoder);
    EXPECT_EQ(t.form.pageMode, c.pageMode) << c.mode;
    EXPECT_EQ(t.form.checkedMode, c.checked) << c.mode;
    EXPECT_TRUE(t.form.switchVisible);
  }
}

TEST(TransportSettings, DynamicSwitchShowsMulticastOrNormal) {
  TransportSettings multicast = Loaded(Decoder("230.1.2.3", 1234, 101));
  EXPECT_EQ(multicast.form.checkedMode, 1);
  EXPECT_EQ(multicast.form.pageMode, kSwitchPageMode);
  EXPECT_TRUE(multicast.form.switchOn);
  EXPECT_FALSE(multicast.form.addressEnabled);
  EXPECT_EQ(qor::ipText(multicast.form.address), "230.1.2.3");

  TransportSettings normal = Loaded(Decoder("192.168.18.5", 1234, 101));
  EXPECT_EQ(normal.form.checkedMode, 0);
  EXPECT_EQ(normal.form.pageMode, 0);
  EXPECT_TRUE(normal.form.switchOn);
  EXPECT_FALSE(normal.form.addressEnabled);
  EXPECT_EQ(qor::ipText(normal.form.address), "0.0.0.0");
  auto plan = normal.Plan();
  ASSERT_TRUE(plan);
  EXPECT_EQ(qor::getU16(plan->record, 18), 101);

  // Unticking leaves the dynamic switch: the apply then receives multicast plainly.
  multicast.SetSwitch(false);
  EXPECT_EQ(multicast.form.pageMode, 1);
  EXPECT_TRUE(multicast.form.addressEnabled);
  ASSERT_TRUE(multicast.Plan());
  EXPECT_EQ(qor::getU16(multicast.Plan()->record, 18), 1);
  multicast.SetSwitch(true);
  EXPECT_EQ(multicast.form.hint, "提示: 运行板子与备用板相互切换!");
  EXPECT_EQ(qor::getU16(multicast.Plan()->record, 18), 101);
}

TEST(TransportSettings, DecoderEnablingRules) {
  struct Case {
    int choose;
    bool addressOn, portOn, switchOn;
  } cases[] = {{0, false, true, true}, {1, true, true, true},  {2, true, false, false},
               {3, true, true, false}, {6, true, true, false}, {8, false, false, false},
               {9, true, true, true}};
  for (const Case& c : cases) {
    TransportSettings t = Loaded(Decoder("0.0.0.0", 1234, 0));
    t.form.switchOn = true;
    t.Choose(c.choose);
    EXPECT_EQ(t.form.addressEnabled, c.addressOn) << c.choose;
    EXPECT_EQ(t.form.portEnabled, c.portOn) << c.choose;
    EXPECT_EQ(t.form.switchEnabled, c.switchOn) << c.choose;
    if (!c.switchOn) {
      EXPECT_FALSE(t.form.switchOn) << c.choose;  // a disabled switch is never left ticked
    }
  }
}

TEST(TransportSettings, Type21HasNoSwitchAndRtspOn8554) {
  for (int choose : {0, 1, 8, 9}) {
    TransportSettings t = Loaded(Decoder("0.0.0.0", 1234, 0, 21));
    t.Choose(choose);
    EXPECT_FALSE(t.form.switchEnabled) << choose;
    EXPECT_FALSE(t.form.switchOn) << choose;
  }
  TransportSettings t = Loaded(Decoder("192.168.1.9", 1234, 4, 21));
  EXPECT_EQ(qor::ipText(t.form.address), "0.0.0.0");
  EXPECT_EQ(t.form.port, 8554);
  EXPECT_FALSE(Loaded(Decoder("230.1.2.3", 1234, 101, 21)).form.switchEnabled);
}

TEST(TransportSettings, ChoicesFillTheirDefaults) {
  TransportSettings e = Loaded(Encoder("192.168.1.7", 4000, 0));
  e.Choose(2);  // broadcast keeps the port
  EXPECT_EQ(qor::ipText(e.form.address), "192.168.18.235");
  EXPECT_EQ(e.form.port, 4000);
  e.Choose(0);
  EXPECT_EQ(e.form.port, 1234);
  EXPECT_EQ(e.form.hint, "提示: 单播地址须设置为目标板的IP地址或者0.0.0.0");
  e.Choose(3);
  EXPECT_EQ(e.form.address | static_cast<std::uint32_t>(e.form.port), 0u);
  e.Choose(6);
  EXPECT_EQ(e.form.port, 8554);
  EXPECT_FALSE(e.form.urlShown);
  e.Choose(8);
  EXPECT_TRUE(e.form.urlShown);
  EXPECT_EQ(e.form.url, "rtmp://192.168.18.168:1935/live/test");
  EXPECT_EQ(e.form.port, 0);
  e.Choose(9);
  EXPECT_EQ(e.form.port, 5555);
  EXPECT_FALSE(e.form.credentialsShown);
  EXPECT_FALSE(e.form.urlShown);

  TransportSettings d = Loaded(Decoder("0.0.0.0", 4000, 0));
  d.Choose(2);
  EXPECT_EQ(d.form.port, 0);
  d.Choose(8);
  EXPECT_EQ(d.form.url, "rtsp://192.168.18.235:8554/webcam");
  EXPECT_EQ(d.form.port, 0);  // RTSP keeps address and port
  d.Choose(9);
  EXPECT_EQ(d.form.user, "admin");
  EXPECT_EQ(d.form.password, "580417");
  EXPECT_EQ(qor::ipText(d.form.address), "192.168.18.235");
  EXPECT_TRUE(d.form.credentialsShown);
}

TEST(TransportSettings, EncoderApplyChecks) {
  using R = TransportRefusal;
  constexpr std::optional<TransportRefusal> Ok;
  struct Case {
    int choose;
    const char* address;
    std::int32_t port;
    std::optional<TransportRefusal> refused;
    std::uint16_t sendMode, sentPort;
  } cases[] = {
      {0, "192.168.1.7", 5000, Ok, 0, 5000},
      {0, "236.1.1.1", 5000, R::NotUnicast, 0, 0},
      {0, "192.168.1.255", 5000, R::NotUnicast, 0, 0},
      {0, "192.168.1.7", 0, R::PortZero, 0, 0},
      {0, "255.255.255.255", 5000, R::AllOnesAddress, 0, 0},
      {1, "236.1.1.1", 5000, Ok, 1, 5000},
      {1, "192.168.1.7", 5000, R::NotMulticast, 0, 0},
      {2, "192.168.1.255", 5000, Ok, 0, 5000},
      {2, "192.168.2.255", 5000, R::BroadcastOutsideSubnet, 0, 0},  // not the board's subnet
      {3, "0.0.0.0", 0, Ok, 0, 0},
      {4, "0.0.0.0", 0, R::PortZero, 0, 0},  // TCP needs a port
      {4, "0.0.0.0", 6000, Ok, 3, 6000},
      {6, "0.0.0.0", 0, Ok, 5, 0},
      {7, "0.0.0.0", 7000, Ok, 4, 7000},
      {8, "0.0.0.0", 0, Ok, 6, 0},  // RTMP may leave the port 0
      {9, "0.0.0.0", 5555, Ok, 8, 8554},
      {0, "192.168.1.7", 40000, Ok, 0, 40000},
      {0, "192.168.1.7", 70000, R::PortOutOfRange, 0, 0},
      {0, "192.168.1.7", -1, R::PortOutOfRange, 0, 0},
  };
  for (const Case& c : cases) {
    TransportSettings t = Loaded(Encoder("192.168.1.7", 1234, 0));
    t.Choose(c.choose);
    t.form.address = Ip(c.address);
    t.form.port = c.port;
    auto plan = t.Plan();
    ASSERT_EQ(plan.has_value(), !c.refused) << c.choose << " " << c.address << ":" << c.port;
    if (!plan) {
      EXPECT_EQ(plan.refusal(), *c.refused) << c.choose << " " << c.address << ":" << c.port;
      continue;
    }
    const auto& r = plan->record;
    EXPECT_EQ(qor::getU32(r, 0), 28u);
    EXPECT_EQ(qor::getU32(r, 4), Ip(c.address));
    EXPECT_EQ(qor::getU16(r, 8), c.sentPort) << c.choose;
    EXPECT_EQ(qor::getU16(r, 10), c.sendMode) << c.choose;
    EXPECT_EQ(qor::getU32(r, 12), 0u);
    EXPECT_EQ(qor::getU32(r, 28), 200u);
    EXPECT_TRUE(plan->applied.encoder);
  }
}

TEST(TransportSettings, DecoderApplyChecks) {
  using R = TransportRefusal;
  constexpr std::optional<TransportRefusal> Ok;
  struct Case {
    int choose;
    std::int32_t port;
    std::optional<TransportRefusal> refused;
    std::uint16_t receiveMode;
  } cases[] = {{0, 1234, Ok, 0}, {0, 0, R::PortZero, 0}, {1, 1234, Ok, 1},
               {2, 0, Ok, 2},    {3, 0, R::PortZero, 0}, {3, 80, Ok, 3},
               {6, 9, Ok, 201},  {8, 554, Ok, 4},        {9, 5555, Ok, 8}};
  for (const Case& c : cases) {
    TransportSettings t = Loaded(Decoder("0.0.0.0", 1234, 0));
    t.Choose(c.choose);
    t.form.address = Ip("230.1.1.1");
    t.form.port = c.port;
    auto plan = t.Plan();
    ASSERT_EQ(plan.has_value(), !c.refused) << c.choose << ":" << c.port;
    if (!plan) {
      EXPECT_EQ(plan.refusal(), *c.refused) << c.choose << ":" << c.port;
      continue;
    }
    EXPECT_EQ(qor::getU32(plan->record, 4), 0u);
    EXPECT_EQ(qor::getU32(plan->record, 12), Ip("230.1.1.1"));
    EXPECT_EQ(qor::getU16(plan->record, 16), c.port);
    EXPECT_EQ(qor::getU16(plan->record, 18), c.receiveMode);
  }
}

TEST(TransportSettings, TextsThatDoNotFitAreRefusedNotCut) {
  TransportSettings rtmp = Loaded(Encoder("0.0.0.0", 0, 6));
  rtmp.form.url = std::string(127, 'u');
  auto plan = rtmp.Plan();
  ASSERT_TRUE(plan);
  EXPECT_EQ(qor::getText(plan->record, 36, 128), std::string(127, 'u'));
  rtmp.form.url = std::string(128, 'u');
  ASSERT_FALSE(rtmp.Plan());
  EXPECT_EQ(rtmp.Plan().refusal(), TransportRefusal::UrlTooLong);
  rtmp.form.url = std::string(63, 'u') + "汉";  // 65 GBK bytes fit; counted as GBK
  ASSERT_TRUE(rtmp.Plan());
  EXPECT_EQ(qor::getText(rtmp.Plan()->record, 36, 128), qor::utf8ToGbk(rtmp.form.url));

  TransportSettings onvif = Loaded(Decoder("192.168.1.9", 5555, 8));
  onvif.form.user = std::string(31, 'a');
  onvif.form.password = std::string(31, 'p');
  plan = onvif.Plan();
  ASSERT_TRUE(plan);
  EXPECT_EQ(qor::getText(plan->record, 164, 32), std::string(31, 'a'));
  EXPECT_EQ(qor::getText(plan->record, 196, 32), std::string(31, 'p'));
  onvif.form.password = std::string(15, 'p') + "密码密码密码密码x";  // 32 GBK bytes
  ASSERT_FALSE(onvif.Plan());
  EXPECT_EQ(onvif.Plan().refusal(), TransportRefusal::CredentialTooLong);
  // A long URL does not matter in a mode that does not send it.
  TransportSettings unicast = Loaded(Encoder("192.168.1.7", 1234, 0));
  unicast.form.url = std::string(300, 'u');
  ASSERT_TRUE(unicast.Plan());
  EXPECT_EQ(qor::getU8(unicast.Plan()->record, 36), 0);
}

TEST(TransportSettings, StoreTakesTheSentSide) {
  StatusBlock s = Encoder("192.168.1.7", 1234, 0);
  StoreTransport(s, {true, Ip("0.0.0.0"), 8554, 8});
  EXPECT_EQ(qor::getU16(s, status::kSendMode), 8);
  EXPECT_EQ(qor::getU16(s, status::kSendPort), 8554);
  EXPECT_EQ(qor::getU32(s, status::kSendAddress), 0u);
  StatusBlock d = Decoder("0.0.0.0", 1, 0);
  StoreTransport(d, {false, Ip("230.1.2.3"), 4000, 101});
  EXPECT_EQ(qor::getI16(d, status::kReceiveMode), 101);
  EXPECT_EQ(qor::getU16(d, status::kReceivePort), 4000);
  EXPECT_EQ(qor::getU32(d, status::kReceiveAddress), Ip("230.1.2.3"));
  EXPECT_EQ(qor::getU32(d, status::kSendAddress), 0u);
}

TEST(TransportSettings, LabelsPerBoardKind) {
  EXPECT_EQ(TransportKindLabel(TransportKind::Encoder), "HD编码板");
  EXPECT_EQ(TransportKindLabel(TransportKind::Decoder), "HD解码板");
  EXPECT_EQ(TransportAddressLabel(TransportKind::Encoder), "编码板发送地址");
  const char* encoder[] = {"单播发送", "组播发送", "广播发送", "UDP点播", "TCP",
                           "Rtsp",     "C1协议",   "RTMP",     "Onvif"};
  const char* decoder[] = {"正常接收", "组播接收", "UDP点播",  "TCP",  "Depend on ENC",
                           "C1编码板", "C1协议",   "RTSP协议", "Onvif"};
  for (std::size_t i = 0; i < kChoiceCount; ++i) {
    EXPECT_EQ(TransportChoiceLook(TransportKind::Encoder, i).label, encoder[i]);
    EXPECT_TRUE(TransportChoiceLook(TransportKind::Encoder, i).enabled);
    EXPECT_EQ(TransportChoiceLook(TransportKind::Decoder, i).label, decoder[i]);
    EXPECT_EQ(TransportChoiceLook(TransportKind::Decoder, i).enabled, i != 4 && i != 6) << i;
  }
}

TEST(TransportSettings, BeforeAReadNothingIsPlannedAndEveryRefusalShowsMessage252) {
  TransportSettings unread;
  ASSERT_FALSE(unread.Plan());
  EXPECT_EQ(unread.Plan().refusal(), TransportRefusal::NotRead);
  for (TransportRefusal r : {TransportRefusal::NotRead, TransportRefusal::PortZero,
                             TransportRefusal::UrlTooLong, TransportRefusal::NotMulticast})
    EXPECT_EQ(TransportRefusalText(r), std::string(str(kStrBadAddressOrPort)));
  // An unknown receive mode checks no choice: the apply has nothing to send by.
  TransportSettings unknown = Loaded(Decoder("0.0.0.0", 1234, 77));
  ASSERT_FALSE(unknown.Plan());
  EXPECT_EQ(unknown.Plan().refusal(), TransportRefusal::NoChoice);
}
