#include "video/video_modes.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace tav {
namespace {

constexpr ModeCode kModes[] = {
    {3, "CAPTURE_VGA_", "_60Hz", "CAPTURE_VGA"},
    {16, "CAPTURE_VGA_", "_75Hz", "CAPTURE_VGA"},
    {17, "CAPTURE_VGA_", "_85Hz", "CAPTURE_VGA"},
    {4, "CAPTURE_YPbPr_", "_60Hz", "CAPTURE_YPbPr"},
    {5, "CAPTURE_YPbPri_", "_50Hz", "CAPTURE_YPbPr"},
    {6, "CAPTURE_YPbPri_", "_60Hz", "CAPTURE_YPbPr"},
    {7, "CAPTURE_YPbPrp_", "_50Hz", "CAPTURE_YPbPr"},
    {8, "CAPTURE_YPbPrp_", "_60Hz", "CAPTURE_YPbPr"},
    {12, "CAPTURE_HDMI_", "_60Hz", "CAPTURE_HDMI"},
    {21, "CAPTURE_HDMI_", "_75Hz", "CAPTURE_HDMI"},
    {22, "CAPTURE_HDMI_", "_85Hz", "CAPTURE_HDMI"},
    {23, "CAPTURE_HDMI50i_", "_50Hz", "CAPTURE_HDMI"},
    {24, "CAPTURE_HDMI50p_", "_50Hz", "CAPTURE_HDMI"},
    {25, "CAPTURE_HDMI60i_", "_60Hz", "CAPTURE_HDMI"},
    {26, "CAPTURE_SDI60p_", "_60Hz", "CAPTURE_SDI"},
    {27, "CAPTURE_SDI50p_", "_50Hz", "CAPTURE_SDI"},
    {28, "CAPTURE_SDI30p_", "_30Hz", "CAPTURE_SDI"},
    {29, "CAPTURE_SDI25p_", "_25Hz", "CAPTURE_SDI"},
    {30, "CAPTURE_SDI24p_", "_24Hz", "CAPTURE_SDI"},
    {31, "CAPTURE_SDI60i_", "_60Hz", "CAPTURE_SDI"},
    {32, "CAPTURE_SDI50i_", "_50Hz", "CAPTURE_SDI"},
    {33, "CAPTURE_CVGA_", "_60Hz", "CAPTURE_VGA_CUSTOMER"},
    {34, "CAPTURE_CHDMI_", "_60Hz", "CAPTURE_HDMI_CUSTOMER"},
    {131, "DISPLAY_VGA_", "_60Hz", "DISPLAY_VGA"},
    {132, "DISPLAY_YPbPr_", "_60Hz", "DISPLAY_YPbPr"},
    {146, "DISPLAY_YPbPr_", "_60Hz", "DISPLAY_YPbPr"},
    {134, "DISPLAY_HDMI_", "_60Hz", "DISPLAY_HDMI"},
    {141, "DISPLAY_HDMI50i_", "_50Hz", ""},
    {142, "DISPLAY_HDMI50p_", "_50Hz", ""},
    {143, "DISPLAY_HDMI60i_", "_60Hz", ""},
    {154, "DISPLAY_BOTH_", "_60Hz", "DISPLAY_BOTH"},
};

constexpr std::string_view kKnownNames[] = {
    "CAPTURE_AUTO",
    "CAPTURE_VGA_SVGA800x600",
    "CAPTURE_VGA_XGA1024x768",
    "CAPTURE_VGA_SXGA1280x1024",
    "CAPTURE_VGA_WXGAI1280*768",
    "CAPTURE_VGA_WXGAII1440*900",
    "CAPTURE_VGA_1280x720@60Hz",
    "CAPTURE_VGA_1280x800@60Hz",
    "CAPTURE_VGA_1360x768@60Hz",
    "CAPTURE_VGA_1920x1080@60Hz",
    "CAPTURE_VGA_1600x1200@60Hz",
    "CAPTURE_VGA_1680x1050@60Hz",
    "CAPTURE_VGA_1600x900@60Hz",
    "CAPTURE_VGA_1920x1200@60Hz",
    "CAPTURE_YPbPr_720P_50HZ",
    "CAPTURE_YPbPr_720P_60HZ",
    "CAPTURE_YPbPr_1080I_50HZ",
    "CAPTURE_YPbPr_1080I_60HZ",
    "CAPTURE_YPbPr_1080P_50HZ",
    "CAPTURE_YPbPr_1080P_60HZ",
    "CAPTURE_YPbPr_1080P_25HZ",
    "CAPTURE_HDMI_1080P",
    "CAPTURE_HDMI_720P",
    "DISPLAY_VGA_XGA1024x768",
    "DISPLAY_YPbPr",
    "CAPTURE_VGA_1600x1200@75Hz",
    "CAPTURE_VGA_1400x1050@75Hz",
    "CAPTURE_VGA_1440x900@75Hz",
    "CAPTURE_VGA_1280x800@75Hz",
    "CAPTURE_VGA_1280x768@75Hz",
    "CAPTURE_VGA_1280x720@75Hz",
};

struct AudioMode {
  std::string_view text;
  std::uint16_t flags;
};
constexpr AudioMode kAudioModes[] = {
    {"STEREO", 0x0080}, {"HDMI", 0x0100}, {"SDI", 0x0200}, {"BOTH", 0x0180}, {"MUTE", 0x0002},
};

using Names = std::vector<std::string>;

// Resolution lists and their default entries.
struct ResolutionList {
  Names entries;
  std::string_view defaultEntry;
};

const Names kVgaCapture = {"640x480",   "800x600",   "1024x768", "1280x1024", "1280x768",
                           "1440x900",  "1280x720",  "1280x800", "1360x768",  "1920x1080",
                           "1600x1200", "1680x1050", "1600x900", "1920x1200", "AUTO"};
const Names kHdmiCapture = {
    "480I",     "480P",      "576I",      "576P",      "720P",     "1080I",     "1080P",
    "800x600",  "1024x768",  "1280x1024", "1280x768",  "1440x900", "1280x720",  "1280x800",
    "1360x768", "1920x1080", "1600x1200", "1680x1050", "1600x900", "1920x1200", "AUTO"};
const Names kYpbprCapture = {"480I", "480P", "576I", "576P", "720P", "1080I", "1080P"};
const Names kSdiCapture = {"AUTO", "1080P", "1080I", "720P", "576I", "480I"};
const Names kWideDisplay = {"800x600",   "1024x768", "1280x720",  "1280x960",
                            "1280x1024", "1440x900", "1680x1050", "1920x1080"};
const Names kVgaDisplay = {"1024x768", "1280x1024"};
const Names kYpbprDisplay = {"720P", "1080I"};
const Names kType21Display = {"720P",      "1080P",     "800x600",   "1024x768", "1280x768",
                              "1280x1024", "1600x1200", "1400x1050", "AUTO"};
const Names kType21Ypbpr = {"720P", "1080P"};
constexpr std::string_view kProviderEntry = "0x0_SET_BY_PROVIDER";

const Names kRatesSdi = {"60Hz", "50Hz", "30Hz", "25Hz", "24Hz"};
const Names kRatesComputer = {"60Hz", "75Hz", "85Hz"};
const Names kRates50Then60 = {"50Hz", "60Hz"};
const Names kRates60Then50 = {"60Hz", "50Hz"};
const Names kRates60 = {"60Hz"};
const Names kRates50 = {"50Hz"};

ResolutionList resolutionsFor(std::string_view type, int deviceType,
                              const std::vector<std::string>& customers) {
  const bool wide = deviceType == 2 || deviceType == 6;
  if (deviceType == 21) {
    if (type == "DISPLAY_YPbPr") return {kType21Ypbpr, "720P"};
    return {kType21Display, "1024x768"};
  }
  if (type == "CAPTURE_VGA") return {kVgaCapture, "1024x768"};
  if (type == "CAPTURE_HDMI") return {kHdmiCapture, "1080P"};
  if (type == "CAPTURE_YPbPr") return {kYpbprCapture, "720P"};
  if (type == "CAPTURE_SDI") return {kSdiCapture, "1080P"};
  if (type == "DISPLAY_VGA") return {wide ? kWideDisplay : kVgaDisplay, "1024x768"};
  if (type == "DISPLAY_HDMI") return {kWideDisplay, "1920x1080"};
  if (type == "DISPLAY_YPbPr") return {kYpbprDisplay, "720P"};
  if (type == "CAPTURE_VGA_CUSTOMER") {
    Names entries{std::string(kProviderEntry)};
    entries.insert(entries.end(), customers.begin(), customers.end());
    return {entries, kProviderEntry};
  }
  if (type == "CAPTURE_HDMI_CUSTOMER") return {{std::string(kProviderEntry)}, kProviderEntry};
  return {{}, {}};
}

void refill(ChoiceList& list, const Names& entries) {
  list.entries = entries;
  list.selected = entries.empty() ? -1 : 0;
}

bool isOneOf(std::string_view text, std::initializer_list<std::string_view> set) {
  return std::find(set.begin(), set.end(), text) != set.end();
}

int leadingInt(std::string_view text) {
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// "%dx%d": both numbers or nothing.
std::optional<std::pair<int, int>> sizeText(std::string_view text) {
  int w = 0, h = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), w);
  if (ec != std::errc{} || p == text.data() + text.size() || *p != 'x') return std::nullopt;
  ++p;
  auto [q, ec2] = std::from_chars(p, text.data() + text.size(), h);
  if (ec2 != std::errc{}) return std::nullopt;
  return std::pair{w, h};
}

