#pragma once
// Data detection: stream counters of qorsdk client handles pointed at encoders (one board, or
// every eligible encoder of the board list as numbered lines), and the link diagnosis that
// checks after a search that every plain decoder has an encoder configured to feed it.
//
// CBoard and CBoardCtrl carry thin members that call into here; the engine reaches qorsdk
// through ClientApi so tests can stand in for the library.

#include <cstdint>
#include <string>
#include <vector>

#include "qorsdk.h"

class CBoard;
class CBoardCtrl;

namespace tav {

class Notifier;

// The qorsdk calls detection makes.
struct ClientApi {
  QORSDK_HANDLE (*create)(const QORSDK_CREATE* record);
  std::int32_t (*setParam)(QORSDK_HANDLE handle, std::int32_t type, const void* record);
  std::int32_t (*start)(QORSDK_HANDLE handle);
  std::int32_t (*stop)(QORSDK_HANDLE handle);
  std::int32_t (*getParam)(QORSDK_HANDLE handle, std::int32_t type, void* record);
  std::int32_t (*dump)(QORSDK_HANDLE handle);  // stop and free
};
// The library's own entry points.
const ClientApi& LibraryClientApi();
// The calls in force; SetClientApi(nullptr) goes back to the library.
const ClientApi& DetectionApi();
void SetClientApi(const ClientApi* api);

// The three counters detection shows, as the library reports them (kbit/s).
struct StreamRates {
  std::uint32_t total = 0;  // "总码率"
  std::uint32_t video = 0;  // "视频码率"
  std::uint32_t audio = 0;  // "音频码流"
};

// Results of the one-board operations.
inline constexpr int kDetectOk = 0;
inline constexpr int kDetectRunning = 1;       // start: already detecting
inline constexpr int kDetectCreateFailed = 2;  // start
inline constexpr int kDetectStartFailed = 3;   // start: set or start call failed
inline constexpr int kDetectBindFailed = 11;   // start: that call failed with 11
inline constexpr int kDetectReadFailed = 1;    // statistics
inline constexpr int kDetectNotRunning = 2;    // statistics
inline constexpr int kDetectStopFailed = 1;    // stop

// Results of StartAllDetection (a positive result is the line count).
inline constexpr int kLinesRunning = -1;
inline constexpr int kLinesCreateFailed = -2;
inline constexpr int kLinesStartFailed = -3;
inline constexpr int kLinesNoEncoder = -4;
inline constexpr int kLinesBindFailed = -11;

// One board's detection, kept in its record (statisticsClient/Address/Running).
int StartBoardDetection(CBoard& board);
int BoardDetectionStatistics(CBoard& board, std::string& address, StreamRates& rates);
int StopBoardDetection(CBoard& board);

// An encoder gets a line when its send mode is not 0 or it sends to an address ending in 255.
// Send mode 0 to any other address is unicast or on demand: no line.
bool LineEligible(const CBoard& board);

// The board list's detection of every eligible encoder. Any number of lines is kept (no cap
// at 256), and a new start first releases (stops and frees) the handles of the previous one.
class LineDetection {
 public:
  LineDetection() = default;
  ~LineDetection();  // releases every handle
  LineDetection(const LineDetection&) = delete;
  LineDetection& operator=(const LineDetection&) = delete;
  LineDetection(LineDetection&& other) noexcept;
  LineDetection& operator=(LineDetection&& other) noexcept;

  int Start(const CBoardCtrl& boards);
  int Statistics(int line, std::string& address, StreamRates& rates);
  int Stop();
  bool Running() const { return running_; }
  int LineCount() const { return static_cast<int>(lines_.size()); }

 private:
  struct Line {
    std::string address;
    QORSDK_HANDLE handle = nullptr;
  };
  void Release();

  bool running_ = false;
  std::vector<Line> lines_;
};

// The link diagnosis's findings, in the order they are logged.
std::vector<std::string> LinkFindings(const CBoardCtrl& boards);
// Logs every finding; 1 when something was logged, else 0.
int DiagnoseLinks(const CBoardCtrl& boards, Notifier& notifier);
// For the search's end-of-search hook (DeviceSearch::linkDiagnosis, ShellHooks::diagnoseLinks).
void RunLinkDiagnosis(CBoardCtrl& boards, Notifier& notifier);

}  // namespace tav
