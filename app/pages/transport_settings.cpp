#include "pages/transport_settings.h"

#include <qorsdk.h>

#include "device/board.h"
#include "device/board_link.h"
#include "gbk.h"
#include "resources/string_table.h"
#include "wire.h"

namespace tav {
namespace {

constexpr std::uint32_t kDefaultAddress = qor::ipFromOctets(192, 168, 18, 235);
constexpr std::int32_t kDefaultPort = 1234;
constexpr std::int32_t kRtspPort = 8554;
constexpr std::int32_t kOnvifPort = 5555;
constexpr std::uint32_t kAllOnes = 0xffffffffu;

// Offsets in the stream-access block (record offset - 28) and the stream-information block.
constexpr std::size_t kAccessUrl = 8, kAccessUser = 136, kAccessPassword = 168;
constexpr std::size_t kInfoRtspUrl = 260, kInfoRtspUrlWidth = 128;
// The 228-byte record: a 28-byte head (its size, then the send and receive fields) and the
// stream-access block (its size first) after it.
constexpr std::size_t kRecordSendAddress = 4, kRecordSendPort = 8, kRecordSendMode = 10;
constexpr std::size_t kRecordReceiveAddress = 12, kRecordReceivePort = 16, kRecordReceiveMode = 18;
constexpr std::size_t kRecordAccess = 28;
constexpr std::uint32_t kRecordHeadSize = 28, kAccessBlockSize = 200;

// Send and receive mode codes.
constexpr int kSendTcp = 3, kSendC1 = 4, kSendRtsp = 5, kSendRtmp = 6, kSendOnvif = 8;
constexpr int kReceiveSwitch = 101, kReceiveC1 = 201;

bool IsMulticast(std::uint32_t a) {
  std::uint8_t first = a & 0xff;
  return first >= 224 && first <= 239;
}
bool EndsIn255(std::uint32_t a) {
  return (a >> 24) == 255;
}
bool SameSubnet(std::uint32_t a, std::uint32_t ip, std::uint32_t mask) {
  return (a & mask) == (ip & mask);
}

std::string Utf8Text(qor::Bytes b, std::size_t off, std::size_t width) {
  return qor::gbkToUtf8(qor::getText(b, off, width));
}

// GBK of a text that must fit its slot whole; nothing when it would have to be cut.
std::optional<std::string> FitsWhole(const std::string& utf8, std::size_t maxBytes) {
  std::string gbk = qor::utf8ToGbk(utf8);
  if (gbk.size() > maxBytes) return std::nullopt;
  return gbk;
}

}  // namespace

std::string TransportKindLabel(TransportKind kind) {
  switch (kind) {
    case TransportKind::Encoder:
      return str(kStrHdEncoder);
    case TransportKind::Decoder:
      return str(kStrHdDecoder);
    case TransportKind::Unknown:
      break;
  }
  return "解码板";
}

std::string TransportAddressLabel(TransportKind kind) {
  return kind == TransportKind::Encoder ? str(kStrEncoderSendAddress)
                                        : str(kStrDecoderReceiveAddress);
}

ChoiceLook TransportChoiceLook(TransportKind kind, std::size_t choice) {
  static const char* const kTemplate[kChoiceCount] = {"正常接收", "组播接收",      "点播",
                                                      "TCP",      "Depend On ENC", "标清编码板",
                                                      "C1协议",   "RTSP协议",      "Onvif"};
  if (choice >= kChoiceCount) return {};
  switch (kind) {
    case TransportKind::Encoder: {
      static const int kIds[] = {kStrChoiceSendUnicast, kStrChoiceSendMulticast,
                                 kStrChoiceSendBroadcast, kStrChoiceSendUdpOnDemand,
                                 kStrChoiceSendTcp};
      if (choice < 5) return {str(kIds[choice])};
      static const char* const kRest[] = {"Rtsp", "C1协议", "RTMP", nullptr};
      if (choice == 8) return {str(kStrChoiceOnvif)};
      return {kRest[choice - 5]};
    }
    case TransportKind::Decoder: {
      static const int kIds[] = {kStrChoiceReceiveNormal,      kStrChoiceReceiveMulticast,
                                 kStrChoiceReceiveUdpOnDemand, kStrChoiceReceiveTcp,
                                 kStrChoiceDependOnEncoder,    kStrChoiceC1Encoder};
      if (choice < 6) return {str(kIds[choice]), choice != 4};
      return {kTemplate[choice], choice != 6};  // "Depend on ENC" and "C1协议" are encoders' ways
    }
    case TransportKind::Unknown:
      break;
  }
  return {kTemplate[choice]};
}

void TransportSettings::Load(qor::Bytes status) {
  boardIp_ = qor::getU32(status, status::kIp);
  boardMask_ = qor::getU32(status, status::kMask);
  int type = qor::getI32(status, status::kDeviceType);
  form.kind = IsEncoderType(type) ? TransportKind::Encoder : TransportKind::Decoder;
  form.type21 = type == 21;
  form.hint.clear();
  form.switchOn = false;
  extra_ = TransportExtra::None;
  int mode = kNoPageMode;
  int checked = kNoPageMode;
  if (encoder()) {
    form.address = qor::getU32(status, status::kSendAddress);
    form.port = qor::getU16(status, status::kSendPort);
    switch (qor::getU16(status, status::kSendMode)) {
      case kSendTcp:
        mode = 4;
        break;
      case kSendRtsp:
        mode = 6;
        extra_ = TransportExtra::StreamInfo;
        break;
      case kSendC1:
        mode = 7;
        break;
      case kSendRtmp:
        mode = 8;
        extra_ = TransportExtra::StreamAccess;
        break;
      case kSendOnvif:
        mode = 9;
        break;
      default:
        if (IsMulticast(form.address))
          mode = 1;
        else if (EndsIn255(form.address) && SameSubnet(form.address, boardIp_, boardMask_))
          mode = 2;
        else if (form.address == 0 && form.port == 0)
          mode = 3;
        else
          mode = 0;
        break;
    }
    checked = mode;
  } else {
    form.address = qor::getU32(status, status::kReceiveAddress);
    form.port = qor::getU16(status, status::kReceivePort);
    switch (qor::getI16(status, status::kReceiveMode)) {
      case 0:
        mode = 0;
        break;
      case 1:
        mode = 1;
        break;
      case 2:
        mode = 2;
        break;
      case 3:
        mode = 3;
        break;
      case 4:
        mode = 8;
        extra_ = TransportExtra::StreamAccess;
        break;
      case 8:
        mode = 9;
        extra_ = TransportExtra::StreamAccess;
        break;
      case kReceiveSwitch:
        form.switchOn = true;
        if (IsMulticast(form.address)) {
          mode = kSwitchPageMode;
          checked = 1;
        } else {
          mode = 0;
        }
        break;
      case kReceiveC1:
        mode = 6;
        break;
      default:
        break;  // unknown receive mode: no choice is checked
    }
    if (checked == kNoPageMode) checked = mode;
  }
  form.pageMode = mode;
  form.checkedMode = checked;
  ApplyRules();
}

void TransportSettings::TakeStreamInfo(const qor::Bytes* streamInfo) {
  form.hint = streamInfo ? Utf8Text(*streamInfo, kInfoRtspUrl, kInfoRtspUrlWidth)
                         : "URL(默认)  rtsp://IP:8554/webcam";
}

void TransportSettings::TakeStreamAccess(qor::Bytes access) {
  if (form.pageMode == 9 && !encoder()) {
    form.user = Utf8Text(access, kAccessUser, kCredentialMaxBytes + 1);
    form.password = Utf8Text(access, kAccessPassword, kCredentialMaxBytes + 1);
  } else {
    form.url = Utf8Text(access, kAccessUrl, kUrlMaxBytes + 1);
  }
}

void TransportSettings::Choose(int mode) {
  bool enc = encoder();
  if (mode != 8 && mode != 9) {
    form.address = kDefaultAddress;
    if (mode != 2) form.port = kDefaultPort;
  }
  switch (mode) {
    case 0:
      form.hint = enc ? "提示: 单播地址须设置为目标板的IP地址或者0.0.0.0" : "";
      break;
    case 1:
      form.hint = enc ? "提示: 组播地址范围为224.0.0.0-239.255.255.255,如:236.1.2.3"
                      : "提示: "
                        "组播接收地址范围为224.0.0.0-239.255.255."
                        "255，且须与相应的编码板组播发送地址保持一致!";
      break;
    case 2:
      if (enc) {
        form.hint = "提示: 广播地址须与网关保持网段一致，且最后一位须固定为255，如:192.168.18.255";
      } else {
        form.hint = "提示: 点播方式，请输入所要点播的编码板IP地址!";
        form.port = 0;
      }
      break;
    case 3:
      if (enc) {
        form.hint = "提示: IP地址与端口均设置为0!";
        form.address = 0;
        form.port = 0;
      } else {
        form.hint = "提示: TCP连接方式，请输入所要连接的端口号!";
      }
      break;
    case 4:
      if (enc) {
        form.hint = "提示:  请输入TCP连接的端口号!";
        form.address = 0;
      } else {
        form.hint = "提示: 直连编码板，请输入所要连接编码板IP地址!";
      }
      break;
    case 6:
      form.url.clear();
      if (enc) {
        form.hint = "提示:  按照RTSP方式连接!";
        form.address = 0;
        form.port = kRtspPort;
      } else {
        form.hint = "提示: 按照客户定制的协议C1，请输入IP和端口!";
      }
      break;
    case 7:
      form.hint = "提示: 按照客户定制的协议C1，请输入端口!";
      break;
    case 8:
      if (enc) {
        form.hint = "提示:  按照RTMP方式连接!\nrtmp://IP:PORT/STREAM";
        form.url = "rtmp://192.168.18.168:1935/live/test";
        form.address = 0;
        form.port = 0;
      } else {
        form.hint = "提示:  按照RTSP方式连接!\nrtsp://IP:8554/webcam";
        form.url = "rtsp://192.168.18.235:8554/webcam";
      }
      break;
    case 9:
      form.hint.clear();
      if (enc) {
        form.address = 0;
        form.port = kOnvifPort;
      } else {
        form.address = kDefaultAddress;
        form.port = kOnvifPort;
        form.user = "admin";
        form.password = "580417";
      }
      break;
    default:
      return;
  }
  form.pageMode = mode;
  form.checkedMode = mode;
  ApplyRules();
}

void TransportSettings::SetSwitch(bool on) {
  form.switchOn = on;
  if (on) {
    form.hint = "提示: 运行板子与备用板相互切换!";
  } else if (form.pageMode == kSwitchPageMode) {
    // Back to the checked choice, or the apply would still ask for the dynamic switch.
    form.pageMode = form.checkedMode;
    ApplyRules();
  }
}

void TransportSettings::ApplyRules() {
  const int m = form.pageMode;
  form.urlShown = m == 8;
  form.credentialsShown = !encoder() && m == 9;
  bool addr = false, port = false, sw = false;
  if (encoder()) {
    form.switchVisible = false;
    if (m == 0 || m == 1 || m == 2) addr = port = true;
    if (m == 4 || m == 7) {
      port = true;
      form.address = 0;
    }
    if (m == 9) {
      form.address = 0;
      form.port = kOnvifPort;
    }
  } else {
    form.switchVisible = true;
    switch (m) {
      case 0:
        port = sw = true;
        form.address = 0;
        break;
      case 1:
      case 7:
      case 9:
        addr = port = sw = true;
        break;
      case 2:
        addr = true;
        break;
      case 5:
        port = sw = true;
        break;
      case 8:
        if (form.type21) {
          form.address = 0;
          form.port = kRtspPort;
        }
        break;
      case 3:
      case 4:
      case 6:
        addr = port = true;
        break;
      default:
        break;
    }
    if (form.type21) sw = false;
  }
  form.addressEnabled = addr;
  form.portEnabled = port;
  form.switchEnabled = sw;
  // A disabled switch is also cleared: a hidden tick must not turn the apply into a switch.
  if (!sw) form.switchOn = false;
}

TransportPlanResult TransportSettings::Plan() const {
  using R = TransportRefusal;
  if (form.kind == TransportKind::Unknown) return Refuse(R::NotRead);
  int m = form.pageMode;
  if (!encoder() && form.switchOn) m = kSwitchPageMode;
  if (form.port < 0 || form.port > 0xffff) return Refuse(R::PortOutOfRange);

  TransportPlan plan;
  auto& r = plan.record;
  if (m == 8) {
    auto url = FitsWhole(form.url, kUrlMaxBytes);
    if (!url) return Refuse(R::UrlTooLong);
    qor::putText(r, kRecordAccess + kAccessUrl, kUrlMaxBytes + 1, *url);
  } else if (m == 9) {
    auto user = FitsWhole(form.user, kCredentialMaxBytes);
    auto password = FitsWhole(form.password, kCredentialMaxBytes);
    if (!user || !password) return Refuse(R::CredentialTooLong);
    qor::putText(r, kRecordAccess + kAccessUser, kCredentialMaxBytes + 1, *user);
    qor::putText(r, kRecordAccess + kAccessPassword, kCredentialMaxBytes + 1, *password);
  }

  TransportApplied& a = plan.applied;
  a.encoder = encoder();
  a.address = form.address;
  a.port = static_cast<std::uint16_t>(form.port);
  if (encoder()) {
    if (form.address == kAllOnes) return Refuse(R::AllOnesAddress);
    bool zeroPortAllowed = false;
    switch (m) {
      case 0:
        if (IsMulticast(form.address) || EndsIn255(form.address)) return Refuse(R::NotUnicast);
        a.mode = 0;
        break;
      case 1:
        if (!IsMulticast(form.address)) return Refuse(R::NotMulticast);
        a.mode = 1;
        break;
      case 2:
        if (!EndsIn255(form.address) || !SameSubnet(form.address, boardIp_, boardMask_))
          return Refuse(R::BroadcastOutsideSubnet);
        a.mode = 0;
        break;
      case 3:
        a.mode = 0;
        zeroPortAllowed = true;
        break;
      case 4:
        a.mode = kSendTcp;
        break;
      case 6:
        a.mode = kSendRtsp;
        zeroPortAllowed = true;
        break;
      case 7:
        a.mode = kSendC1;
        break;
      case 8:
        a.mode = kSendRtmp;
        zeroPortAllowed = true;
        break;
      case 9:
        a.mode = kSendOnvif;
        break;
      default:
        return Refuse(R::NoChoice);
    }
    if (form.port == 0 && !zeroPortAllowed) return Refuse(R::PortZero);
    // Onvif boards serve on 8554 whatever the page shows.
    if (m == 9) a.port = kRtspPort;
    qor::putU32(r, kRecordSendAddress, a.address);
    qor::putU16(r, kRecordSendPort, a.port);
    qor::putU16(r, kRecordSendMode, a.mode);
  } else {
    if (form.port == 0 && m != 2) return Refuse(R::PortZero);
    switch (m) {
      case 0:
      case 1:
      case 2:
      case 3:
        a.mode = static_cast<std::uint16_t>(m);
        break;
      case kSwitchPageMode:
        a.mode = kReceiveSwitch;
        break;
      case 6:
        a.mode = kReceiveC1;
        break;
      case 8:
        a.mode = 4;
        break;
      case 9:
        a.mode = 8;
        break;
      default:
        return Refuse(R::NoChoice);
    }
    qor::putU32(r, kRecordReceiveAddress, a.address);
    qor::putU16(r, kRecordReceivePort, a.port);
    qor::putU16(r, kRecordReceiveMode, a.mode);
  }
  qor::putU32(r, 0, kRecordHeadSize);
  qor::putU32(r, kRecordAccess, kAccessBlockSize);
  return plan;
}

std::string TransportRefusalText(TransportRefusal) {
  return str(kStrBadAddressOrPort);
}

void StoreTransport(qor::MutBytes status, const TransportApplied& a) {
  qor::putU32(status, a.encoder ? status::kSendAddress : status::kReceiveAddress, a.address);
  qor::putU16(status, a.encoder ? status::kSendPort : status::kReceivePort, a.port);
  qor::putU16(status, a.encoder ? status::kSendMode : status::kReceiveMode, a.mode);
}

int WriteTransport(CBoard& board, const TransportPlan& plan, BoardLink& link) {
  int rc = link.setConfig(board.AddressText(), kTransportType, plan.record);
  if (rc == 0) StoreTransport(board.statusBlock(), plan.applied);
  return rc;
}

}  // namespace tav