std::string sizeName(int w, int h) {
  return std::to_string(w) + "x" + std::to_string(h);
}

// The resolution entry that names the reported mode for the selected type; empty: keep.
std::string resolutionOf(std::string_view type, int deviceType, int code, int w, int h) {
  auto is = [&](int ww, int hh) { return w == ww && h == hh; };
  if (deviceType == 21) {
    if (type == "DISPLAY_YPbPr") return is(1920, 1080) ? "1080P" : is(1280, 720) ? "720P" : "";
    if (is(1280, 720)) return "720P";
    if (is(1920, 1080)) return "1080P";
    if (is(0, 0)) return "AUTO";
    return sizeName(w, h);
  }
  if (type == "CAPTURE_VGA" || type == "DISPLAY_VGA" || type == "DISPLAY_HDMI")
    return sizeName(w, h);
  if (type == "CAPTURE_HDMI") {
    if (is(720, 480)) return code == 25 ? "480I" : code == 12 ? "480P" : "";
    if (is(720, 576)) return code == 23 ? "576I" : code == 24 ? "576P" : "";
    if (is(1280, 720)) return "720P";
    if (is(1920, 1080))
      return (code == 23 || code == 25)   ? "1080I"
             : (code == 12 || code == 24) ? "1080P"
                                          : "1920x1080";
    return sizeName(w, h);
  }
  if (type == "CAPTURE_YPbPr") {
    if (is(720, 480)) return code == 6 ? "480I" : code == 8 ? "480P" : "";
    if (is(720, 576)) return code == 5 ? "576I" : code == 7 ? "576P" : "";
    if (is(1280, 720)) return "720P";
    if (is(1920, 1080))
      return (code == 5 || code == 6) ? "1080I" : (code == 7 || code == 8) ? "1080P" : "";
    return "";
  }
  if (type == "CAPTURE_SDI") {
    if (is(0, 0)) return "AUTO";
    if (is(1920, 1080)) return (code == 31 || code == 32) ? "1080I" : "1080P";
    if (is(1280, 720)) return "720P";
    if (is(720, 576)) return "576I";
    if (is(720, 480)) return "480I";
    return "";
  }
  if (type == "DISPLAY_YPbPr") return is(1920, 1080) ? "1080I" : "720P";
  return "";
}

}  // namespace

