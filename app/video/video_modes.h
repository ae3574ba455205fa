#pragma once
// The peripheral page (CRightView2, "外设配置") without a display: the mode code table and
// mode names, the three lists (peripheral type, resolution, frequency) per device type and the
// rules between them, the code and size derived from the three texts, the audio flags, the
// 16-byte peripheral record and the input detection.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "le_bytes.h"
#include "video/customer_timings.h"

namespace tav {

struct ModeCode {
  std::uint16_t code;
  std::string_view prefix;
  std::string_view suffix;
  std::string_view typeEntry;  // the peripheral type entry it selects; empty: none
};

std::span<const ModeCode> ModeCodes();
const ModeCode* FindModeCode(int code);
// The rate of a row, from its suffix ("_50Hz" -> 50).
int ModeRate(const ModeCode& row);
// "CAPTURE_AUTO" for codes 3, 12, 26 at 0 x 0; prefix + "WxH" + suffix for the table's codes;
// "UNKNOWN_<code>_WxH" otherwise.
std::string ModeName(int code, int width, int height);
// The mode a name gives: prefix + WxH + suffix, or prefix + WxH with the rate given apart
// (0: the row's only or 60 Hz rate), or "CAPTURE_AUTO" (code 3).
struct ModeChoice {
  std::uint16_t code = 0;
  int width = 0;
  int height = 0;
  bool operator==(const ModeChoice&) const = default;
};
std::optional<ModeChoice> ParseModeName(std::string_view name, int rate = 0);

// The 31 names the page's display-only mode list holds.
std::span<const std::string_view> KnownModeNames();

// Audio mode: combo text -> flags sent (case-sensitive; other texts 0), flags read -> text.
std::uint16_t AudioFlags(std::string_view text);
std::string_view AudioText(std::uint16_t flags);

// The page's state: the three lists and the audio combo, as the widgets show them.
struct ChoiceList {
  std::vector<std::string> entries;
  int selected = -1;
  bool enabled = true;
  std::string_view text() const;        // the selected entry, empty when none
  bool select(std::string_view entry);  // false (selection kept) when absent
};

struct PeripheralForm {
  int deviceType = 0;
  ChoiceList types, resolutions, frequencies, audio;
  std::string audioText;  // the editable audio combo's text
  std::string modeName;
  std::uint16_t code = 0;
  int width = 0;
  int height = 0;
  std::uint32_t audioSampling = 0;
  bool detectShown = false;  // "检测" and "外设信息:" (device types 1, 9, 20)
  std::string detectText;
  std::vector<std::string> customerNames;  // the customer timing table, file order (UTF-8)
};

// A form for the device type with the customer names, lists built for the first type entry.
PeripheralForm MakePeripheralForm(int deviceType, std::vector<std::string> customerNames);
std::vector<std::string> PeripheralTypes(int deviceType);
void ChangeType(PeripheralForm& form, int typeIndex);
void ChangeResolution(PeripheralForm& form, int resolutionIndex);
// Refresh from the board status block (offsets 124-135): name, selections, audio text.
void ShowStatus(PeripheralForm& form, qor::Bytes statusBlock);

// Code and size from the three texts; `previousCode` stays for texts no rule knows.
ModeChoice DeriveMode(std::string_view typeText, std::string_view resolutionText,
                      std::string_view frequencyText, std::uint16_t previousCode);

// Peripheral configuration record (16 bytes) and its configuration type (7 encoders, 8 others).
struct PeripheralSettings {
  std::uint16_t code = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint16_t audioFlags = 0;
  std::uint32_t audioSampling = 0;
};
std::array<std::uint8_t, 16> EncodePeripheral(const PeripheralSettings& settings);
int PeripheralConfigType(int deviceType);
// Stores a written record's values in the status block's copy.
void StorePeripheral(qor::MutBytes statusBlock, const PeripheralSettings& settings);
PeripheralSettings ReadPeripheral(qor::Bytes statusBlock);

namespace periph {
inline constexpr std::size_t kAudioFlags = 130;
inline constexpr std::size_t kAudioSampling = 132;
}  // namespace periph

// Input detection from the front end's registers 0xB1-0xB4 (and, for HDMI inputs, the
// receiver's 0x07-0x0A).
struct Detection {
  int period = 0;
  int lines = 0;
  double rate = 0;
  int width = 0;  // HDMI receiver only
  int height = 0;
  std::string text;
};
Detection DetectFromFrontEnd(const std::array<std::uint8_t, 4>& registers);
// Refines the text with the HDMI receiver's size when both are non-zero.
void DetectFromHdmi(Detection& detection, const std::array<std::uint8_t, 4>& registers);
// The measured input rate: (28636363 div lines) x 8 / period, 0 when either is 0.
double MeasuredRate(std::int64_t lines, std::int64_t period);

}  // namespace tav
