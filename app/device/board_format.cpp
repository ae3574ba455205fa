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
      return str(160);
    case 3:
    case 16:
    case 17:
      if (w == 0 && h == 0) return str(154);
      if (w == 800 && h == 600) return str(155);
      if (w == 1280 && h == 1024) return str(156);
      if (w == 1024 && h == 768) return str(157);
      if (w <= 0 || h <= 0) return str(158);
      return format("VGA_%dx%d", w, h);
    case 4:
      return str(159);
    case 5:
      return str(260);
    case 6:
      return str(261);
    case 7:
      return str(w == 1920 && h == 1080 ? 258 : 262);
    case 8:
      return str(w == 1920 && h == 1080 ? 259 : 263);
    case 9:
      return str(264);
    case 10:
      return str(265);
    case 12:
      if (type == 9) return format("DVI_%dx%d", w, h);
      if (w == 1920 && h == 1080) return str(271);
      if (w == 1280 && h == 720) return str(272);
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
      return str(161);
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
      if (w == 800 && h == 600) return str(148);
      if (w == 1280 && h == 1024) return str(149);
      if (w == 1024 && h == 768) return str(150);
      return format("VGA_%dx%d", w, h);
    case 132: {
      std::string name = str(152);
      if (w == 1280 && h == 720) return name + "_720P";
      if (w == 1920 && h == 1080) return name + "_1080P";
      if (w == 1920 && h == 540) return name + "_1080i";
      return name;
    }
    case 134:
      return withResolution(str(275), w, h);
    case 154:
      return withResolution("BOTH", w, h);
    default:
      return str(153);
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
      return str(139);
    case 2:
    case 8:
    case 21:
      return str(140);
    case 3:
      return str(164);
    case 4:
      return str(163);
    case 7:
      return str(273);
    case 9:
      return str(274);
    case 11:
      return str(295);
    case 20:
      return str(290);
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
        return str(141);
      case 1:
        return str(142);
      case 2:
        return str(143);
      case 3:
        return str(144);
      case 4:
        return str(269);
      case 5:
        return str(268);
      case 6:
        return str(276);
      case 8:
        return str(287);
      case 10:
        return str(242);
      default:
        return {};
    }
  }
  if (!IsReceiverType(deviceType())) return {};
  switch (receiveMode()) {
    case 0:
      return str(132);
    case 1:
      return str(133);
    case 2:
      return str(134);
    case 3:
      return str(135);
    case 4:
      return str(136);
    case 8:
      return str(291);
    case 101:
      return str(137);
    case 201:
      return str(138);
    default:
      return str(146);
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