std::span<const ModeCode> ModeCodes() {
  return kModes;
}

const ModeCode* FindModeCode(int code) {
  for (const auto& row : kModes)
    if (row.code == code) return &row;
  return nullptr;
}

int ModeRate(const ModeCode& row) {
  return leadingInt(row.suffix.substr(1));
}

static bool isAutoCode(int code) {
  return code == 3 || code == 12 || code == 26;
}

std::string ModeName(int code, int width, int height) {
  if (isAutoCode(code) && width == 0 && height == 0) return "CAPTURE_AUTO";
  const ModeCode* row = FindModeCode(code);
  if (!row) return "UNKNOWN_" + std::to_string(code) + "_" + sizeName(width, height);
  return std::string(row->prefix) + sizeName(width, height) + std::string(row->suffix);
}

std::optional<ModeChoice> ParseModeName(std::string_view name, int rate) {
  if (name == "CAPTURE_AUTO") return ModeChoice{3, 0, 0};
  const ModeCode* fallback = nullptr;
  std::optional<std::pair<int, int>> fallbackSize;
  for (const auto& row : kModes) {
    if (!name.starts_with(row.prefix)) continue;
    std::string_view rest = name.substr(row.prefix.size());
    const bool withSuffix = rest.ends_with(row.suffix);
    if (withSuffix) rest.remove_suffix(row.suffix.size());
    auto size = sizeText(rest);
    if (!size || sizeName(size->first, size->second) != rest) continue;
    if (withSuffix && (rate == 0 || rate == ModeRate(row)))
      return ModeChoice{row.code, size->first, size->second};
    // Without the suffix: the row of the asked rate, else the first row (60 Hz where it has one).
    if (!withSuffix) {
      if (rate != 0 && rate == ModeRate(row))
        return ModeChoice{row.code, size->first, size->second};
      if (rate == 0 && !fallback) fallback = &row, fallbackSize = size;
    }
  }
  if (fallback) return ModeChoice{fallback->code, fallbackSize->first, fallbackSize->second};
  return std::nullopt;
}

