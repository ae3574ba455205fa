// The texts through which lists, titles and pages show a board.
#include <cstdio>

#include "device/board.h"
#include "gbk.h"
#include "le_bytes.h"
#include "resources/string_table.h"
#include "wire.h"

using namespace tav;

namespace {

std::string format(const char* pattern, int a, int b) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

bool isMulticast(std::uint32_t address) {
  std::uint32_t first = address & 0xff;
  return first >= 224 && first <= 239;
}

std::string captureModeName(int type, int m, int w, int h) {
  switch (m) {
    case 1:
      return str(kStrInputCvbs);
    case 3:
    case 16:
    case 17:
      if (w == 0 && h == 0) return str(kStrInputAuto);
      if (w == 800 && h == 600) return str(kStrInputSvga800x600);
      if (w == 1280 && h == 1024) return str(kStrInputSxga1280x1024);
      if (w == 1024 && h == 768) return str(kStrInputXga1024x768);
      if (w <= 0 || h <= 0) return str(kStrInputVgaError);
      return format("VGA_%dx%d", w, h);
    case 4:
      return str(kStrInputYpbpr);
    case 5:
      return str(kStrYpbpr1080i50);
    case 6:
      return str(kStrYpbpr1080i60);
    case 7:
      return str(w == 1920 && h == 1080 ? 258 : 262);
    case 8:
      return str(w == 1920 && h == 1080 ? 259 : 263);
    case 9:
      return str(kStrYpbpr1080p25);
    case 10:
      return str(kStrYpbpr1080p30);
    case 12:
      if (type == 9) return format("DVI_%dx%d", w, h);
      if (w == 1920 && h == 1080) return str(kStrHdmi1080p);
      if (w == 1280 && h == 720) return str(kStrHdmi720p);
      return format("HDMI_%dx%d", w, h);
    case 18:
    case 19:
    case 20:
    case 21:
    case 22:
      return format("HDMI_%dx%d_xxHz", w, h);
    case 23:
      return format("HDMI_%dx%d_50I", w, h);
    case 24:
      return format("HDMI_%dx%d_50P", w, h);
    case 25:
      return format("HDMI_%dx%d_60I", w, h);
    case 26:
      return format("SDI_%dx%d_60P", w, h);
    case 27:
      return format("SDI_%dx%d_50P", w, h);
    case 28:
      return format("SDI_%dx%d_30P", w, h);
    case 29:
      return format("SDI_%dx%d_25P", w, h);
    case 30:
      return format("SDI_%dx%d_24P", w, h);
    case 31:
      return format("SDI_%dx%d_60I", w, h);
    case 32:
      return format("SDI_%dx%d_50I", w, h);
    case 33:
      return format("CVGA_%dx%d", w, h);
    case 34:
      return format("CHDMI_%dx%d", w, h);
    default:
      return str(kStrInputUnknown);
  }
}

// Known sizes have their own suffix; any other size is appended as "_%dx%d" all the same.
std::string withResolution(std::string name, int w, int h) {
  struct Size {
    int w, h;
    const char* suffix;
  };
  static constexpr Size kSuffixes[] = {
      {1920, 1080, "_1920x1080"}, {1680, 1050, "_1680x1050"}, {1440, 900, "_1440x900"},
      {1280, 1024, "_1280x1024"}, {1280, 960, "_1280x960"},   {1280, 720, "_1280x720"},
      {1024, 768, "_1024x768"},   {800, 600, "_800x600"},
  };
  for (const Size& s : kSuffixes)
    if (s.w == w && s.h == h) return name + s.suffix;
  return name + format("_%dx%d", w, h);
}

std::string outputModeName(int m, int w, int h) {
  switch (m) {
    case 131:
      if (w == 800 && h == 600) return str(kStrOutputSvga800x600);
      if (w == 1280 && h == 1024) return str(kStrOutputSxga1280x1024);
      if (w == 1024 && h == 768) return str(kStrOutputXga1024x768);
      return format("VGA_%dx%d", w, h);
    case 132: {
      std::string name = str(kStrOutputYpbpr);
      if (w == 1280 && h == 720) return name + "_720P";
      if (w == 1920 && h == 1080) return name + "_1080P";
      if (w == 1920 && h == 540) return name + "_1080i";
      return name;
    }
    case 134:
      return withResolution(str(kStrHdmi), w, h);
    case 154:
      return withResolution("BOTH", w, h);
    default:
      return str(kStrOutputUnknown);
  }
}

}  // namespace

