#pragma once
// The simple settings pages (video encoding, audio encoding, volume, video quality) without a
// display: which record each writes, where the status block keeps its copy, which device
// types it applies to, and the rules between its fields. Restart and factory reset too.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "le_bytes.h"
#include "pages/field_text.h"
#include "pages/or_refusal.h"

class CBoard;

namespace tav {

class BoardLink;

enum class RecordPage { VideoEncoding, AudioEncoding, Volume, VideoQuality };

// One integer field of a record; width in bytes (1, 2 or 4). Values are narrowed to it.
struct RecordField {
  std::size_t offset;
  std::size_t width;
};

struct RecordLayout {
  int configType;
  std::size_t size;
  std::size_t statusOffset;  // the status block's copy of the record starts here
  std::size_t markOffset;    // a constant byte the boards expect (0: none)
  std::uint8_t mark;
  std::span<const RecordField> fields;
};

struct PageTexts {
  int refreshOk;
  int applyOk;
  int applyFail;
};

// Field indices of each page's values, in layout order.
namespace video {
enum : std::size_t { kCbr, kFrameRate, kBitRate, kIFrameInterval, kWidth, kHeight, kEnable };
}
namespace audio {
enum : std::size_t { kChannels, kBitRate, kSampleRate, kEnable };
inline constexpr std::array<std::int32_t, 4> kSampleRates{44100, 32000, 16000, 8000};
inline constexpr std::array<std::int32_t, 4> kBitRates{128, 96, 32, 16};
}  // namespace audio
namespace volume {
enum : std::size_t { kAutoGain, kVolume };
}
namespace quality {
enum : std::size_t { kBrightness, kChroma, kSaturation };
}

using FieldValues = std::vector<std::int32_t>;

const RecordLayout& LayoutOf(RecordPage page);
PageTexts TextsOf(RecordPage page);
// False for the device types a page does not serve; the page then disables its controls.
bool PageApplies(RecordPage page, int deviceType);
// The volume page decides before asking the board, on the type it already holds.
inline bool DecidesTypeBeforeRead(RecordPage page) {
  return page == RecordPage::Volume;
}

// A number field's label and the values the page sends for it: what the record field holds,
// narrowed where the boards make sense only of less. Out of range: refused, nothing sent.
struct FieldCheck {
  std::string_view label;
  FieldRange range;
};
FieldCheck CheckOf(RecordPage page, std::size_t field);
// The refusal of the first of `fields` whose value is out of range; empty when all fit. The
// volume is not refused: outside 0..100 the board is sent 50.
std::string RangeRefusal(RecordPage page, const FieldValues& values,
                         std::span<const std::size_t> fields);

FieldValues ReadFields(RecordPage page, qor::Bytes status);
// The values as the board is sent them (and as its status copy then holds them).
FieldValues ValuesToSend(RecordPage page, FieldValues values);
std::vector<std::uint8_t> BuildRecord(RecordPage page, const FieldValues& values);
void StoreFields(RecordPage page, qor::MutBytes status, const FieldValues& values);

// What an apply sends: the values as the board gets them and the record that carries them.
struct RecordPlan {
  FieldValues values;
  std::vector<std::uint8_t> record;
};
// The plan for the page's values, or RangeRefusal's text when one of the `changed` fields is
// out of range.
OrRefusal<RecordPlan, std::string> PlanRecordPage(RecordPage page, FieldValues values,
                                                  std::span<const std::size_t> changed);

// Sends the plan's record to the board. On success the board's status copy takes the plan's
// values. Returns the SDK's result.
int WriteRecordPage(CBoard& board, RecordPage page, const RecordPlan& plan, BoardLink& link);

// Audio: the choice index (into kSampleRates / kBitRates) a board's value selects; a value
// that matches none selects the first. Which bit rates a sample rate allows.
std::size_t SampleRateChoice(std::int32_t hz);
std::size_t AudioBitRateChoice(std::int32_t kbps);
std::array<bool, 4> AudioBitRatesAllowed(std::int32_t sampleRateHz);
inline std::int32_t ChannelsFor(bool stereo) {
  return stereo ? 2 : 1;
}

// Volume: outside 0..100 the board is sent 50.
std::int32_t VolumeToSend(std::int32_t volume);

// Restart (configuration type 12).
inline constexpr int kRestartType = 12;
std::array<std::uint8_t, 12> RestartRecord();
int RestartBoard(const CBoard& board, BoardLink& link);

// Factory reset: the page's own credential check, case-sensitive; nothing is sent with them.
inline constexpr std::string_view kFactoryUser = "admin";
inline constexpr std::string_view kFactoryPassword = "tarvenol";
bool FactoryResetAllowed(std::string_view user, std::string_view password);

}  // namespace tav