std::span<const std::string_view> KnownModeNames() {
  return kKnownNames;
}

std::uint16_t AudioFlags(std::string_view text) {
  for (const auto& mode : kAudioModes)
    if (mode.text == text) return mode.flags;
  return 0;
}

std::string_view AudioText(std::uint16_t flags) {
  if (flags == 0) return "MONO";
  if (flags == 0x0280) return "BOTH";
  for (const auto& mode : kAudioModes)
    if (mode.flags == flags) return mode.text;
  return "UnKnown";
}

std::string_view ChoiceList::text() const {
  if (selected < 0 || selected >= static_cast<int>(entries.size())) return {};
  return entries[selected];
}

bool ChoiceList::select(std::string_view entry) {
  auto it = std::find(entries.begin(), entries.end(), entry);
  if (it == entries.end()) return false;
  selected = static_cast<int>(it - entries.begin());
  return true;
}

std::vector<std::string> PeripheralTypes(int deviceType) {
  if (deviceType == 21) return {"DISPLAY_BOTH", "DISPLAY_YPbPr", "DISPLAY_HDMI", "DISPLAY_VGA"};
  if (deviceType == 7) return {"CAPTURE_SDI"};
  Names types = {"CAPTURE_VGA", "CAPTURE_HDMI", "CAPTURE_YPbPr", "DISPLAY_VGA", "DISPLAY_YPbPr"};
  if (deviceType == 1 || deviceType == 9 || deviceType == 20) {
    types.push_back("CAPTURE_VGA_CUSTOMER");
    types.push_back("CAPTURE_HDMI_CUSTOMER");
  } else if (deviceType == 2 || deviceType == 6) {
    types.push_back("DISPLAY_HDMI");
  }
  return types;
}