std::string CBoard::AddressText() const {
  return qor::ipText(ContactAddress());
}

std::string CBoard::MaskText() const {
  return qor::ipText(mask());
}

std::string CBoard::MacText() const {
  auto m = mac();
  char text[24];
  std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4],
                m[5]);
  return text;
}

std::string CBoard::Name() const {
  return qor::gbkToUtf8(qor::getText(status_, status::kName, status::kNameWidth));
}

std::string CBoard::TypeName() const {
  switch (deviceType()) {
    case 1:
      return str(kStrHdEncoder);
    case 2:
    case 8:
    case 21:
      return str(kStrHdDecoder);
    case 3:
      return str(kStrEncoder);
    case 4:
      return str(kStrDecoder);
    case 7:
      return str(kStrSdiEncoder);
    case 9:
      return str(kStrDviEncoder);
    case 11:
      return str(kStrT4500);
    case 20:
      return str(kStrT810);
    default:
      return {};
  }
}

std::string CBoard::VersionText() const {
  char text[48];
  std::snprintf(text, sizeof text, "K%d.%d-A%d.%d", versionKMajor(), versionKMinor(),
                versionAMajor(), versionAMinor());
  return text;
}

std::string CBoard::BasebandText() const {
  if (basebandMajor() > 0 && basebandMinor() >= 0)
    return format("A%d.%d", basebandMajor(), basebandMinor());
  return tav::trText("未知");
}

int CBoard::TransportClass() const {
  if (!IsEncoder()) return kTransportNone;
  int mode = sendMode();
  if (mode >= 3 && mode <= 9) return mode;
  std::uint32_t send = sendAddress();
  if (isMulticast(send)) return kTransportMulticast;
  if ((send >> 24) == 255 && (send & mask()) == (ip() & mask())) return kTransportBroadcast;
  if (send == 0 && sendPort() == 0) return kTransportOnDemand;
  return kTransportUnicast;
}

std::string CBoard::TransportName() const {
  if (IsEncoder()) {
    switch (TransportClass()) {
      case 0:
        return str(kStrSendMulticast);
      case 1:
        return str(kStrSendBroadcast);
      case 2:
        return str(kStrSendOnDemand);
      case 3:
        return str(kStrSendTcp);
      case 4:
        return str(kStrUserProtocolC1);
      case 5:
        return str(kStrRtsp);
      case 6:
        return str(kStrRtmp);
      case 8:
        return str(kStrOnvif);
      case 10:
        return str(kStrSendUnicast);
      default:
        return {};
    }
  }
  if (!IsReceiverType(deviceType())) return {};
  switch (receiveMode()) {
    case 0:
      return str(kStrReceiveNormal);
    case 1:
      return str(kStrReceiveMulticast);
    case 2:
      return str(kStrReceiveOnDemand);
    case 3:
      return str(kStrReceiveTcp);
    case 4:
      return str(kStrReceiveRtsp);
    case 8:
      return str(kStrReceiveOnvif);
    case 101:
      return str(kStrReceiveDynamicSwitch);
    case 201:
      return str(kStrReceiveC1);
    default:
      return str(kStrReceiveUnknown);
  }
}

std::uint32_t CBoard::StreamAddress() const {
  return IsReceiverType(deviceType()) ? receiveAddress() : sendAddress();
}

std::string CBoard::StreamAddressText() const {
  unsigned port;
  if (IsReceiverType(deviceType()))
    port = receivePort();
  else
    port = sendMode() == 8 ? 5555u : sendPort();  // Onvif streams are always offered on 5555
  return qor::ipText(StreamAddress()) + ":" + std::to_string(port);
}

std::string CBoard::VideoModeName() const {
  if (IsEncoder()) return captureModeName(deviceType(), videoMode(), videoWidth(), videoHeight());
  return outputModeName(videoMode(), videoWidth(), videoHeight());
}
