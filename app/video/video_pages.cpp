#include "video/video_pages.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

#include "device/board_link.h"
#include "device/notifier.h"
#include "gbk.h"
#include "resources/string_table.h"

namespace tav {
namespace {

std::string format(const char* pattern, long long value) {
  char buf[128];
  std::snprintf(buf, sizeof buf, pattern, value);
  return buf;
}

void say(Notifier& notifier, std::string_view text, NoticeIcon icon) {
  notifier.log(text);
  notifier.message(text, icon);
}

std::int32_t saturate(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

int ReadRegisters(VideoChannels& channels, int device, const std::array<std::uint8_t, 4>& regs,
                  std::array<std::uint8_t, 4>& values) {
  auto build = [&] {
    RegisterBlock body{};
    qor::putU32(body, 0, static_cast<std::uint32_t>(body.size()));
    qor::putU16(body, 4, static_cast<std::uint16_t>(device));
    qor::putU16(body, 6, static_cast<std::uint16_t>(regs.size()));
    for (std::size_t i = 0; i < regs.size(); ++i) body[12 + i] = regs[i];
    return body;
  };
  RegisterBlock body = build();
  int rc = channels.exchange(body);
  if (rc != 0) {
    body = build();
    rc = channels.exchangeAlt(body);
  }
  if (rc == 0)
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = body[268 + i];
  return rc;
}

int WriteRegisters(VideoChannels& channels, int deviceType, const std::vector<RegisterWrite>& w) {
  RegisterBlock body{};
  qor::putU32(body, 0, static_cast<std::uint32_t>(body.size()));
  qor::putU16(body, 4, kFrontEndDevice);
  qor::putU16(body, 6, static_cast<std::uint16_t>(w.size()));
  for (std::size_t i = 0; i < w.size() && i < 256; ++i) {
    body[12 + i] = w[i].reg;
    body[268 + i] = w[i].value;
  }
  return deviceType == 20 ? channels.postAlt(body) : channels.post(body);
}

// ---- CRightView2

std::vector<std::string> CustomerNames(const CustomerTable& table) {
  std::vector<std::string> names;
  for (const auto& entry : table.entries)
    names.push_back(qor::sanitizeUtf8(qor::gbkToUtf8(entry.name)));
  return names;
}

bool RefreshPeripheral(BoardLink& link, CBoard& board, PeripheralForm& form, Notifier& notifier) {
  if (board.RefreshStatus(link) != 0) {
    say(notifier, str(kStrStatusReadFailed), NoticeIcon::Error);
    return false;
  }
  notifier.log(str(kStrPeripheralReadOk));
  if (form.deviceType != board.deviceType()) {
    // The lists depend on the device type; rebuild them for the type the board reports now.
    form = MakePeripheralForm(board.deviceType(), std::move(form.customerNames));
  }
  ShowStatus(form, board.statusBlock());
  return true;
}

int ApplyPeripheral(BoardLink& link, VideoChannels& channels, CBoard& board, PeripheralForm& form,
                    const CustomerTable& customers, Notifier& notifier) {
  const ModeChoice mode =
      DeriveMode(form.types.text(), form.resolutions.text(), form.frequencies.text(), form.code);
  form.code = mode.code;
  form.width = mode.width;
  form.height = mode.height;
  PeripheralSettings settings{mode.code, static_cast<std::uint16_t>(mode.width),
                              static_cast<std::uint16_t>(mode.height), AudioFlags(form.audioText),
                              form.audioSampling};

  const int r = form.resolutions.selected;
  if ((mode.code == 33 || mode.code == 34) && r >= 1 &&
      r <= static_cast<int>(customers.entries.size())) {
    const Record36 record = EncodeCustomerTiming(customers.entries[r - 1].timing);
    const int sent = channels.writeRecord36(record);
    if (sent < 0)
      notifier.message(format("set customer setting failed[%lld]!", sent), NoticeIcon::Error);
  }

  const auto record = EncodePeripheral(settings);
  const int rc =
      link.setConfig(board.AddressText(), PeripheralConfigType(board.deviceType()), record);
  if (rc == 0) {
    StorePeripheral(board.statusBlock(), settings);
    say(notifier, str(kStrPeripheralSetOk), NoticeIcon::Information);
  } else {
    say(notifier, str(kStrPeripheralSetFailed), NoticeIcon::Error);
  }
  return rc;
}

bool DetectInput(VideoChannels& channels, PeripheralForm& form, Notifier& notifier) {
  form.detectText.clear();
  std::array<std::uint8_t, 4> values{};
  int rc = ReadRegisters(channels, kFrontEndDevice, {0xB1, 0xB2, 0xB3, 0xB4}, values);
  if (rc != 0) {
    notifier.message(format("检测失败;错误号 = %lld", rc), NoticeIcon::Error);
    return false;
  }
  Detection detection = DetectFromFrontEnd(values);
  const std::string_view type = form.types.text();
  if (type == "CAPTURE_HDMI" || type == "CAPTURE_HDMI_CUSTOMER") {
    rc = ReadRegisters(channels, kHdmiReceiverDevice, {0x07, 0x08, 0x09, 0x0A}, values);
    if (rc != 0) {
      notifier.message(format("检测失败;错误号 = %lld", rc), NoticeIcon::Error);
      return false;
    }
    DetectFromHdmi(detection, values);
  }
  form.detectText = detection.text;
  return true;
}

// ---- customerSetting

std::vector<RegisterWrite> HorizontalOffsetWrites(std::int32_t v) {
  const std::uint8_t range = v < -256 ? 8 : v < 0 ? 12 : v < 256 ? 0 : 4;
  return {{0x7C, range}, {0x7E, static_cast<std::uint8_t>(v & 0xFF)}};
}

std::vector<RegisterWrite> VerticalOffsetWrites(std::int32_t v) {
  return {{0x7F, static_cast<std::uint8_t>(v & 0xFF)}};
}

std::optional<std::vector<RegisterWrite>> MaxWidthWrites(std::int32_t w) {
  if (w <= 320) return std::nullopt;
  return std::vector<RegisterWrite>{{0x87, static_cast<std::uint8_t>(((w >> 8) & 0x0F) | 0xE0)},
                                    {0x88, static_cast<std::uint8_t>(w & 0xFF)}};
}

std::optional<std::vector<RegisterWrite>> MaxHeightWrites(std::int32_t h) {
  if (h <= 240) return std::nullopt;
  return std::vector<RegisterWrite>{{0xAB, static_cast<std::uint8_t>(h >> 4)},
                                    {0xAC, static_cast<std::uint8_t>((h << 4) & 0xFF)}};
}

std::optional<std::vector<RegisterWrite>> ClockWrites(std::int32_t maxWidth, std::int32_t clock) {
  if (maxWidth <= 320 || clock <= 27000000) return std::nullopt;
  const std::int64_t value = std::int64_t(maxWidth) * 28636 / (clock / 1000);
  return std::vector<RegisterWrite>{{0x8F, static_cast<std::uint8_t>(value >> 8)},
                                    {0x90, static_cast<std::uint8_t>(value & 0xFF)}};
}

std::int32_t SnapRate(double rate) {
  const std::int64_t r = static_cast<std::int64_t>(rate + 0.5);
  struct Snap {
    int low, high, to;
  };
  static constexpr Snap kSnaps[] = {{47, 54, 50}, {57, 64, 60}, {67, 72, 70},
                                    {73, 77, 75}, {79, 82, 80}, {84, 87, 85}};
  for (const auto& s : kSnaps)
    if (r >= s.low && r <= s.high) return s.to;
  return saturate(r);
}

bool CapturePage::refreshPosition() {
  Record16 record{};
  const int rc = channels_.readRecord16(record);
  if (rc != 0) {
    notifier_.message(format("读取失败 = %lld", rc), NoticeIcon::Error);
    return false;
  }
  const PicturePosition p = DecodePicturePosition(record);
  fields.up = p.up;
  fields.left = p.left;
  fields.positionWidth = p.width;
  fields.positionHeight = p.height;
  return true;
}

bool CapturePage::setPosition() {
  const int rc = channels_.writeRecord16(
      EncodePicturePosition({fields.up, fields.left, fields.positionWidth, fields.positionHeight}));
  if (rc != 0) {
    notifier_.message(format("设置失败 = %lld", rc), NoticeIcon::Error);
    return false;
  }
  return true;
}

bool CapturePage::refreshCapture() {
  Record36 record{};
  const int rc = channels_.readRecord36(record);
  if (rc != 0) {
    notifier_.message(format("获取失败 = %lld", rc), NoticeIcon::Error);
    return false;
  }
  const CustomerTiming t = DecodeCustomerTiming(record);
  fields.width = saturate(t.width);
  fields.height = saturate(t.height);
  fields.rate = saturate(t.freq);
  fields.clock = saturate(t.clock);
  fields.maxWidth = t.maxWidth;
  fields.maxHeight = t.maxHeight;
  fields.offsetHori = t.offsetHori;
  fields.offsetVert = t.offsetVert;
  fields.type = saturate(t.type);
  fields.blockLength = t.blockLength;
  fields.vsyncWidth = t.vsyncWidth;
  fields.lines = t.lineCount;
  fields.fieldLength = t.fieldLength;
  char buf[64];
  std::snprintf(buf, sizeof buf, "Input freq: %.2f Hz", MeasuredRate(t.lineCount, t.blockLength));
  fields.info = buf;
  return true;
}

bool CapturePage::setCapture() {
  CustomerTiming t;
  t.width = static_cast<std::uint32_t>(fields.width);
  t.height = static_cast<std::uint32_t>(fields.height);
  t.freq = static_cast<std::uint32_t>(fields.rate);
  t.clock = static_cast<std::uint32_t>(fields.clock);
  t.maxWidth = static_cast<std::uint16_t>(fields.maxWidth);
  t.maxHeight = static_cast<std::uint16_t>(fields.maxHeight);
  t.offsetHori = static_cast<std::int16_t>(fields.offsetHori);
  t.offsetVert = static_cast<std::int16_t>(fields.offsetVert);
  const int rc = channels_.writeRecord36(EncodeCustomerTiming(t));
  if (rc != 0) {
    notifier_.message(format("设置失败 = %lld", rc), NoticeIcon::Error);
    return false;
  }
  return true;
}

bool CapturePage::write(const std::optional<std::vector<RegisterWrite>>& writes,
                        const char* refused) {
  if (!writes) {
    notifier_.message(refused, NoticeIcon::Error);
    return false;
  }
  if (WriteRegisters(channels_, deviceType_, *writes) != 0) {
    notifier_.message("设置失败！！", NoticeIcon::Error);
    return false;
  }
  return true;
}

bool CapturePage::setHorizontalOffset() {
  return write(HorizontalOffsetWrites(fields.offsetHori), "");
}

bool CapturePage::setVerticalOffset() {
  const auto writes = VerticalOffsetWrites(fields.offsetVert);
  const int rc = deviceType_ == 20
                     ? WriteRegisters(channels_, deviceType_, writes)
                     : channels_.setByte(kFrontEndDevice, writes[0].reg, writes[0].value);
  if (rc != 0) {
    notifier_.message("设置失败！！", NoticeIcon::Error);
    return false;
  }
  return true;
}

bool CapturePage::setMaxWidth() {
  return write(MaxWidthWrites(fields.maxWidth), "请输入正确参数");
}
bool CapturePage::setMaxHeight() {
  return write(MaxHeightWrites(fields.maxHeight), "请输入正确参数");
}
bool CapturePage::setClock() {
  return write(ClockWrites(fields.maxWidth, fields.clock), "请输入参数");
}

bool CapturePage::quickSet() {
  if (fields.lines <= 0 || fields.blockLength <= 0) refreshCapture();
  if (fields.lines <= 0 || fields.blockLength <= 0) {
    notifier_.message("输入信号参数不正确，No input?", NoticeIcon::Error);
    return false;
  }
  const double rate = MeasuredRate(fields.lines, fields.blockLength);
  fields.rate = SnapRate(rate);
  fields.maxHeight = fields.lines;

  const std::int32_t w = fields.width;
  if (w >= 320 && !(w < fields.maxWidth && std::int64_t(fields.maxWidth) <= 2 * std::int64_t(w))) {
    const std::int32_t suggested = saturate(std::int64_t(w) + w / 16 + w / 8);
    if (fields.maxWidth <= 320) {
      fields.maxWidth = suggested;
    } else {
      char question[256];
      std::snprintf(question, sizeof question,
                    "最大W(maxW)取值应与输入信号的长匹配(%d-%lld)，\n\r是否根据输入信号的长设置？",
                    w, 2 * static_cast<long long>(w));
      if (notifier_.question({question, "确认", AskButtons::YesNo})) fields.maxWidth = suggested;
    }
  }

  bool computed = false;
  if (fields.maxWidth > 320) {
    const std::int64_t scaled = static_cast<std::int64_t>(rate * 8);
    fields.clock = saturate(scaled * fields.maxHeight * fields.maxWidth / 8);
    computed = true;
  } else if (fields.clock >= 24000000) {
    const std::int64_t scaled = static_cast<std::int64_t>(rate * 1024);
    // A line count beyond the measurement gives no rate; nothing to divide by then.
    if (scaled > 0) {
      fields.maxWidth = saturate(std::int64_t(fields.clock / fields.maxHeight) * 1024 / scaled);
      computed = true;
    }
  }

  bool ok = setMaxHeight();
  if (computed) {
    ok = setMaxWidth() && ok;
    ok = setClock() && ok;
  } else {
    notifier_.message("请先修改最大W(maxW)，再进行操作！", NoticeIcon::Warning);
    ok = false;
  }
  return ok;
}

// ---- CRightView6 / CRightView16

PositionAccess PositionAccessOf(qor::Bytes status) {
  const int major = qor::getI16(status, status::kVersionAMajor);
  const int minor = qor::getI16(status, status::kVersionAMinor);
  const int type = qor::getI32(status, status::kDeviceType);
  if (major >= 3 && minor >= 0 && type == 4) return PositionAccess::DecoderRecord;
  if ((major >= 4 && minor >= 0 && type == 3) || type == 1 || type == 7)
    return PositionAccess::EncoderRecord;
  return PositionAccess::Disabled;
}

std::optional<std::uint32_t> ParseHexField(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (text.substr(i, 2) == "0x" || text.substr(i, 2) == "0X") {
    const bool digitFollows =
        i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 2]));
    if (digitFollows) i += 2;
  }
  std::uint64_t value = 0;
  std::size_t digits = 0;
  for (; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
    const char c = text[i];
    const int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    value = value * 16 + d;
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

bool VideoRegisterAddressValid(std::uint32_t address) {
  return address >= kVideoRegisterFirst && address <= kVideoRegisterLast;
}

VideoPosition PositionToWrite(const PositionFields& f) {
  VideoPosition p;
  p.width = static_cast<std::int16_t>(f.width);
  p.length = static_cast<std::int16_t>(f.length);
  p.x = static_cast<std::int16_t>(f.x);
  p.y = static_cast<std::int16_t>(f.y);
  p.horizontalPosition = static_cast<std::int16_t>(f.horizontal + kHorizontalOrigin);
  p.verticalPosition = static_cast<std::int16_t>(f.vertical);
  p.horizontalSpacing = static_cast<std::int16_t>(f.horizontalSpacing);
  p.verticalSpacing = static_cast<std::int16_t>(f.verticalSpacing);
  p.registerAddress = 0xFFFFFFFFu;
  p.registerValue = -1;
  return p;
}

VideoPosition RegisterAccess(std::uint32_t address, std::int32_t value) {
  VideoPosition p{-1, -1, -1, -1, -1, -1, -1, -1, address, value};
  return p;
}

bool PositionPage::refresh() {
  if (board_.RefreshStatus(link_) != 0) {
    say(notifier_, str(kStrStatusReadFailed), NoticeIcon::Error);
    return false;
  }
  notifier_.log(str(kStrPositionReadOk));
  const PositionAccess access = PositionAccessOf(board_.statusBlock());
  fields.enabled = access != PositionAccess::Disabled;
  if (access == PositionAccess::Disabled) return true;

  VideoPosition p;
  if (channels_.readVideoPosition(p, notifier_) == kDirectOk) {
    fields.width = p.width;
    fields.length = p.length;
    fields.x = p.x;
    fields.y = p.y;
    fields.horizontalSpacing = p.horizontalSpacing;
    fields.verticalSpacing = p.verticalSpacing;
    fields.vertical = p.verticalPosition;
    // Shown without the origin, so that "应用" writes back what the board holds.
    fields.horizontal = p.horizontalPosition - kHorizontalOrigin;
  }
  if (access == PositionAccess::EncoderRecord) {
    fields.width = board_.videoWidth();
    fields.length = board_.videoHeight();
    fields.positionEnabled = false;
    fields.coordinatesEnabled = true;
  } else {
    fields.positionEnabled = true;
    fields.coordinatesEnabled = false;
  }
  return true;
}

void PositionPage::apply() {
  channels_.writeVideoPosition(PositionToWrite(fields), notifier_);
  say(notifier_, str(kStrPositionSetOk), NoticeIcon::Information);
}

bool PositionPage::readRegister() {
  const auto address = ParseHexField(fields.address);
  if (!address || !VideoRegisterAddressValid(*address)) {
    notifier_.message(str(kStrRegisterAddressInvalid), NoticeIcon::Error);
    return false;
  }
  channels_.writeVideoPosition(RegisterAccess(*address, -1), notifier_);
  VideoPosition p;
  p.registerValue = 0;
  if (channels_.readVideoPosition(p, notifier_) == kDirectOk) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(p.registerValue));
    fields.value = buf;
  }
  notifier_.log(str(kStrRegisterReadOk));
  return true;
}