PeripheralForm MakePeripheralForm(int deviceType, std::vector<std::string> customerNames) {
  PeripheralForm form;
  form.deviceType = deviceType;
  form.customerNames = std::move(customerNames);
  refill(form.types, PeripheralTypes(deviceType));
  form.types.enabled = deviceType != 7;
  form.detectShown = deviceType == 1 || deviceType == 9 || deviceType == 20;
  ChangeType(form, 0);
  return form;
}

void ChangeType(PeripheralForm& form, int typeIndex) {
  if (typeIndex < 0 || typeIndex >= static_cast<int>(form.types.entries.size())) return;
  form.types.selected = typeIndex;
  const std::string type(form.types.text());
  const int dt = form.deviceType;

  form.audio.enabled = true;
  if (dt == 21)
    refill(form.audio, {"BOTH", "HDMI", "STEREO", "MUTE"});
  else
    refill(form.audio, {"STEREO", dt == 7 ? "SDI" : "HDMI"});
  form.audio.selected = 1;

  ResolutionList list = resolutionsFor(type, dt, form.customerNames);
  refill(form.resolutions, list.entries);
  form.resolutions.select(list.defaultEntry);
  form.resolutions.enabled = true;

  const bool sdi = type == "CAPTURE_SDI";
  const bool hdmi = type == "CAPTURE_HDMI";
  form.audio.enabled = sdi || hdmi || dt == 21;
  if (hdmi || dt == 21) form.audio.select("STEREO");
  form.audioText = std::string(form.audio.text());

  form.frequencies.enabled = true;
  if (sdi) {
    refill(form.frequencies, kRatesSdi);
  } else if (type == "CAPTURE_VGA" || hdmi) {
    refill(form.frequencies, kRatesComputer);
  } else if (type == "CAPTURE_YPbPr") {
    refill(form.frequencies, kRates50Then60);
    form.frequencies.select("60Hz");
  } else {
    refill(form.frequencies, kRates60);
  }
  ChangeResolution(form, form.resolutions.selected);
}

void ChangeResolution(PeripheralForm& form, int resolutionIndex) {
  if (resolutionIndex >= 0 && resolutionIndex < static_cast<int>(form.resolutions.entries.size()))
    form.resolutions.selected = resolutionIndex;
  const std::string_view type = form.types.text();
  const std::string r(form.resolutions.text());
  auto& f = form.frequencies;
  f.enabled = true;
  if (form.deviceType == 7) {
    if (r == "AUTO" || r == "480I")
      refill(f, kRates60);
    else if (r == "1080P" || r == "720P")
      refill(f, kRatesSdi);
    else if (r == "1080I")
      refill(f, kRates60Then50);
    else if (r == "576I")
      refill(f, kRates50);
  }
  if (form.deviceType == 21) {
    f.enabled = false;
    return;
  }
  if (type == "CAPTURE_YPbPr") {
    if (isOneOf(r, {"480I", "480P"}))
      refill(f, kRates60);
    else if (isOneOf(r, {"576I", "576P"}))
      refill(f, kRates50);
    else if (isOneOf(r, {"720P", "1080I", "1080P"}))
      refill(f, kRates50Then60);
  } else if (type == "CAPTURE_HDMI") {
    if (isOneOf(r, {"480I", "480P"}))
      refill(f, kRates60);
    else if (isOneOf(r, {"576I", "576P"}))
      refill(f, kRates50);
    else if (isOneOf(r, {"720P", "1080I", "1080P"}))
      refill(f, kRates60Then50);
    else if (r == "AUTO")
      f.enabled = false;
    else if (!r.empty())
      refill(f, kRatesComputer);
  } else if (type == "CAPTURE_VGA") {
    if (r == "1920x1200") {
      f.select("60Hz");
      f.enabled = false;
    }
  }
}

