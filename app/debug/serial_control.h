#pragma once
// The serial port page without a display (CRightViewSerial, "串口设置"): the baud rate read and
// written through direct frames, the send text turned into bytes for the serial-data write
// (configuration type 14) and the camera keypad's Pelco-D frames.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

class BoardLink;
class MaintenancePort;
class Notifier;

inline constexpr int kSerialDataType = 14;
inline constexpr std::size_t kSerialRecordSize = 1052;
inline constexpr std::size_t kSerialDataOffset = 20;
inline constexpr std::size_t kSerialDataMax = kSerialRecordSize - kSerialDataOffset;  // 1032
inline constexpr std::size_t kSendTextMax = 255;                                      // 85 values
inline constexpr std::uint32_t kDefaultRecordBaud = 9600;
inline constexpr std::string_view kBaudAuto = "动态调整";
inline constexpr std::string_view kInitialSendText = "ff-01-00-07-00-48-50";

// The combo's entries, "动态调整" (0) first.
extern const std::array<std::string_view, 13> kBaudChoices;

std::string BaudText(std::uint32_t baud);           // "%u", 0 as "动态调整"
std::uint32_t BaudFromText(std::string_view text);  // "动态调整" 0, else decimal
std::uint32_t RecordBaud(std::string_view text);    // decimal; 9600 when that gives 0
// A message when the combo text is neither "动态调整" nor a decimal rate of 32 bits.
std::optional<std::string> BaudProblem(std::string_view text);

// Two hexadecimal digits every third character ("ff-01-..."); any other character counts as
// digit 0 and the separators are not checked. Fewer than two characters give nothing.
std::vector<std::uint8_t> ConvertSendText(std::string_view text);
std::string SendText(std::span<const std::uint8_t> bytes);  // "ff-01-..." lower case

// The 1052-byte serial-data record; data beyond 1032 bytes is not taken.
std::array<std::uint8_t, kSerialRecordSize> SerialRecord(std::span<const std::uint8_t> data,
                                                         std::uint32_t baud);

// Camera keypad.
enum class PtzKey { Up, Down, Left, Right, Stop, ZoomIn, ZoomOut, FocusNear, FocusFar };
struct PtzKeyInfo {
  PtzKey key;
  std::string_view label;  // the button's caption
  std::string_view name;   // tavctl's word
  std::string_view text;   // what the button puts into the send field
};
std::span<const PtzKeyInfo> PtzKeys();
const PtzKeyInfo& PtzKeyOf(PtzKey key);

inline constexpr std::uint8_t kPtzCameraAddress = 0xFF;
inline constexpr std::uint8_t kPtzSpeed = 0x27;
// Pelco-D: sync 0xFF, address, command 1, command 2, data 1, data 2, checksum of bytes 2-6.
std::array<std::uint8_t, 7> PelcoFrame(std::uint8_t address, std::uint8_t command1,
                                       std::uint8_t command2, std::uint8_t data1,
                                       std::uint8_t data2);
// The key's frames with another pan/tilt speed (the keypad's own texts use 0x27): the motion
// frame followed by a stop frame, or the stop frame alone.
std::string PtzText(PtzKey key, std::uint8_t speed = kPtzSpeed);

enum class SendStatus { Nothing, Refused, Sent, Failed };
struct SendOutcome {
  SendStatus status = SendStatus::Nothing;
  int result = 0;
  std::vector<std::uint8_t> data;  // what was (or would have been) sent
};

class SerialControl {
 public:
  SerialControl(BoardLink& link, MaintenancePort& port, std::string address, Notifier& notifier);

  std::string baudText;  // the combo's text
  std::string sendText{kInitialSendText};

  std::uint32_t refreshBaud();  // initial update and "刷新"
  int applyBaud();              // "应用": WriteValue's result (1: no connection)
  SendOutcome send();           // "发送"
  void pressKey(PtzKey key) { sendText = std::string(PtzKeyOf(key).text); }

 private:
  BoardLink& link_;
  MaintenancePort& port_;
  std::string address_;
  Notifier& notifier_;
};

}  // namespace tav
