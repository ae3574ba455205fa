// The detection pages' logic: what each list shows and what each button and tick does.

#include "detect/detection_views.h"

#include "detect/detection.h"
#include "device/board.h"
#include "device/board_list.h"
#include "device/notifier.h"
#include "resources/string_table.h"

namespace tav {

namespace {

// A failure: logged and shown in a message box with the error icon.
void Complain(Notifier& notifier, const std::string& text) {
  notifier.log(text);
  notifier.message(text, NoticeIcon::Error);
}

}  // namespace

std::array<DetectionColumn, 5> AllEncodersColumns() {
  return {{{str(kStrColumnLine), 40}, {str(kStrIpAddress), 110}, {str(kStrTotalBitRate), 70}, {str(kStrVideoBitRate), 60}, {str(kStrAudioBitRate), 55}}};
}

std::array<DetectionColumn, 4> OneEncoderColumns() {
  return {{{str(kStrIpAddress), 110}, {str(kStrTotalBitRate), 70}, {str(kStrVideoBitRate), 60}, {str(kStrAudioBitRate), 60}}};
}

std::array<DetectionColumn, 3> DecoderSourcesColumns() {
  return {{{str(kStrColumnDeviceIp), 100}, {str(kStrColumnDeviceName), 80}, {str(kStrColumnTransport), 150}}};
}

std::string AllLinesStartMessage(int result) {
  switch (result) {
    case kLinesRunning:
      return str(kStrDetectionRunning);
    case kLinesCreateFailed:
      return str(kStrNoSdkHandle);
    case kLinesStartFailed:
      return str(kStrDetectionStartFailed);
    case kLinesNoEncoder:
      return str(kStrNoEncoderDetected);
    case kLinesBindFailed:
      return str(kStrBindFailed);
    default:
      return {};
  }
}

std::string OneBoardStartMessage(int result) {
  switch (result) {
    case kDetectRunning:
      return str(kStrDetectionRunning);
    case kDetectCreateFailed:
      return str(kStrNoSdkHandle);
    case kDetectStartFailed:
      return str(kStrDetectionStartFailed);
    case kDetectBindFailed:
      return str(kStrBindFailed);
    default:
      return {};
  }
}

// ---- CRightView11 ----

AllEncodersView::~AllEncodersView() {
  Stop();
}

void AllEncodersView::Start() {
  int result = boards_.StartAllDetection();
  if (result < 0) {
    Complain(notifier_, AllLinesStartMessage(result));
    return;
  }
  lineCount_ = result;
  notifier_.log(str(kStrDetectionStarted));
  timerArmed_ = true;
}

void AllEncodersView::Tick() {
  rows_.clear();
  for (int i = 0; i < lineCount_; ++i) {
    std::string address;
    std::uint32_t total = 0, video = 0, audio = 0;
    int result = boards_.GetLineStatistics(i, address, total, video, audio);
    if (result == kDetectNotRunning) return;
    if (result != kDetectOk) {
      Complain(notifier_, str(kStrStatisticsReadFailed));
      return;
    }
    rows_.push_back({"#" + std::to_string(i + 1), address, std::to_string(total),
                     std::to_string(video), std::to_string(audio)});
  }
}

void AllEncodersView::Stop() {
  timerArmed_ = false;
  if (!boards_.IsDetectionRunning()) return;
  if (boards_.StopAllDetection() != 0)
    Complain(notifier_, str(kStrDetectionStopFailed));
  else
    notifier_.log(str(kStrDetectionStopped));
}

// ---- CRightView13 ----

OneEncoderView::~OneEncoderView() {
  Stop();
}

CBoard* OneEncoderView::Encoder() const {
  CBoard* board = currentBoard_ ? currentBoard_() : nullptr;
  return board && board->IsEncoder() ? board : nullptr;
}

void OneEncoderView::Start() {
  CBoard* board = Encoder();
  if (!board) return;
  int result = board->StartDetection();
  if (result == kDetectOk) {
    notifier_.log(str(kStrDetectionStarted));
    timerArmed_ = true;
    return;
  }
  Complain(notifier_, OneBoardStartMessage(result));
}

void OneEncoderView::Tick() {
  CBoard* board = Encoder();
  if (!board) return;
  std::string address;
  std::uint32_t total = 0, video = 0, audio = 0;
  int result = board->GetDetectionStatistics(address, total, video, audio);
  if (result == kDetectOk) {
    rows_.assign(1, {address, std::to_string(total), std::to_string(video), std::to_string(audio)});
  } else if (result == kDetectReadFailed) {
    Complain(notifier_, str(kStrStatisticsReadFailed));
  }
}

void OneEncoderView::Stop() {
  CBoard* board = Encoder();
  if (!board || board->statisticsRunning != 1) return;
  if (board->StopDetection() != kDetectOk)
    Complain(notifier_, str(kStrDetectionStopFailed));
  else
    notifier_.log(str(kStrDetectionStopped));
}

// ---- CRightView14 ----

std::vector<int> MatchingEncoders(const CBoardCtrl& boards, const CBoard& decoder) {
  std::vector<int> found;
  const int mode = decoder.receiveMode();
  for (int i = 0; i < boards.Count(); ++i) {
    const CBoard& encoder = boards.At(i);
    if (!encoder.IsEncoder()) continue;
    bool match = false;
    switch (mode) {
      case 0:
        match = encoder.sendAddress() == ((decoder.ContactAddress() & 0x00FFFFFFu) | 0xFF000000u) &&
                encoder.sendPort() == decoder.receivePort();
        break;
      case 1:
        match = encoder.sendAddress() == decoder.receiveAddress() &&
                encoder.sendPort() == decoder.receivePort();
        break;
      case 2:
        match = encoder.ContactAddress() == decoder.receiveAddress();
        break;
      default:
        break;
    }
    if (match) found.push_back(i);
  }
  return found;
}

DecoderSourcesView::DecoderSourcesView(const CBoardCtrl& boards, const CBoard& decoder,
                                       Notifier& notifier)
    : boards_(boards), notifier_(notifier) {
  for (int index : MatchingEncoders(boards, decoder)) {
    const CBoard& encoder = boards.At(index);
    rows_.push_back({{encoder.AddressText(), encoder.Name(),
                      encoder.TransportName() + "@" + encoder.StreamAddressText()},
                     index});
  }
  if (rows_.empty())
    notifier_.message(kTextNoDetectableEncoder, NoticeIcon::Information);
  else if (rows_.size() > 1)
    notifier_.message(kTextSeveralEncoders, NoticeIcon::Information);
}

std::optional<std::uint32_t> DecoderSourcesView::Choose(int selectionMark) {
  if (rows_.empty()) return std::nullopt;
  // No mark yet: the first row, the one the list shows on top.
  std::size_t row = selectionMark >= 0 && static_cast<std::size_t>(selectionMark) < rows_.size()
                        ? static_cast<std::size_t>(selectionMark)
                        : 0;
  int index = rows_[row].boardIndex;
  if (index < 0 || index >= boards_.Count()) return std::nullopt;  // the list changed under it
  std::uint32_t address = boards_.At(index).ContactAddress();
  if (!notifier_.question({kTextAskDetect, kTextConfirmCaption, AskButtons::YesNo}))
    return std::nullopt;
  return address;
}

}  // namespace tav