bool PositionPage::writeRegister() {
  const auto address = ParseHexField(fields.address);
  if (!address || !VideoRegisterAddressValid(*address)) {
    notifier_.message(str(kStrRegisterAddressInvalid), NoticeIcon::Error);
    return false;
  }
  const std::uint32_t value = ParseHexField(fields.value).value_or(0);
  channels_.writeVideoPosition(RegisterAccess(*address, static_cast<std::int32_t>(value)),
                               notifier_);
  notifier_.log(str(kStrRegisterWriteOk));
  return true;
}

bool AdvancedPositionPage::read() {
  Record16 record{};
  const int rc = channels_.readRecord16(record);
  if (rc != 0) {
    notifier_.message(format("读取失败 = %lld", rc), NoticeIcon::Error);
    return false;
  }
  fields = DecodePicturePosition(record);
  return true;
}

bool AdvancedPositionPage::write() {
  const int rc = channels_.writeRecord16(EncodePicturePosition(fields));
  if (rc != 0) {
    notifier_.message(format("设置失败 = %lld", rc), NoticeIcon::Error);
    return false;
  }
  return true;
}

bool AdvancedPositionPage::clear() {
  const int rc = channels_.writeRecord16(EncodePicturePosition({-1, -1, 0, 0}));
  if (rc != 0) {
    notifier_.message(format("设置失败 = %lld", rc), NoticeIcon::Error);
    return false;
  }
  return true;
}

}  // namespace tav
