// Data detection engine: one-board and all-lines stream counters, and the link diagnosis.

#include "detect/detection.h"

#include <utility>

#include "device/board.h"
#include "device/board_list.h"
#include "device/notifier.h"
#include "wire.h"

namespace tav {

namespace {

const ClientApi kLibrary{CLIENT_Create, CLIENT_SetParam, CLIENT_Start,
                         CLIENT_Stop,   CLIENT_GetParam, CLIENT_Dump};
const ClientApi* g_api = &kLibrary;

// The board record keeps its handle untyped.
QORSDK_HANDLE HandleOf(const CBoard& board) {
  return static_cast<QORSDK_HANDLE>(board.statisticsClient.get());
}

// Settings the library is created with: every nested record sized, play flag set.
QORSDK_CREATE CreateRecord() {
  QORSDK_CREATE record{};
  record.size = sizeof(QORSDK_CREATE);
  record.playFlag = 1;
  record.source.size = sizeof(QORSDK_SOURCE);
  record.videoWindow.size = sizeof(QORSDK_VIDEO_WINDOW);
  record.sound.size = sizeof(QORSDK_SOUND);
  return record;
}

// Mode 1 with the board's address text; the text must outlive the call.
QORSDK_SOURCE SourceRecord(const std::string& address) {
  QORSDK_SOURCE record{};
  record.size = sizeof(QORSDK_SOURCE);
  record.mode = 1;
  record.address = address.c_str();
  return record;
}

// Set the source, then start: 0, or the first failing call's result.
std::int32_t PointAndStart(QORSDK_HANDLE handle, const std::string& address) {
  QORSDK_SOURCE source = SourceRecord(address);
  std::int32_t result = g_api->setParam(handle, QORSDK_PARAM_SOURCE, &source);
  if (result == 0) result = g_api->start(handle);
  return result;
}

// 0 and the three counters, or the library's non-zero result.
std::int32_t ReadRates(QORSDK_HANDLE handle, StreamRates& rates) {
  QORSDK_STATISTICS record{};
  record.size = sizeof(QORSDK_STATISTICS);
  std::int32_t result = g_api->getParam(handle, QORSDK_PARAM_STATISTICS, &record);
  if (result != 0) return result;
  rates.total = record.totalRate;
  rates.video = record.videoRate;
  rates.audio = record.audioRate;
  return 0;
}

std::uint8_t FirstOctet(std::uint32_t a) {
  return a & 0xFF;
}
std::uint8_t LastOctet(std::uint32_t a) {
  return a >> 24;
}
bool IsMulticastAddress(std::uint32_t a) {
  return FirstOctet(a) >= 224 && FirstOctet(a) <= 239;
}

std::string Finding(std::uint32_t address, const char* text) {
  return qor::ipText(address) + ":" + text;
}

}  // namespace

const ClientApi& LibraryClientApi() {
  return kLibrary;
}
const ClientApi& DetectionApi() {
  return *g_api;
}
void SetClientApi(const ClientApi* api) {
  g_api = api ? api : &kLibrary;
}

int StartBoardDetection(CBoard& board) {
  if (board.statisticsRunning == 1) return kDetectRunning;
  if (!board.IsEncoder()) return kDetectOk;
  if (!board.statisticsClient) {
    QORSDK_CREATE create = CreateRecord();
    QORSDK_HANDLE handle = g_api->create(&create);
    if (!handle) return kDetectCreateFailed;
    // Freed with the calls that made it, even if a test swaps them meanwhile.
    board.statisticsClient.reset(handle, [dump = g_api->dump](void* h) {
      dump(static_cast<QORSDK_HANDLE>(h));
    });
  }
  board.statisticsAddress = board.AddressText();
  std::int32_t result = PointAndStart(HandleOf(board), board.statisticsAddress);
  if (result == 0) {
    board.statisticsRunning = 1;
    return kDetectOk;
  }
  return result == 11 ? kDetectBindFailed : kDetectStartFailed;
}

int BoardDetectionStatistics(CBoard& board, std::string& address, StreamRates& rates) {
  if (board.statisticsRunning == 0) return kDetectNotRunning;
  address = board.statisticsAddress;
  rates = {};
  if (ReadRates(HandleOf(board), rates) != 0) {
    rates = {};
    board.statisticsRunning = 0;
    return kDetectReadFailed;
  }
  return kDetectOk;
}

int StopBoardDetection(CBoard& board) {
  if (board.statisticsClient && g_api->stop(HandleOf(board)) != 0) return kDetectStopFailed;
  board.statisticsRunning = 0;
  board.statisticsAddress.clear();
  return kDetectOk;
}

bool LineEligible(const CBoard& board) {
  return board.IsEncoder() && (board.sendMode() != 0 || LastOctet(board.sendAddress()) == 255);
}

LineDetection::~LineDetection() {
  Release();
}

LineDetection::LineDetection(LineDetection&& other) noexcept
    : running_(other.running_), lines_(std::move(other.lines_)) {
  other.lines_.clear();
  other.running_ = false;
}

LineDetection& LineDetection::operator=(LineDetection&& other) noexcept {
  if (this != &other) {
    Release();
    running_ = other.running_;
    lines_ = std::move(other.lines_);
    other.lines_.clear();
    other.running_ = false;
  }
  return *this;
}

void LineDetection::Release() {
  for (auto& line : lines_)
    if (line.handle) g_api->dump(line.handle);
  lines_.clear();
}

int LineDetection::Start(const CBoardCtrl& boards) {
  if (running_) return kLinesRunning;
  // The handles of an earlier start (stopped, or left part-started by a failure) go first.
  Release();
  for (const CBoard& board : boards)
    if (LineEligible(board)) lines_.push_back({board.AddressText(), nullptr});
  for (auto& line : lines_) {
    QORSDK_CREATE create = CreateRecord();
    line.handle = g_api->create(&create);
    if (!line.handle) return kLinesCreateFailed;
  }
  if (lines_.empty()) return kLinesNoEncoder;
  for (auto& line : lines_) {
    std::int32_t result = PointAndStart(line.handle, line.address);
    if (result != 0) return result == 11 ? kLinesBindFailed : kLinesStartFailed;
  }
  running_ = true;
  return LineCount();
}

int LineDetection::Statistics(int line, std::string& address, StreamRates& rates) {
  if (!running_) return kDetectNotRunning;
  rates = {};
  if (line < 0 || line >= LineCount()) return kDetectReadFailed;  // no such line: not read
  if (ReadRates(lines_[line].handle, rates) != 0) {
    rates = {};
    running_ = false;
    return kDetectReadFailed;
  }
  address = lines_[line].address;
  return kDetectOk;
}

int LineDetection::Stop() {
  for (auto& line : lines_)
    if (line.handle && g_api->stop(line.handle) != 0) return -1;
  running_ = false;
  return 0;
}

std::vector<std::string> LinkFindings(const CBoardCtrl& boards) {
  std::vector<const CBoard*> encoders;
  for (const CBoard& board : boards)
    if (board.IsEncoder()) encoders.push_back(&board);

  std::vector<std::string> findings;
  for (const CBoard& decoder : boards) {
    if (decoder.deviceType() != 4) continue;
    switch (decoder.receiveMode()) {
      case 0: {
        const CBoard* match = nullptr;
        for (const CBoard* encoder : encoders)
          if (encoder->sendPort() == decoder.receivePort()) match = encoder;
        if (!match) {
          findings.push_back(qor::ipText(decoder.ip()) + ":接收端口" +
                             std::to_string(decoder.receivePort()) + "无数据!");
          break;
        }
        std::uint32_t send = match->sendAddress();
        if (IsMulticastAddress(send)) {
          if (decoder.receiveAddress() != send)
            findings.push_back(Finding(decoder.ip(), "该解码板组播地址无数据!"));
          break;
        }
        bool broadcastToDecoder =
            LastOctet(send) == 255 && (decoder.mask() & send) == (decoder.ip() & decoder.mask());
        if (!broadcastToDecoder && send != decoder.ip())
          findings.push_back(Finding(match->ip(), "该编码板发送地址无效!"));
        break;
      }
      case 1:
      case 2:
      case 201: {
        if (encoders.empty()) break;
        // The decoder names its source encoder in the send-address field.
        std::uint32_t source = decoder.sendAddress();
        bool fed = false;
        for (const CBoard* encoder : encoders)
          if (encoder->ip() == source) fed = true;
        if (!fed)
          findings.push_back(Finding(decoder.ContactAddress(),
                                     decoder.receiveMode() == 2 ? "该解码板点播地址不存在!"
                                                                : "该解码板点播的编码地址不存在!"));
        break;
      }
      default:
        break;
    }
  }
  return findings;
}

int DiagnoseLinks(const CBoardCtrl& boards, Notifier& notifier) {
  auto findings = LinkFindings(boards);
  for (const auto& text : findings) notifier.log(text);
  return findings.empty() ? 0 : 1;
}

void RunLinkDiagnosis(CBoardCtrl& boards, Notifier& notifier) {
  DiagnoseLinks(boards, notifier);
}

}  // namespace tav
