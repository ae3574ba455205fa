#include "pages/record_pages.h"

#include <cstdint>

#include "device/board.h"
#include "device/board_link.h"
#include "resources/string_ids.h"
#include "shell/page_table.h"

namespace tav {
namespace {

constexpr RecordField kVideoFields[] = {{7, 1},  {9, 1},  {10, 2}, {12, 4},
                                        {16, 4}, {20, 4}, {24, 4}};
constexpr RecordField kAudioFields[] = {{5, 1}, {6, 2}, {8, 4}, {12, 4}};
constexpr RecordField kVolumeFields[] = {{4, 2}, {6, 2}};
constexpr RecordField kQualityFields[] = {{6, 2}, {8, 2}, {10, 2}};

const RecordLayout kVideo{1, 28, status::kVideoEncoding, 4, 2, kVideoFields};
const RecordLayout kAudio{2, 16, status::kAudioEncoding, 4, 6, kAudioFields};
const RecordLayout kVolume{10, 8, status::kVolume, 0, 0, kVolumeFields};
const RecordLayout kQuality{9, 12, status::kVideoQuality, 0, 0, kQualityFields};

std::int32_t GetField(qor::Bytes b, std::size_t off, std::size_t width) {
  switch (width) {
    case 1:
      return qor::getU8(b, off);
    case 2:
      return qor::getU16(b, off);
    default:
      return qor::getI32(b, off);
  }
}

void PutField(qor::MutBytes b, std::size_t off, std::size_t width, std::int32_t v) {
  switch (width) {
    case 1:
      qor::putU8(b, off, static_cast<std::uint8_t>(v));
      break;
    case 2:
      qor::putU16(b, off, static_cast<std::uint16_t>(v));
      break;
    default:
      qor::putI32(b, off, v);
      break;
  }
}

}  // namespace

const RecordLayout& LayoutOf(RecordPage page) {
  switch (page) {
    case RecordPage::VideoEncoding:
      return kVideo;
    case RecordPage::AudioEncoding:
      return kAudio;
    case RecordPage::Volume:
      return kVolume;
    case RecordPage::VideoQuality:
      break;
  }
  return kQuality;
}

PageTexts TextsOf(RecordPage page) {
  switch (page) {
    case RecordPage::VideoEncoding:
      return {kStrVideoReadOk, kStrVideoSetOk, kStrVideoSetFailed};
    case RecordPage::AudioEncoding:
      return {kStrAudioReadOk, kStrAudioSetOk, kStrAudioSetFailed};
    case RecordPage::Volume:
      return {kStrVolumeReadOk, kStrVolumeSetOk, kStrVolumeSetFailed};
    case RecordPage::VideoQuality:
      break;
  }
  return {kStrQualityReadOk, kStrQualitySetOk, kStrQualitySetFailed};
}

bool PageApplies(RecordPage page, int deviceType) {
  switch (page) {
    case RecordPage::VideoEncoding:
      return PageServes(kCodeVideoEncoding, deviceType);
    case RecordPage::AudioEncoding:
      return PageServes(kCodeAudioEncoding, deviceType);
    case RecordPage::Volume:
      return PageServes(kCodeVolume, deviceType);
    case RecordPage::VideoQuality:
      break;
  }
  return PageServes(kCodeVideoQuality, deviceType);
}

FieldCheck CheckOf(RecordPage page, std::size_t field) {
  constexpr FieldRange kU16{0, 0xffff}, kFlag{0, 1};
  constexpr FieldRange kAny{INT32_MIN, INT32_MAX};
  switch (page) {
    case RecordPage::VideoEncoding:
      switch (field) {
        case video::kFrameRate:
          return {"帧率(FPS)", {1, 60}};
        case video::kBitRate:
          return {"码率(kbps)", {1, 0xffff}};
        case video::kIFrameInterval:
          return {"I帧间隔", {1, 1000}};
        case video::kWidth:
          return {"视频大小 宽", {1, 4096}};
        case video::kHeight:
          return {"视频大小 高", {1, 4096}};
        default:
          return {"", kFlag};
      }
    case RecordPage::AudioEncoding:
      return {"", field == audio::kChannels ? FieldRange{1, 2} : kAny};
    case RecordPage::Volume:
      return {field == volume::kVolume ? "音量" : "", field == volume::kVolume ? kAny : kFlag};
    case RecordPage::VideoQuality:
      break;
  }
  static constexpr std::string_view kQualityLabels[] = {"亮度", "色度", "饱和度"};
  return {field < 3 ? kQualityLabels[field] : "", kU16};
}

std::string RangeRefusal(RecordPage page, const FieldValues& values,
                         std::span<const std::size_t> fields) {
  for (std::size_t f : fields) {
    if (f >= values.size()) continue;
    FieldCheck c = CheckOf(page, f);
    if (!c.range.contains(values[f])) return OutOfRangeText(c.label, c.range);
  }
  return {};
}

FieldValues ReadFields(RecordPage page, qor::Bytes status) {
  const RecordLayout& l = LayoutOf(page);
  FieldValues values;
  for (const RecordField& f : l.fields)
    values.push_back(GetField(status, l.statusOffset + f.offset, f.width));
  return values;
}

FieldValues ValuesToSend(RecordPage page, FieldValues values) {
  values.resize(LayoutOf(page).fields.size());
  if (page == RecordPage::Volume) values[volume::kVolume] = VolumeToSend(values[volume::kVolume]);
  return values;
}

std::vector<std::uint8_t> BuildRecord(RecordPage page, const FieldValues& values) {
  const RecordLayout& l = LayoutOf(page);
  std::vector<std::uint8_t> record(l.size, 0);
  qor::putU32(record, 0, static_cast<std::uint32_t>(l.size));
  if (l.markOffset != 0) qor::putU8(record, l.markOffset, l.mark);
  for (std::size_t i = 0; i < l.fields.size() && i < values.size(); ++i)
    PutField(record, l.fields[i].offset, l.fields[i].width, values[i]);
  return record;
}

void StoreFields(RecordPage page, qor::MutBytes status, const FieldValues& values) {
  // Only the named fields: the other bytes of the board's copy are the board's.
  const RecordLayout& l = LayoutOf(page);
  for (std::size_t i = 0; i < l.fields.size() && i < values.size(); ++i)
    PutField(status, l.statusOffset + l.fields[i].offset, l.fields[i].width, values[i]);
}

OrRefusal<RecordPlan, std::string> PlanRecordPage(RecordPage page, FieldValues values,
                                                  std::span<const std::size_t> changed) {
  if (std::string refusal = RangeRefusal(page, values, changed); !refusal.empty())
    return Refuse(std::move(refusal));
  RecordPlan plan;
  plan.values = ValuesToSend(page, std::move(values));
  plan.record = BuildRecord(page, plan.values);
  return plan;
}

int WriteRecordPage(CBoard& board, RecordPage page, const RecordPlan& plan, BoardLink& link) {
  int rc = link.setConfig(board.AddressText(), LayoutOf(page).configType, plan.record);
  if (rc == 0) StoreFields(page, board.statusBlock(), plan.values);
  return rc;
}

std::size_t SampleRateChoice(std::int32_t hz) {
  for (std::size_t i = 0; i < audio::kSampleRates.size(); ++i)
    if (audio::kSampleRates[i] == hz) return i;
  return 0;
}

std::size_t AudioBitRateChoice(std::int32_t kbps) {
  for (std::size_t i = 0; i < audio::kBitRates.size(); ++i)
    if (audio::kBitRates[i] == kbps) return i;
  return 0;
}

std::array<bool, 4> AudioBitRatesAllowed(std::int32_t sampleRateHz) {
  // 128K and 96K need at least 32 kHz; 32K and 16K are too little for 44.1 kHz.
  if (sampleRateHz == 8000 || sampleRateHz == 16000) return {false, false, true, true};
  if (sampleRateHz == 44100) return {true, true, false, false};
  return {true, true, true, true};
}

std::int32_t VolumeToSend(std::int32_t volume) {
  return volume < 0 || volume > 100 ? 50 : volume;
}

std::array<std::uint8_t, 12> RestartRecord() {
  std::array<std::uint8_t, 12> r{};
  qor::putU32(r, 0, 12);
  return r;
}

int RestartBoard(const CBoard& board, BoardLink& link) {
  auto record = RestartRecord();
  return link.setConfig(board.AddressText(), kRestartType, record);
}

bool FactoryResetAllowed(std::string_view user, std::string_view password) {
  return user == kFactoryUser && password == kFactoryPassword;
}

}  // namespace tav
