#include "fleet.h"

#include <cctype>
#include <cstdio>
#include <limits>
#include <optional>
#include <set>

#include "gbk.h"
#include "layout.h"
#include "upgrade.h"
#include "maintenance.h"
#include "wire.h"

namespace qorsim {
namespace {

using nlohmann::json;
namespace L = layout;

[[noreturn]] void fail(const std::string& path, const std::string& what) {
  throw FleetError("fleet: " + path + ": " + what);
}

std::string shown(const json& v) {
  std::string s = v.dump();
  return s.size() > 40 ? s.substr(0, 37) + "..." : s;
}

// Reads one JSON object's fields and rejects the keys nobody asked for, so a misspelt field
// is reported instead of silently replaced by its default.
class Fields {
 public:
  Fields(const json& object, std::string path) : object_(object), path_(std::move(path)) {
    if (!object_.is_object()) fail(path_, "expected an object, got " + shown(object_));
  }

  const json* find(const std::string& key) {
    used_.insert(key);
    auto it = object_.find(key);
    return it == object_.end() ? nullptr : &*it;
  }
  std::string path(const std::string& key) const { return path_ + "." + key; }

  std::optional<long long> integer(const std::string& key, long long min, long long max) {
    const json* v = find(key);
    if (!v) return std::nullopt;
    if (!v->is_number_integer())
      fail(path(key), "expected an integer " + std::to_string(min) + ".." + std::to_string(max) +
                          ", got " + shown(*v));
    long long x = v->is_number_unsigned() &&
                          v->get<unsigned long long>() > std::numeric_limits<long long>::max()
                      ? std::numeric_limits<long long>::max()
                      : v->get<long long>();
    if (x < min || x > max)
      fail(path(key), "expected an integer " + std::to_string(min) + ".." + std::to_string(max) +
                          ", got " + shown(*v));
    return x;
  }
  std::optional<bool> flag(const std::string& key) {
    const json* v = find(key);
    if (!v) return std::nullopt;
    if (v->is_boolean()) return v->get<bool>();
    if (v->is_number_integer() && (v->get<long long>() == 0 || v->get<long long>() == 1))
      return v->get<long long>() == 1;
    fail(path(key), "expected true or false, got " + shown(*v));
  }
  std::optional<double> number(const std::string& key, double min, double max) {
    const json* v = find(key);
    if (!v) return std::nullopt;
    if (!v->is_number() || v->get<double>() < min || v->get<double>() > max)
      fail(path(key), "expected a number " + std::to_string(min) + ".." + std::to_string(max) +
                          ", got " + shown(*v));
    return v->get<double>();
  }
  std::optional<std::string> text(const std::string& key) {
    const json* v = find(key);
    if (!v) return std::nullopt;
    if (!v->is_string()) fail(path(key), "expected a text, got " + shown(*v));
    return v->get<std::string>();
  }
  // ASCII or GBK text that must fit a NUL-terminated slot of `width` bytes on the wire.
  std::optional<std::string> wireText(const std::string& key, std::size_t width) {
    auto t = text(key);
    if (!t) return std::nullopt;
    std::string gbk = qor::utf8ToGbk(*t);
    if (qor::gbkToUtf8(gbk) != *t) fail(path(key), "\"" + *t + "\" cannot be written in GBK");
    if (gbk.size() > width - 1)
      fail(path(key), "\"" + *t + "\" is " + std::to_string(gbk.size()) +
                          " bytes in GBK; the board keeps at most " + std::to_string(width - 1));
    return gbk;
  }
  std::optional<std::uint32_t> address(const std::string& key) {
    auto t = text(key);
    if (!t) return std::nullopt;
    std::uint32_t a = 0;
    if (!qor::parseIp(*t, a)) fail(path(key), "\"" + *t + "\" is not an IPv4 address");
    return a;
  }
  std::optional<Fields> object(const std::string& key) {
    const json* v = find(key);
    if (!v) return std::nullopt;
    return Fields(*v, path(key));
  }

  void finish() const {
    for (auto it = object_.begin(); it != object_.end(); ++it)
      if (!used_.count(it.key())) fail(path(it.key()), "unknown field");
  }

