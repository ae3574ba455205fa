#pragma once
// CRightView18 (OSD设置) without a display: the time and channel-text overlays of one of three
// channels, read and set as the 368-byte overlay block, the page's defaults and colour list.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pages/service_exchange.h"

namespace tav {

inline constexpr std::size_t kOverlayBlockSize = 368;
inline constexpr std::size_t kOverlayDescriptorSize = 180;
inline constexpr std::size_t kOverlayTextUnits = 64;
inline constexpr std::size_t kChannelTextAt = 8;  // the channel-text descriptor
inline constexpr std::size_t kTimeTextAt = 188;   // the time descriptor

// Refused overlay text (longer than the board's 64 UTF-16 units).
inline constexpr const char* kOverlayTextTooLong = "标志文字不能超过64个字符。";

// The channel list and the colour list; a colour is its position in the list.
const std::vector<std::string>& OverlayChannelNames();  // "通道1" "通道2" "通道3"
const std::vector<std::string>& OverlayColourNames();   // "红色" and "黑色" three times, sorted

struct OverlayDescriptor {
  bool shown = false;
  std::u16string text;  // at most 64 units, as the board holds them
  std::int32_t x = 0, y = 0;
  std::int32_t transparency = 0;  // 0 opaque
  std::int32_t colour = 0;
  std::int32_t scale = 100;  // percent
  std::int32_t background = 0;
  bool operator==(const OverlayDescriptor&) const = default;
};

struct OverlayBlock {
  std::uint32_t channel = 0;  // 0-2
  OverlayDescriptor channelText, time;
  bool operator==(const OverlayBlock&) const = default;
};

// Reserved words 0; a text's length field is 0 when empty, else its units and the NUL.
std::array<std::uint8_t, kOverlayBlockSize> EncodeOverlay(const OverlayBlock& block);
// Nothing unless all 368 bytes are there. Texts end at their NUL or after 64 units.
std::optional<OverlayBlock> DecodeOverlay(qor::Bytes block);

// UTF-8 to UTF-16; nothing when longer than 64 units. Invalid UTF-8 counts as U+FFFD.
std::optional<std::u16string> OverlayUnits(std::string_view utf8);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string OverlayText(std::u16string_view units);

// One column of the page, as its controls show it.
struct OverlayFields {
  bool shown = false;
  std::string text;  // UTF-8
  std::string transparency, background, x, y, scale;
  int colour = 0;  // list position; -1 none (the board's value is not in the list)
};

struct OsdForm {
  int channel = 0;  // list position; -1 none
  OverlayFields time, channelText;
};

class OsdSettings {
 public:
  OsdSettings(BoardLink& link, Notifier& notifier) : link_(link), notifier_(notifier) {}

  OsdForm form;
  ServiceLimits limits;

  void Show(const OverlayBlock& block);
  // "恢复默认设置": the page only; nothing is sent.
  void Defaults();
  // The form as a block; refused (message shown) for a field that is not an integer or a text
  // longer than 64 units. Texts the user left as they came go back as the board's units.
  std::optional<OverlayBlock> Read();

  // "获取OSD设置" and "更改OSD设置" ("修改成功" after the send).
  ServiceStatus Get(std::uint32_t address);
  ServiceStatus Set(std::uint32_t address);

  ServiceStatus ReadBoard(std::uint32_t address, OverlayBlock& block);
  ServiceStatus WriteBoard(std::uint32_t address, const OverlayBlock& block);

 private:
  std::optional<OverlayDescriptor> ReadColumn(const OverlayFields& fields,
                                              const OverlayDescriptor& before);

  BoardLink& link_;
  Notifier& notifier_;
  OverlayBlock shown_;  // the block the form was filled from
};

}  // namespace tav
