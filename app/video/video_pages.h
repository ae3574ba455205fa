#pragma once
// What the video pages do with a board, without widgets: the peripheral page (CRightView2),
// the capture parameter page (customerSetting), the video position page (CRightView6) and the
// advanced video position page (CRightView16). The widgets copy their controls into these
// forms, call one action, and show the form again; every message and log line goes through
// the Notifier.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/board.h"
#include "video/customer_timings.h"
#include "video/video_channels.h"
#include "video/video_modes.h"

namespace tav {

class BoardLink;
class Notifier;

// Reads four registers of an i2c device in one block: Exchange (8068), then ExchangeAlt
// (8070). Returns 0, or the second channel's result.
int ReadRegisters(VideoChannels& channels, int device, const std::array<std::uint8_t, 4>& regs,
                  std::array<std::uint8_t, 4>& values);
// Writes registers of the capture front end (0x42) in one block: PostAlt on device type 20,
// else Post.
int WriteRegisters(VideoChannels& channels, int deviceType, const std::vector<RegisterWrite>& w);

// ---- CRightView2: peripheral configuration ("外设配置")

// The customer names as the resolution list shows them (UTF-8).
std::vector<std::string> CustomerNames(const CustomerTable& table);

// Refresh: false when the status read failed (message 205, lists unchanged).
bool RefreshPeripheral(BoardLink& link, CBoard& board, PeripheralForm& form, Notifier& notifier);
// Apply: derives the mode from the three texts, sends a chosen customer timing first, writes
// the record. Returns the configuration write's result.
int ApplyPeripheral(BoardLink& link, VideoChannels& channels, CBoard& board, PeripheralForm& form,
                    const CustomerTable& customers, Notifier& notifier);
// "检测": fills form.detectText. False when the registers could not be read.
bool DetectInput(VideoChannels& channels, PeripheralForm& form, Notifier& notifier);

// ---- customerSetting: capture parameters

struct CaptureFields {
  // "视频位置"
  std::int32_t left = 0, up = 0, positionWidth = 0, positionHeight = 0;
  // "采集参数"
  std::int32_t blockLength = 0, lines = 0, vsyncWidth = 0, fieldLength = 0, type = 0;
  std::int32_t width = 0, height = 0, rate = 0, clock = 0, maxWidth = 0, maxHeight = 0;
  std::int32_t offsetHori = 0, offsetVert = 0;
  std::string info = "建议配置info:";
};

std::vector<RegisterWrite> HorizontalOffsetWrites(std::int32_t offset);
std::vector<RegisterWrite> VerticalOffsetWrites(std::int32_t offset);
// Nothing when the fields do not allow the write.
std::optional<std::vector<RegisterWrite>> MaxWidthWrites(std::int32_t maxWidth);
std::optional<std::vector<RegisterWrite>> MaxHeightWrites(std::int32_t maxHeight);
std::optional<std::vector<RegisterWrite>> ClockWrites(std::int32_t maxWidth, std::int32_t clock);
// Rounded and snapped to the usual refresh rates.
std::int32_t SnapRate(double rate);

class CapturePage {
 public:
  CapturePage(VideoChannels& channels, Notifier& notifier, int deviceType)
      : channels_(channels), notifier_(notifier), deviceType_(deviceType) {}

  CaptureFields fields;

  bool refreshPosition();      // "刷新" of "视频位置"
  bool setPosition();          // "设置" of "视频位置"
  bool refreshCapture();       // "刷新" of "采集参数"
  bool setCapture();           // "设置" of "采集参数"
  bool setHorizontalOffset();  // "单配" beside "左右移+-511"
  bool setVerticalOffset();    // "单配" beside "上下移00-ff"
  bool setMaxWidth();          // "单配W"
  bool setMaxHeight();         // "单配H"
  bool setClock();             // "单配C"
  bool quickSet();             // "速配"

 private:
  bool write(const std::optional<std::vector<RegisterWrite>>& writes, const char* refused);
  VideoChannels& channels_;
  Notifier& notifier_;
  int deviceType_;
};

// ---- CRightView6 / CRightView16: video position

inline constexpr std::int32_t kHorizontalOrigin = 1174;  // stored = shown + 1174
inline constexpr std::uint32_t kVideoRegisterFirst = 0x1C71C00;
inline constexpr std::uint32_t kVideoRegisterLast = 0x1C71F80;

enum class PositionAccess { DecoderRecord, EncoderRecord, Disabled };
PositionAccess PositionAccessOf(qor::Bytes statusBlock);

struct PositionFields {
  std::int32_t width = 0, length = 0, x = 0, y = 0;
  std::int32_t horizontal = 0, vertical = 0, horizontalSpacing = 0, verticalSpacing = 0;
  std::string address;  // "地址 0x", hexadecimal text
  std::string value;    // "值 0x", hexadecimal text
  // Control states after a refresh.
  bool enabled = true;          // every control
  bool positionEnabled = true;  // "左右位置", "上下位置", "水平间隔", "垂直间隔"
  bool coordinatesEnabled = false;  // "X坐标", "Y坐标"
};

// "%x": leading blanks, an optional 0x, hex digits; nothing without a digit.
std::optional<std::uint32_t> ParseHexField(std::string_view text);
bool VideoRegisterAddressValid(std::uint32_t address);
// The record "应用" writes: the picture fields, the 1174 offset, register fields -1.
VideoPosition PositionToWrite(const PositionFields& fields);
// The record a register access writes: picture fields -1, the address and value.
VideoPosition RegisterAccess(std::uint32_t address, std::int32_t value);

class PositionPage {
 public:
  PositionPage(BoardLink& link, VideoChannels& channels, Notifier& notifier, CBoard& board)
      : link_(link), channels_(channels), notifier_(notifier), board_(board) {}

  PositionFields fields;

  bool refresh();        // initial update and "刷新"
  void apply();          // "应用"
  bool readRegister();   // "读"
  bool writeRegister();  // "写"

 private:
  BoardLink& link_;
  VideoChannels& channels_;
  Notifier& notifier_;
  CBoard& board_;
};

class AdvancedPositionPage {
 public:
  AdvancedPositionPage(VideoChannels& channels, Notifier& notifier)
      : channels_(channels), notifier_(notifier) {}

  PicturePosition fields;

  bool read();   // initial update and "刷新"
  bool write();  // "设置"
  bool clear();  // "清空设置": -1, -1, 0, 0; the fields stay

 private:
  VideoChannels& channels_;
  Notifier& notifier_;
};

}  // namespace tav