 private:
  const json& object_;
  std::string path_;
  std::set<std::string> used_;
};

struct VideoDefault {
  int mode, width, height;
};

VideoDefault videoDefault(int type) {
  switch (type) {
    case 3:
      return {1, 720, 576};  // SD encoder on CVBS
    case 5:
      return {3, 1024, 768};  // VGA capture
    case 7:
      return {27, 1920, 1080};  // SDI 1080p50
    case 11:
      return {12, 1280, 720};
    case 20:
      return {24, 1920, 1080};  // HDMI 1080p50
    case 1:
    case 9:
      return {12, 1920, 1080};
    case 4:
      return {131, 1024, 768};
    default:
      return {134, 1920, 1080};
  }
}

std::string typeName(int type) {
  switch (type) {
    case 1:
      return "HD编码板";
    case 2:
    case 8:
    case 21:
      return "HD解码板";
    case 3:
      return "编码板";
    case 4:
      return "解码板";
    case 7:
      return "SDI编码器";
    case 9:
      return "DVI编码板";
    case 11:
      return "T4500";
    case 20:
      return "T810";
    default:
      return "板卡";
  }
}

bool encoderKind(int type) {
  return type == 1 || type == 3 || type == 5 || type == 7 || type == 9 || type == 11 || type == 20;
}

std::uint8_t octet(std::uint32_t ip, int i) {
  return (ip >> (8 * i)) & 0xff;
}

// Host-order helpers for subnet arithmetic on network-order words.
std::uint32_t toHost(std::uint32_t a) {
  return __builtin_bswap32(a);
}
std::uint32_t toNet(std::uint32_t a) {
  return __builtin_bswap32(a);
}

std::uint32_t defaultGateway(std::uint32_t ip, std::uint32_t mask) {
  std::uint32_t net = toHost(ip) & toHost(mask);
  std::uint32_t last = net | ~toHost(mask);
  return toNet(last - 1);  // .254 in a /24
}

void putVideoRecord(BoardState& b, int width, int height) {
  auto s = qor::MutBytes(b.status);
  std::size_t o = L::kVideoRecord;
  qor::putU32(s, o, 28);
  qor::putU8(s, o + 4, 2);
  qor::putU8(s, o + 7, 1);   // constant bit rate
  qor::putU8(s, o + 9, 25);  // frames per second
  qor::putU16(s, o + 10, width >= 1280 ? 4000 : 2000);
  qor::putU32(s, o + 12, 50);
  qor::putU32(s, o + 16, width > 0 ? width : 1920);
  qor::putU32(s, o + 20, height > 0 ? height : 1080);
  qor::putU32(s, o + 24, 1);
}

void putAudioRecord(BoardState& b) {
  auto s = qor::MutBytes(b.status);
  std::size_t o = L::kAudioRecord;
  qor::putU32(s, o, 16);
  qor::putU8(s, o + 4, 6);
  qor::putU8(s, o + 5, 2);
  qor::putU16(s, o + 6, 128);
  qor::putU32(s, o + 8, 44100);
  qor::putU32(s, o + 12, 1);
}

void putQualityRecord(BoardState& b) {
  auto s = qor::MutBytes(b.status);
  qor::putU32(s, L::kQualityRecord, 12);
  qor::putU16(s, L::kQualityRecord + 6, 128);
  qor::putU16(s, L::kQualityRecord + 8, 128);
  qor::putU16(s, L::kQualityRecord + 10, 128);
}

void putVolumeRecord(BoardState& b) {
  auto s = qor::MutBytes(b.status);
  qor::putU32(s, L::kVolumeRecord, 8);
  qor::putU16(s, L::kVolumeRecord + 4, 0);
  qor::putU16(s, L::kVolumeRecord + 6, 80);
}

void defaultStatus(BoardState& b, std::uint32_t ip, std::uint32_t mask, int type) {
  b.status.fill(0);
  auto s = qor::MutBytes(b.status);
  qor::putU32(s, L::kSize, 200);
  qor::putU32(s, L::kIdentity, L::kIdentitySize);
  qor::putU32(s, L::kIp, ip);
  qor::putU32(s, L::kMask, mask);
  qor::putU32(s, L::kGateway, defaultGateway(ip, mask));
  // The boards' own rule: the last four MAC bytes are the address octets.
  std::uint8_t mac[6] = {0x00, 0x0e, octet(ip, 0), octet(ip, 1), octet(ip, 2), octet(ip, 3)};
  for (int i = 0; i < 6; ++i) qor::putU8(s, L::kMac + i, mac[i]);
  qor::putText(s, L::kName, L::kNameWidth,
               qor::utf8ToGbk(typeName(type) + "-" + std::to_string(octet(ip, 3))));
  qor::putI32(s, L::kType, type);
  qor::putU8(s, L::kBaseband, 2);
  qor::putU8(s, L::kBaseband + 1, 1);
  qor::putI16(s, L::kVersionK, 3);
  qor::putI16(s, L::kVersionK + 2, 12);
  qor::putI16(s, L::kVersionA, 1);
  qor::putI16(s, L::kVersionA + 2, 8);
  if (encoderKind(type)) {
    qor::putU32(s, L::kSendAddress, qor::ipFromOctets(239, 77, octet(ip, 2), octet(ip, 3)));
    qor::putU16(s, L::kSendPort, 1234);
    qor::putU16(s, L::kSendMode, 1);
  } else {
    qor::putU16(s, L::kReceivePort, 1234);
  }
  VideoDefault v = videoDefault(type);
  qor::putI16(s, L::kVideoMode, v.mode);
  qor::putI16(s, L::kVideoWidth, v.width);
  qor::putI16(s, L::kVideoHeight, v.height);
  putVideoRecord(b, v.width, v.height);
  putAudioRecord(b);
  putQualityRecord(b);
  putVolumeRecord(b);
}

std::vector<std::uint8_t> parseHex(const std::string& text, const std::string& path,
                                   std::size_t size) {
  std::string digits;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
  if (digits.size() != size * 2)
    fail(path, "expected " + std::to_string(size * 2) + " hex digits (" + std::to_string(size) +
                   " bytes), got " + std::to_string(digits.size()));
  std::vector<std::uint8_t> out(size);
  for (std::size_t i = 0; i < size; ++i) {
    unsigned v = 0;
    for (int k = 0; k < 2; ++k) {
      char c = static_cast<char>(std::tolower(static_cast<unsigned char>(digits[2 * i + k])));
      if (!std::isxdigit(static_cast<unsigned char>(c)))
        fail(path, "'" + std::string(1, digits[2 * i + k]) + "' is not a hex digit");
      v = v * 16 + (c <= '9' ? c - '0' : c - 'a' + 10);
    }
    out[i] = static_cast<std::uint8_t>(v);
  }
  return out;
}

void parseMac(const std::string& text, const std::string& path, qor::MutBytes s) {
  unsigned m[6];
  char tail = 0;
  int n = std::sscanf(text.c_str(), "%2x%*1[:-]%2x%*1[:-]%2x%*1[:-]%2x%*1[:-]%2x%*1[:-]%2x%c",
                      &m[0], &m[1], &m[2], &m[3], &m[4], &m[5], &tail);
  if (n != 6 || text.size() != 17)
    fail(path, "\"" + text + "\" is not a MAC address like 00:0e:0a:4d:00:0c");
  for (int i = 0; i < 6; ++i) qor::putU8(s, L::kMac + i, static_cast<std::uint8_t>(m[i]));
}

// "2.1" or [2, 1].
std::pair<long long, long long> parseVersion(Fields& f, const std::string& key, long long min,
                                             long long max) {
  const json* v = f.find(key);
  std::string path = f.path(key);
  long long a = 0, b = 0;
  if (v->is_array() && v->size() == 2 && (*v)[0].is_number_integer() &&
      (*v)[1].is_number_integer()) {
    a = (*v)[0].get<long long>();
    b = (*v)[1].get<long long>();
  } else if (v->is_string()) {
    char tail = 0;
    if (std::sscanf(v->get<std::string>().c_str(), "%lld.%lld%c", &a, &b, &tail) != 2)
      fail(path, "expected \"major.minor\" or [major, minor], got " + shown(*v));
  } else {
    fail(path, "expected \"major.minor\" or [major, minor], got " + shown(*v));
  }
  if (a < min || a > max || b < min || b > max)
    fail(path, "version numbers must lie in " + std::to_string(min) + ".." + std::to_string(max));
  return {a, b};
}

Faults parseFaults(Fields f) {
  Faults out;
  if (auto v = f.flag("silent")) out.silent = *v;
  if (auto v = f.flag("refuseTcp")) out.refuseTcp = *v;
  if (auto v = f.integer("cutReply", 0, 65536)) out.cutReply = static_cast<int>(*v);
  if (auto v = f.flag("wrongHead")) out.wrongHead = *v;
  if (auto v = f.integer("delayMs", 0, 600000)) out.delayMs = static_cast<int>(*v);
  if (auto v = f.flag("answerSearchTwice")) out.answerSearchTwice = *v;
  if (auto v = f.address("searchReplyFrom")) out.searchReplyFrom = qor::ipText(*v);
  if (auto v = f.flag("searchReplyBroadcast")) out.searchReplyBroadcast = *v;
  if (auto v = f.integer("fileResult", std::numeric_limits<std::int32_t>::min(),
                         std::numeric_limits<std::int32_t>::max()))
    out.fileResult = static_cast<std::int32_t>(*v);
  if (auto v = f.flag("silentFiles")) out.silentFiles = *v;
  if (auto v = f.flag("streamOff")) out.streamOff = *v;
  if (auto v = f.integer("dripMs", 0, 600000)) out.dripMs = static_cast<int>(*v);
  if (auto v = f.integer("splitMs", 0, 600000)) out.splitMs = static_cast<int>(*v);
  if (auto v = f.integer("floodSearchMs", 0, 600000)) out.floodSearchMs = static_cast<int>(*v);
  f.finish();
  return out;
}

FleetBoard parseBoard(const json& value, std::size_t index) {
  Fields f(value, "boards[" + std::to_string(index) + "]");
  FleetBoard fb;
  BoardState& b = fb.state;
  auto s = qor::MutBytes(b.status);

  std::optional<std::uint32_t> address = f.address("address");
  std::optional<long long> type = f.integer("type", std::numeric_limits<std::int32_t>::min(),
                                            std::numeric_limits<std::int32_t>::max());
  std::optional<std::uint32_t> mask = f.address("mask");
  if (auto hex = f.text("statusBlock")) {
    auto bytes = parseHex(*hex, f.path("statusBlock"), 200);
    std::copy(bytes.begin(), bytes.end(), b.status.begin());
    if (address) qor::putU32(s, L::kIp, *address);
    if (mask) qor::putU32(s, L::kMask, *mask);
    if (type) qor::putI32(s, L::kType, static_cast<std::int32_t>(*type));
  } else {
    if (!address)
      fail(f.path("address"), "missing (every board needs an address, or a statusBlock)");
    std::uint32_t m = mask.value_or(qor::ipFromOctets(255, 255, 255, 0));
    defaultStatus(b, *address, m, static_cast<int>(type.value_or(1)));
  }
  std::uint32_t ip = qor::getU32(qor::Bytes(b.status), L::kIp);
  if (ip == 0) fail(f.path("address"), "a board needs an address other than 0.0.0.0");
  int deviceType = qor::getI32(qor::Bytes(b.status), L::kType);

  if (auto v = f.address("gateway")) qor::putU32(s, L::kGateway, *v);
  if (auto v = f.text("mac")) parseMac(*v, f.path("mac"), s);
  if (auto v = f.wireText("name", L::kNameWidth)) qor::putText(s, L::kName, L::kNameWidth, *v);
  if (auto vf = f.object("versions")) {
    if (vf->find("baseband")) {
      auto [a, c] = parseVersion(*vf, "baseband", -128, 127);
      qor::putU8(s, L::kBaseband, static_cast<std::uint8_t>(a));
      qor::putU8(s, L::kBaseband + 1, static_cast<std::uint8_t>(c));
    }
    for (auto [key, off] : {std::pair{"k", L::kVersionK}, std::pair{"a", L::kVersionA}}) {
      if (!vf->find(key)) continue;
      auto [a, c] = parseVersion(*vf, key, -32768, 32767);
      qor::putI16(s, off, static_cast<std::int16_t>(a));
      qor::putI16(s, off + 2, static_cast<std::int16_t>(c));
    }
    vf->finish();
  }
  for (auto [key, off] :
       {std::pair{"send", L::kSendAddress}, std::pair{"receive", L::kReceiveAddress}}) {
    auto tf = f.object(key);
    if (!tf) continue;
    if (auto v = tf->address("address")) qor::putU32(s, off, *v);
    if (auto v = tf->integer("port", 0, 65535))
      qor::putU16(s, off + 4, static_cast<std::uint16_t>(*v));
    if (auto v = tf->integer("mode", -32768, 65535))
      qor::putU16(s, off + 6, static_cast<std::uint16_t>(*v));
    tf->finish();
  }
  if (auto vf = f.object("video")) {
    if (auto v = vf->integer("mode", -32768, 32767))
      qor::putI16(s, L::kVideoMode, static_cast<std::int16_t>(*v));
    if (auto v = vf->integer("width", -32768, 32767))
      qor::putI16(s, L::kVideoWidth, static_cast<std::int16_t>(*v));
    if (auto v = vf->integer("height", -32768, 32767))
      qor::putI16(s, L::kVideoHeight, static_cast<std::int16_t>(*v));
    vf->finish();
  }
  constexpr long long u8 = 0xff, u16 = 0xffff, u32 = 0xffffffffLL;
  if (auto rf = f.object("encoding")) {
    std::size_t o = L::kVideoRecord;
    if (auto v = rf->integer("enable", 0, u32))
      qor::putU32(s, o + 24, static_cast<std::uint32_t>(*v));
    if (auto v = rf->integer("cbr", 0, u8)) qor::putU8(s, o + 7, static_cast<std::uint8_t>(*v));
    if (auto v = rf->integer("frameRate", 0, u8))
      qor::putU8(s, o + 9, static_cast<std::uint8_t>(*v));
    if (auto v = rf->integer("bitRate", 0, u16))
      qor::putU16(s, o + 10, static_cast<std::uint16_t>(*v));
    if (auto v = rf->integer("iFrameInterval", 0, u32))
      qor::putU32(s, o + 12, static_cast<std::uint32_t>(*v));
    if (auto v = rf->integer("width", 0, u32))
      qor::putU32(s, o + 16, static_cast<std::uint32_t>(*v));
    if (auto v = rf->integer("height", 0, u32))
      qor::putU32(s, o + 20, static_cast<std::uint32_t>(*v));
    rf->finish();
  }
  if (auto rf = f.object("audio")) {
    std::size_t o = L::kAudioRecord;
    if (auto v = rf->integer("enable", 0, u32))
      qor::putU32(s, o + 12, static_cast<std::uint32_t>(*v));
    if (auto v = rf->integer("channels", 0, u8))
      qor::putU8(s, o + 5, static_cast<std::uint8_t>(*v));
    if (auto v = rf->integer("bitRate", 0, u16))
      qor::putU16(s, o + 6, static_cast<std::uint16_t>(*v));
    if (auto v = rf->integer("sampleRate", 0, u32))
      qor::putU32(s, o + 8, static_cast<std::uint32_t>(*v));
    rf->finish();
  }
  if (auto rf = f.object("quality")) {
    std::size_t o = L::kQualityRecord;
    if (auto v = rf->integer("brightness", 0, u16))
      qor::putU16(s, o + 6, static_cast<std::uint16_t>(*v));
    if (auto v = rf->integer("chroma", 0, u16))
      qor::putU16(s, o + 8, static_cast<std::uint16_t>(*v));
    if (auto v = rf->integer("saturation", 0, u16))
      qor::putU16(s, o + 10, static_cast<std::uint16_t>(*v));
    rf->finish();
  }
  if (auto rf = f.object("volume")) {
    std::size_t o = L::kVolumeRecord;
    if (auto v = rf->integer("autoGain", 0, u16))
      qor::putU16(s, o + 4, static_cast<std::uint16_t>(*v));
    if (auto v = rf->integer("level", 0, u16))
      qor::putU16(s, o + 6, static_cast<std::uint16_t>(*v));
    rf->finish();
  }

  b.streamAccess.fill(0);
  auto a = qor::MutBytes(b.streamAccess);
  qor::putU32(a, 0, L::kAccessSize);
  if (auto sf = f.object("stream")) {
    if (auto v = sf->wireText("url", L::kAccessUrlWidth))
      qor::putText(a, L::kAccessUrl, L::kAccessUrlWidth, *v);
    if (auto v = sf->wireText("user", L::kAccessTextWidth))
      qor::putText(a, L::kAccessUser, L::kAccessTextWidth, *v);
    if (auto v = sf->wireText("password", L::kAccessTextWidth))
      qor::putText(a, L::kAccessPassword, L::kAccessTextWidth, *v);
    sf->finish();
  }
  b.streamInfo.fill(0);
  qor::putU32(qor::MutBytes(b.streamInfo), 0, L::kInfoSize);
  if (auto v = f.wireText("rtspUrl", L::kInfoRtspUrlWidth)) {
    qor::putText(qor::MutBytes(b.streamInfo), L::kInfoRtspUrl, L::kInfoRtspUrlWidth, *v);
    fb.rtspUrlDerived = false;
  }

  if (const json* v = f.find("serialNumber"); v && v->is_number_integer()) {
    b.serialNumber = std::to_string(v->get<long long>());
  } else if (auto t = f.wireText("serialNumber", 64)) {
    b.serialNumber = *t;
  } else {
    b.serialNumber = std::to_string(21000000 + octet(ip, 2) * 256 + octet(ip, 3));
  }
  if (auto v = f.wireText("id", 64)) {
    b.id = *v;
  } else {
    char buf[16];
    std::snprintf(buf, sizeof buf, "QR%02X%02X%02X", b.status[L::kMac + 3], b.status[L::kMac + 4],
                  b.status[L::kMac + 5]);
    b.id = buf;
  }
  if (auto v = f.integer("baudRate", 0, u32)) b.value = static_cast<std::uint32_t>(*v);
  if (auto ff = f.object("faults")) b.faults = parseFaults(std::move(*ff));
  if (const json* v = f.find("upgrade")) b.upgrade = parseUpgradeBehaviour(*v, f.path("upgrade"));
  if (const json* v = f.find("otherInterfaces"))
    b.otherInterfaces = parseOtherInterfaces(*v, f.path("otherInterfaces"));
  if (auto v = f.integer("commandResult", 0, 255)) b.commandResult = static_cast<std::uint8_t>(*v);
  f.finish();

  b.name = qor::gbkToUtf8(qor::getText(qor::Bytes(b.status), L::kName, L::kNameWidth));
  (void)deviceType;
  refreshDerived(b, fb.rtspUrlDerived);
  return fb;
}

// A plausible EDID: base block with a 1080p60 preferred timing, the name and serial as
// descriptors, and a CTA-861 extension with a 720p60 detailed timing.
std::array<std::uint8_t, 256> makeEdid(const char manufacturer[3], std::uint16_t product,
                                       std::uint32_t serial, const std::string& name,
                                       const std::string& serialText) {
  std::array<std::uint8_t, 256> e{};
  const std::uint8_t header[8] = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
  std::copy(header, header + 8, e.begin());
  std::uint16_t id =
      static_cast<std::uint16_t>(((manufacturer[0] - 'A' + 1) << 10) |
                                 ((manufacturer[1] - 'A' + 1) << 5) | (manufacturer[2] - 'A' + 1));
  e[8] = id >> 8;
  e[9] = id & 0xff;
  e[10] = product & 0xff;
  e[11] = product >> 8;
  for (int i = 0; i < 4; ++i) e[12 + i] = (serial >> (8 * i)) & 0xff;
  e[16] = 12;  // week
  e[17] = 33;  // 2023
  e[18] = 1;
  e[19] = 3;
  e[20] = 0x80;  // digital input
  e[21] = 52;
  e[22] = 29;
  e[23] = 120;  // gamma 2.2
  e[24] = 0x0a;
  const std::uint8_t chroma[10] = {0xee, 0x91, 0xa3, 0x54, 0x4c, 0x99, 0x26, 0x0f, 0x50, 0x54};
  std::copy(chroma, chroma + 10, e.begin() + 25);
  e[35] = 0x21;
  e[36] = 0x08;
  for (int i = 38; i < 54; ++i) e[i] = 0x01;
  const std::uint8_t dtd[18] = {0x02, 0x3a, 0x80, 0x18, 0x71, 0x38, 0x2d, 0x40, 0x58,
                                0x2c, 0x45, 0x00, 0x0f, 0x28, 0x21, 0x00, 0x00, 0x1e};
  std::copy(dtd, dtd + 18, e.begin() + 54);
  auto descriptor = [&](int at, std::uint8_t tag, const std::string& text) {
    e[at + 3] = tag;
    for (int i = 0; i < 13; ++i)
      e[at + 5 + i] = i < int(text.size()) ? text[i] : (i == int(text.size()) ? 0x0a : 0x20);
  };
  descriptor(72, 0xfc, name.substr(0, 13));
  const std::uint8_t range[18] = {0,    0, 0,    0xfd, 0,    0x38, 0x4c, 0x1e, 0x53,
                                  0x11, 0, 0x0a, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
  std::copy(range, range + 18, e.begin() + 90);
  descriptor(108, 0xff, serialText.substr(0, 13));
  e[126] = 1;
  e[128] = 0x02;
  e[129] = 0x03;
  e[130] = 0x04;
  const std::uint8_t dtd720[18] = {0x01, 0x1d, 0x00, 0x72, 0x51, 0xd0, 0x1e, 0x20, 0x6e,
                                   0x28, 0x55, 0x00, 0x0f, 0x28, 0x21, 0x00, 0x00, 0x1e};
  std::copy(dtd720, dtd720 + 18, e.begin() + 132);  // the extension's detailed timing: 720p60
  for (int block = 0; block < 2; ++block) {
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i) sum += e[block * 128 + i];
    e[block * 128 + 127] = static_cast<std::uint8_t>((256 - sum % 256) % 256);
  }
  return e;
}

void fillBlocks(BoardState& b) {
  auto st = qor::Bytes(b.status);
  std::uint32_t ip = b.ip();
  std::uint16_t width =
      static_cast<std::uint16_t>(std::max<int>(0, qor::getI16(st, L::kVideoWidth)));
  std::uint16_t height =
      static_cast<std::uint16_t>(std::max<int>(0, qor::getI16(st, L::kVideoHeight)));

  auto block = [](std::size_t size) {
    std::vector<std::uint8_t> v(size, 0);
    qor::putU32(qor::MutBytes(v), 0, static_cast<std::uint32_t>(size));
    return v;
  };
  // 257/258: an 80-byte key block, length at 4 and bytes at 8.
  auto key = block(80);
  std::string keyText = "QOR-" + b.serialNumber;
  keyText.resize(std::min<std::size_t>(keyText.size(), 60));
  qor::putU32(qor::MutBytes(key), 4, static_cast<std::uint32_t>(keyText.size()));
  qor::putBytes(qor::MutBytes(key), 8,
                qor::Bytes(reinterpret_cast<const std::uint8_t*>(keyText.data()), keyText.size()));
  b.readBlocks[0xFE] = key;
  auto serialBlock = block(1052);
  qor::putU32(qor::MutBytes(serialBlock), 16, b.value);
  b.readBlocks[0xC4] = serialBlock;
  auto versionBlock = block(80);
  char version[48];
  std::snprintf(version, sizeof version, "K%d.%d-A%d.%d", qor::getI16(st, L::kVersionK),
                qor::getI16(st, L::kVersionK + 2), qor::getI16(st, L::kVersionA),
                qor::getI16(st, L::kVersionA + 2));
  qor::putText(qor::MutBytes(versionBlock), 8, 48, version);
  b.readBlocks[0xC6] = versionBlock;
  b.readBlocks[0xCD] = block(4084);
  b.readBlocks[0x55] = block(76);
  b.readBlocks[0x57] = block(8040);
  b.readBlocks[0x59] = block(68);
  b.readBlocks[0x5B] = block(64);
  b.readBlocks[0x5D] = block(64);

  auto pp = qor::MutBytes(b.picturePosition);
  qor::putU32(pp, 8, width);
  qor::putU32(pp, 12, height);

  auto ct = qor::MutBytes(b.customerTiming);
  qor::putU32(ct, 0, 1920);
  qor::putU32(ct, 4, 1080);
  qor::putU32(ct, 8, 60);
  qor::putU32(ct, 12, 148500000);
  qor::putU16(ct, 16, 2200);
  qor::putU16(ct, 18, 1125);
  qor::putU16(ct, 28, 2200);  // measured block length
  qor::putU16(ct, 30, 5);     // vertical sync width
  qor::putU16(ct, 32, 1125);  // line count
  qor::putU16(ct, 34, 1125);  // field length

  auto vp = qor::MutBytes(b.videoPosition);
  qor::putU16(vp, 4, width);
  qor::putU16(vp, 6, height);
  qor::putU16(vp, 12, 1174);  // horizontal position 0 as the page shows it
  qor::putU32(vp, 20, 0x1C71C00);
  for (std::uint32_t r = 0x1C71C00; r <= 0x1C71F80; r += 0x80)
    b.videoRegisters[r] = 0x00100010 + (r & 0xfff);

  auto qm = qor::MutBytes(b.peripheral);
  qor::putU32(qm, 0, 16);
  qor::putU16(qm, 4, qor::getU16(st, L::kVideoMode));
  qor::putU16(qm, 6, width);
  qor::putU16(qm, 8, height);

  // Overlays as the page's defaults would set them: channel text and time, both shown.
  auto ov = qor::MutBytes(b.overlay);
  auto descriptor = [&](std::size_t at, std::u16string text, int x) {
    qor::putU32(ov, at + 4, 1);
    qor::putI32(ov, at + 12, x);
    for (std::size_t i = 0; i < text.size(); ++i) qor::putU16(ov, at + 20 + 2 * i, text[i]);
    qor::putU32(ov, at + 148, static_cast<std::uint32_t>(text.size() + 1));
    qor::putI32(ov, at + 160, 100);
    qor::putI32(ov, at + 164, 100);
  };
  descriptor(8, u"通道1", 100);
  descriptor(188, u"时间", 0);

  auto sr = qor::MutBytes(b.storage);
  qor::putU32(sr, 0, 256);     // single file size, MB
  qor::putU32(sr, 4, 1024);    // reserved space, MB
  qor::putU32(sr, 16, 29820);  // a 32 GB card
  qor::putU32(sr, 20, 12480);
  qor::putU32(sr, 28, 12000);
  qor::putU32(sr, 32, 47);
  qor::putU32(sr, 36, 1);

  char serialText[16];
  std::snprintf(serialText, sizeof serialText, "%u", ip);
  b.edid = makeEdid("QOR", static_cast<std::uint16_t>(0x1000 + b.deviceType()), toHost(ip),
                    "QOR CODEC", b.serialNumber);
  if (!b.isEncoderKind())
    b.monitorEdid = makeEdid("LCD", 0x2412, 0x00A1B2C3, "LCD MONITOR", "A1B2C3");
}

}  // namespace

std::uint32_t BoardState::ip() const {
  return qor::getU32(qor::Bytes(status), L::kIp);
}
std::int32_t BoardState::deviceType() const {
  return qor::getI32(qor::Bytes(status), L::kType);
}
bool BoardState::isEncoderKind() const {
  return encoderKind(deviceType());
}

void refreshDerived(BoardState& b, bool rtspUrlDerived) {
  auto st = qor::Bytes(b.status);
  if (rtspUrlDerived)
    qor::putText(qor::MutBytes(b.streamInfo), L::kInfoRtspUrl, L::kInfoRtspUrlWidth,
                 "rtsp://" + qor::ipText(b.ip()) + ":8554/live/main");
  if (!b.isEncoderKind()) return;

  // Capture front-end registers as the detect button reads them: period and line count of the
  // input, and for HDMI inputs the active size.
  int mode = qor::getI16(st, L::kVideoMode);
  int width = qor::getI16(st, L::kVideoWidth);
  int height = qor::getI16(st, L::kVideoHeight);
  int rate = 60;
  switch (mode) {
    case 5:
    case 7:
    case 23:
    case 24:
    case 27:
    case 32:
      rate = 50;
      break;
    case 9:
    case 29:
      rate = 25;
      break;
    case 10:
    case 28:
      rate = 30;
      break;
    case 30:
      rate = 24;
      break;
    case 16:
    case 21:
      rate = 75;
      break;
    case 17:
    case 22:
      rate = 85;
      break;
    default:
      break;
  }
  int lines = 0;
  if (width > 0 && height > 0) {
    static const std::pair<int, int> totals[] = {
        {480, 525}, {540, 562},  {576, 625},   {600, 628},   {720, 750},   {768, 806},
        {900, 934}, {960, 1000}, {1024, 1066}, {1050, 1089}, {1080, 1125}, {1200, 1235}};
    lines = height + height / 20 + 1;
    for (auto [active, total] : totals)
      if (active == height) lines = total;
    lines = std::min(lines, 2047);
  }
  // In automatic mode the board goes on measuring the input it had.
  if (lines == 0 && b.registers.count(registerKey(0, L::kFrontEndDevice, 0xB4))) return;
  int period = lines > 0 ? (28636363 / lines) * 8 / rate : 0;
  period = std::min(period, 0x3FFF);
  b.registers[registerKey(0, L::kFrontEndDevice, 0xB1)] = (period >> 8) & 0x3F;
  b.registers[registerKey(0, L::kFrontEndDevice, 0xB2)] = period & 0xFF;
  b.registers[registerKey(0, L::kFrontEndDevice, 0xB3)] = (lines >> 8) & 0x07;
  b.registers[registerKey(0, L::kFrontEndDevice, 0xB4)] = lines & 0xFF;
  bool hdmi = mode == 12 || (mode >= 18 && mode <= 25) || mode == 34;
  bool interlaced = mode == 23 || mode == 25;
  int w = hdmi && width > 0 ? width : 0;
  int h = hdmi && height > 0 ? (interlaced ? height / 2 : height) : 0;
  b.registers[registerKey(0, L::kHdmiDevice, 0x07)] = (w >> 8) & 0x0F;
  b.registers[registerKey(0, L::kHdmiDevice, 0x08)] = w & 0xFF;
  b.registers[registerKey(0, L::kHdmiDevice, 0x09)] = (h >> 8) & 0x0F;
  b.registers[registerKey(0, L::kHdmiDevice, 0x0A)] = h & 0xFF;
}

Fleet parseFleet(const json& fleet) {
  Fleet out;
  const json* boards = &fleet;
  std::optional<Fields> top;
  if (fleet.is_object()) {
    top.emplace(fleet, "fleet");
    if (auto v = top->number("restartSeconds", 0, 3600)) out.restartSeconds = *v;
    boards = top->find("boards");
    if (!boards) fail("boards", "missing (expected a list of boards)");
    top->finish();
  }
  if (!boards->is_array()) fail("boards", "expected a list of boards, got " + shown(*boards));
  if (boards->empty()) fail("boards", "the fleet has no boards");
  for (std::size_t i = 0; i < boards->size(); ++i) {
    out.boards.push_back(parseBoard((*boards)[i], i));
    fillBlocks(out.boards.back().state);
  }
  return out;
}

Fleet generatedFleet(int count) {
  if (count < 1 || count > 245)
    throw FleetError("fleet: generated fleets hold 1..245 boards, not " + std::to_string(count));
  json boards = json::array();
  for (int i = 0; i < count; ++i) {
    int last = 10 + i;
    json b = {{"address", "10.77.0." + std::to_string(last)}};
    if (i % 2 == 0) {
      b["type"] = 1;
      b["name"] = "编码器-" + std::to_string(last);
    } else {
      b["type"] = 2;
      b["name"] = "解码器-" + std::to_string(last);
      b["receive"] = {
          {"address", "239.77.0." + std::to_string(last - 1)}, {"port", 1234}, {"mode", 1}};
    }
    boards.push_back(b);
  }
  return parseFleet(boards);
}

}  // namespace qorsim