void ShowStatus(PeripheralForm& form, qor::Bytes status) {
  const PeripheralSettings s = ReadPeripheral(status);
  form.code = s.code;
  form.width = static_cast<std::int16_t>(s.width);
  form.height = static_cast<std::int16_t>(s.height);
  form.audioSampling = s.audioSampling;
  form.modeName = ModeName(form.code, form.width, form.height);
  const bool isAuto = form.modeName == "CAPTURE_AUTO";

  const ModeCode* row = FindModeCode(form.code);
  int typeIndex = 0;
  if (row && !row->typeEntry.empty()) {
    auto it = std::find(form.types.entries.begin(), form.types.entries.end(), row->typeEntry);
    if (it != form.types.entries.end())
      typeIndex = static_cast<int>(it - form.types.entries.begin());
  }
  ChangeType(form, typeIndex);
  const std::string type(form.types.text());
  if (isAuto) {
    form.resolutions.select("AUTO");
  } else {
    std::string entry = resolutionOf(type, form.deviceType, form.code, form.width, form.height);
    if (!entry.empty()) form.resolutions.select(entry);
  }
  ChangeResolution(form, form.resolutions.selected);
  if (isAuto) {
    form.frequencies.selected = form.frequencies.entries.empty() ? -1 : 0;
  } else if (row) {
    form.frequencies.select(std::to_string(ModeRate(*row)) + "Hz");
  }
  form.audioText = std::string(AudioText(s.audioFlags));
}

ModeChoice DeriveMode(std::string_view t, std::string_view r, std::string_view f,
                      std::uint16_t previousCode) {
  ModeChoice m{previousCode, 0, 0};
  const int n = leadingInt(f);
  auto at = [&](std::size_t i) { return i < r.size() ? r[i] : '\0'; };
  const bool interlaced = at(3) == 'I' || at(4) == 'I';
  const bool progressive = at(3) == 'P' || at(4) == 'P';
  const bool automatic = at(0) == 'A';

  if (t == "CAPTURE_VGA_CUSTOMER") {
    m.code = 33;
  } else if (t == "CAPTURE_HDMI_CUSTOMER") {
    m.code = 34;
  } else {
    const std::size_t sep = t.find('_');
    const std::string_view family = t.substr(0, sep);
    const char kind = sep != std::string_view::npos && sep + 1 < t.size() ? t[sep + 1] : '\0';
    const bool capture = family == "CAPTURE", display = family == "DISPLAY";
    std::optional<int> code;
    if (capture && automatic && (kind == 'V' || kind == 'H' || kind == 'S')) {
      code = kind == 'V' ? 3 : kind == 'H' ? 12 : 26;
    } else if (display && automatic && (kind == 'H' || kind == 'V')) {
      code = kind == 'H' ? 134 : 131;
    } else if (capture && kind == 'V') {
      if (n == 60)
        code = 3;
      else if (n == 75)
        code = 16;
      else if (n == 85)
        code = 17;
    } else if (capture && kind == 'H') {
      if (n == 60)
        code = interlaced ? 25 : 12;
      else if (n == 75)
        code = 21;
      else if (n == 85)
        code = 22;
      else if (n == 50 && interlaced)
        code = 23;
      else if (n == 50 && progressive)
        code = 24;
    } else if (capture && kind == 'Y') {
      if (n == 60 && interlaced)
        code = 6;
      else if (n == 60 && progressive)
        code = 8;
      else if (n == 50 && interlaced)
        code = 5;
      else if (n == 50 && progressive)
        code = 7;
    } else if (capture && kind == 'S') {
      switch (n) {
        case 24:
          code = 30;
          break;
        case 25:
          code = 29;
          break;
        case 30:
          code = 28;
          break;
        case 50:
          code = interlaced ? 32 : 27;
          break;
        default:
          code = interlaced && n == 60 ? 31 : 26;
          break;
      }
    } else if (display) {
      if (kind == 'V')
        code = 131;
      else if (kind == 'Y')
        code = interlaced ? 146 : 132;
      else if (kind == 'H')
        code = 134;
      else if (kind == 'B')
        code = 154;
    }
    if (code) m.code = static_cast<std::uint16_t>(*code);
  }

  if (interlaced || progressive) {
    switch (leadingInt(r)) {
      case 480:
        m.width = 720, m.height = 480;
        break;
      case 576:
        m.width = 720, m.height = 576;
        break;
      case 720:
        m.width = 1280, m.height = 720;
        break;
      case 1080:
        m.width = 1920, m.height = 1080;
        break;
      default:
        break;
    }
  } else if (r != "AUTO") {
    if (auto size = sizeText(r)) m.width = size->first, m.height = size->second;
  }
  return m;
}

