#include "debug/serial_control.h"

#include <algorithm>
#include <cstdio>

#include "debug/maintenance_port.h"
#include "debug/register_debug.h"
#include "device/board_link.h"
#include "device/notifier.h"
#include "le_bytes.h"
#include "pages/field_text.h"
#include "resources/string_table.h"

namespace tav {
namespace {

int HexDigitOrZero(std::string_view text, std::size_t at) {
  if (at >= text.size()) return 0;
  char c = text[at];
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

std::uint32_t Decimal(std::string_view text) {
  // The number input's decimal branch; a "0x" text is not hexadecimal here.
  return text.starts_with("0x") ? 0 : ParseNumber(text);
}

constexpr std::array<PtzKeyInfo, 9> kPtzKeys{{
    {PtzKey::Up, "上", "up", "ff-ff-00-08-00-27-2e-ff-ff-00-00-00-00-ff"},
    {PtzKey::Down, "下", "down", "ff-ff-00-10-00-27-36-ff-ff-00-00-00-00-ff"},
    {PtzKey::Left, "左", "left", "ff-ff-00-04-27-00-2a-ff-ff-00-00-00-00-ff"},
    {PtzKey::Right, "右", "right", "ff-ff-00-02-27-00-28-ff-ff-00-00-00-00-ff"},
    {PtzKey::Stop, "停", "stop", "ff-ff-00-00-00-00-ff"},
    {PtzKey::ZoomIn, "镜头拉近", "zoom-in", "ff-ff-00-20-00-00-1f-ff-ff-00-00-00-00-ff"},
    {PtzKey::ZoomOut, "镜头拉远", "zoom-out", "ff-ff-00-40-00-00-3f-ff-ff-00-00-00-00-ff"},
    {PtzKey::FocusNear, "聚焦近", "focus-near", "ff-ff-01-00-00-00-00-ff-ff-00-00-00-00-ff"},
    {PtzKey::FocusFar, "聚焦远", "focus-far", "ff-ff-00-80-00-00-7f-ff-ff-00-00-00-00-ff"},
}};

}  // namespace

const std::array<std::string_view, 13> kBaudChoices{kBaudAuto, "300",   "600",   "1200",  "2400",
                                                    "4800",    "9600",  "19200", "38400", "43000",
                                                    "56000",   "57600", "115200"};

std::string BaudText(std::uint32_t baud) {
  return baud == 0 ? std::string(kBaudAuto) : std::to_string(baud);
}

std::uint32_t BaudFromText(std::string_view text) {
  return text == kBaudAuto ? 0 : Decimal(text);
}

std::uint32_t RecordBaud(std::string_view text) {
  std::uint32_t baud = Decimal(text);
  return baud == 0 ? kDefaultRecordBaud : baud;
}

std::optional<std::string> BaudProblem(std::string_view text) {
  if (text == kBaudAuto) return std::nullopt;
  if (!NumberFieldProblem("串口波特率", text, 0xFFFFFFFFu) && !text.starts_with("0x"))
    return std::nullopt;
  // Decimal digits that do not fit the record's u32: say the range.
  if (auto wide = ParseWideIntegerField(text); wide && *wide >= 0)
    return OutOfRangeText("串口波特率", {0, 0xFFFFFFFFll});
  return std::string("串口波特率: 请选择\"动态调整\"或输入十进制波特率（如9600）。");
}

std::vector<std::uint8_t> ConvertSendText(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  if (text.size() < 2) return bytes;
  for (std::size_t at = 0; at < text.size(); at += 3)
    bytes.push_back(
        static_cast<std::uint8_t>(HexDigitOrZero(text, at) * 16 + HexDigitOrZero(text, at + 1)));
  return bytes;
}

std::string SendText(std::span<const std::uint8_t> bytes) {
  std::string text;
  char buf[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? "-%02x" : "%02x", bytes[i]);
    text += buf;
  }
  return text;
}

std::array<std::uint8_t, kSerialRecordSize> SerialRecord(std::span<const std::uint8_t> data,
                                                         std::uint32_t baud) {
  std::array<std::uint8_t, kSerialRecordSize> record{};
  std::size_t n = std::min(data.size(), kSerialDataMax);
  qor::putU32(record, 0, static_cast<std::uint32_t>(kSerialRecordSize));
  qor::putU32(record, 4, static_cast<std::uint32_t>(n));
  qor::putU32(record, 16, baud);
  qor::putBytes(record, kSerialDataOffset, data.first(n));
  return record;
}

std::span<const PtzKeyInfo> PtzKeys() {
  return kPtzKeys;
}

const PtzKeyInfo& PtzKeyOf(PtzKey key) {
  return *std::find_if(kPtzKeys.begin(), kPtzKeys.end(),
                       [key](const PtzKeyInfo& k) { return k.key == key; });
}

std::array<std::uint8_t, 7> PelcoFrame(std::uint8_t address, std::uint8_t command1,
                                       std::uint8_t command2, std::uint8_t data1,
                                       std::uint8_t data2) {
  std::uint8_t sum = static_cast<std::uint8_t>(address + command1 + command2 + data1 + data2);
  return {0xFF, address, command1, command2, data1, data2, sum};
}

std::string PtzText(PtzKey key, std::uint8_t speed) {
  struct Motion {
    std::uint8_t command1, command2;
    bool pan, tilt;
  };
  Motion m{};
  switch (key) {
    case PtzKey::Up:
      m = {0x00, 0x08, false, true};
      break;
    case PtzKey::Down:
      m = {0x00, 0x10, false, true};
      break;
    case PtzKey::Left:
      m = {0x00, 0x04, true, false};
      break;
    case PtzKey::Right:
      m = {0x00, 0x02, true, false};
      break;
    case PtzKey::Stop:
      m = {0x00, 0x00, false, false};
      break;
    case PtzKey::ZoomIn:
      m = {0x00, 0x20, false, false};
      break;
    case PtzKey::ZoomOut:
      m = {0x00, 0x40, false, false};
      break;
    case PtzKey::FocusNear:
      m = {0x01, 0x00, false, false};
      break;
    case PtzKey::FocusFar:
      m = {0x00, 0x80, false, false};
      break;
  }
  auto stop = PelcoFrame(kPtzCameraAddress, 0, 0, 0, 0);
  if (key == PtzKey::Stop) return SendText(stop);
  auto frame =
      PelcoFrame(kPtzCameraAddress, m.command1, m.command2, m.pan ? speed : 0, m.tilt ? speed : 0);
  return SendText(frame) + "-" + SendText(stop);
}

SerialControl::SerialControl(BoardLink& link, MaintenancePort& port, std::string address,
                             Notifier& notifier)
    : link_(link), port_(port), address_(std::move(address)), notifier_(notifier) {}

std::uint32_t SerialControl::refreshBaud() {
  std::uint32_t baud = port_.readValue();
  baudText = BaudText(baud);
  return baud;
}

int SerialControl::applyBaud() {
  int result = port_.writeValue(BaudFromText(baudText), notifier_);
  const char* text = str(result == 0 ? 183 : 184);
  notifier_.message(text, result == 0 ? NoticeIcon::Information : NoticeIcon::Error);
  notifier_.log(text);
  return result;
}

SendOutcome SerialControl::send() {
  SendOutcome out;
  if (sendText.size() < 2) return out;
  out.data = ConvertSendText(sendText);
  if (sendText.size() > kSendTextMax) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "发送数据太长：最多%zu个字符（%zu个值），现有%zu个字符，未发送。", kSendTextMax,
                  kSendTextMax / 3, sendText.size());
    notifier_.message(buf, NoticeIcon::Error);
    out.status = SendStatus::Refused;
    return out;
  }
  if (out.data.empty()) return out;
  auto record = SerialRecord(out.data, RecordBaud(baudText));
  out.result = link_.setConfig(address_, kSerialDataType, record);
  if (out.result != 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "发送串口数据失败!(%d)", out.result);
    notifier_.message(buf, NoticeIcon::Error);
    out.status = SendStatus::Failed;
    return out;
  }
  out.status = SendStatus::Sent;
  return out;
}

}  // namespace tav