std::array<std::uint8_t, 16> EncodePeripheral(const PeripheralSettings& s) {
  std::array<std::uint8_t, 16> r{};
  qor::putU32(r, 0, 16);
  qor::putU16(r, 4, s.code);
  qor::putU16(r, 6, s.width);
  qor::putU16(r, 8, s.height);
  qor::putU16(r, 10, s.audioFlags);
  qor::putU32(r, 12, s.audioSampling);
  return r;
}

int PeripheralConfigType(int deviceType) {
  switch (deviceType) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 9:
    case 11:
    case 20:
      return 0x07;
    default:
      return 0x08;
  }
}

void StorePeripheral(qor::MutBytes status, const PeripheralSettings& s) {
  qor::putU16(status, 124, s.code);
  qor::putU16(status, 126, s.width);
  qor::putU16(status, 128, s.height);
  qor::putU16(status, periph::kAudioFlags, s.audioFlags);
  qor::putU32(status, periph::kAudioSampling, s.audioSampling);
}

PeripheralSettings ReadPeripheral(qor::Bytes status) {
  return {qor::getU16(status, 124), qor::getU16(status, 126), qor::getU16(status, 128),
          qor::getU16(status, periph::kAudioFlags), qor::getU32(status, periph::kAudioSampling)};
}

double MeasuredRate(std::int64_t lines, std::int64_t period) {
  if (lines == 0 || period == 0) return 0;
  return static_cast<double>((28636363 / lines) * 8) / static_cast<double>(period);
}

Detection DetectFromFrontEnd(const std::array<std::uint8_t, 4>& x) {
  Detection d;
  d.period = ((x[0] & 0x3F) << 8) | x[1];
  d.lines = ((x[2] & 0x07) << 8) | x[3];
  if (d.period == 0 || d.lines == 0) {
    d.text = "无视频输入！";
    return d;
  }
  d.rate = MeasuredRate(d.lines, d.period);
  char buf[160];
  const char* hint = d.lines >= 1080  ? "\n可能分辨率为：1080P或1600x1200"
                     : d.lines <= 900 ? "\n可能分辨率为：720P或1024x768"
                                      : "";
  std::snprintf(buf, sizeof buf, "频率: %.2f Hz\nMaxlines: %d\n%s", d.rate, d.lines, hint);
  d.text = buf;
  return d;
}

void DetectFromHdmi(Detection& d, const std::array<std::uint8_t, 4>& x) {
  const int w = ((x[0] & 0x0F) << 8) | x[1];
  const int h = ((x[2] & 0x0F) << 8) | x[3];
  if (w == 0 || h == 0) return;
  d.width = w;
  d.height = h;
  struct Tag {
    int w, h;
    const char* tag;
  };
  static constexpr Tag kTags[] = {{1920, 1080, " (1080P)"}, {1920, 540, " (1080I)"},
                                  {1280, 720, " (720P)"},   {720, 576, " (576P)"},
                                  {720, 288, " (576I)"},    {720, 480, " (480P)"},
                                  {720, 240, " (480I)"}};
  const char* tag = "";
  for (const auto& t : kTags)
    if (t.w == w && t.h == h) tag = t.tag;
  char buf[160];
  std::snprintf(buf, sizeof buf, "频率: %.2f Hz\n分辨率为：%dx%d%s", d.rate, w, h, tag);
  d.text = buf;
}

}  // namespace tav
