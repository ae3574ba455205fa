#pragma once
// The upgrade run without a display: the target list, the checks before anything is sent, the
// question, and the transfer of each component to each board over its own TCP connection to
// port 8060, answered by a 16-byte result. The single-board page ("程序升级") and the batch page
// differ only in their rules (UpgradeRules); both run this engine, the GUI on a worker thread,
// tavctl directly. Progress and log lines come out through UpgradeEvents; message boxes and the
// question through the Notifier. Stop() ends a run after the component on the wire.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/board_link.h"
#include "device/notifier.h"
#include "upgrade/upgrade_package.h"

namespace tav::upgrade {

// Transfer results: the board's code (0-5) or one of these.
inline constexpr int kTransferBadArgument = -1;  // no address, no data or an empty component
inline constexpr int kTransferConnectFailed = -2;
inline constexpr int kTransferSendFailed = -3;
inline constexpr int kTransferNoAnswer = -4;     // no 16-byte answer within the attempts
inline constexpr int kTransferWrongAnswer = -5;  // head not "qor"+0xEA, or words 4/8 not 12/0xE7

inline constexpr std::uint8_t kReplyCommand = 0xEA;
inline constexpr std::uint32_t kReplyWord = 12;
inline constexpr std::uint32_t kReplyComponentWord = 0xE7;
inline constexpr std::size_t kReplySize = 16;

// How one transfer waits. The (5, 0) time value of the sockets is 5 seconds.
struct TransferTiming {
  int receiveAttempts = 91;
  Millis ioTimeout{5000};  // each send call and each receive attempt
  Millis connectWait{5000};
  Millis pauseAfterSend{100};
  Millis retryPause{1000};  // between receive attempts
};

// The waits between steps; tests replace it so that nothing sleeps.
using Sleeper = std::function<void(Millis)>;
void RealSleep(Millis duration);

// Sends one component to address:8060 and returns the board's result code or -1 … -5.
int TransferComponent(BoardLink& link, std::uint32_t address, std::span<const std::uint8_t> data,
                      const TransferTiming& timing, const Sleeper& sleep = RealSleep);

// The 16-byte answer's result code, or kTransferWrongAnswer.
int ParseReply(std::span<const std::uint8_t> reply);

// What a result shows: the message box (empty: none) and the log text.
struct ResultTexts {
  std::string box;
  std::string log;
};
ResultTexts DescribeResult(int result);
// Results 1, 3 and 5 are successes.
bool IsSuccess(int result);
// The code in words for tavctl and logs in English, e.g. "no answer".
std::string ResultWords(int result);

// Up to 256 boards of one type; the first board added fixes the type.
class TargetList {
 public:
  static constexpr std::size_t kMaxBoards = 256;
  // False when the address is 0 or 255.255.255.255, already listed, the list is full, or the
  // board's type is not the list's.
  bool add(std::uint32_t address, std::int32_t boardType);
  void clear();
  const std::vector<std::uint32_t>& addresses() const { return addresses_; }
  std::int32_t boardType() const { return type_; }
  bool empty() const { return addresses_.empty(); }

 private:
  std::vector<std::uint32_t> addresses_;
  std::int32_t type_ = 0;
};

// The batch page's three buttons.
enum class BatchSet { Selected, Encoders, Decoders };
// Whether a board of this type belongs to the set ("升级所有编码板": 1, 3, 5, 7, 9, 11, 20;
// "升级所有解码板": 2, 4, 21; the selected boards: all).
bool InBatchSet(BatchSet set, std::int32_t boardType);

struct UpgradeRules {
  PageKind page = PageKind::SingleBoard;
  TransferTiming timing;
};
// 91 receive attempts on the single-board page, 9 on the batch page.
UpgradeRules RulesFor(PageKind page);

// Whether a file for board type `fileType` fits a list of type `listType` on this page.
bool TypeFits(PageKind page, std::int32_t listType, std::int32_t fileType);

// What the page shows of the chosen file (edits 1090-1092) and the header it read.
struct ChosenFile {
  std::string path;
  std::string magic;
  std::int64_t length = 0;
  PackageHeader header;
};

inline constexpr char kRefuseFile[] = "请确认输入的文件名及文件格式!";
inline constexpr char kRefuseOpen[] = "打开文件失败!";
inline constexpr char kRefuseLength[] = "请确认输入的文件长度!";
inline constexpr char kRefuseType[] = "设备类型与软件更新类型不一致!";
inline constexpr char kQuestion[] = "确定是否升级程序";
inline constexpr char kQuestionTitle[] = "更新确认";
inline constexpr char kStatusDone[] = "升级完成! （重启设备后生效）";
inline constexpr char kStoppedText[] = "升级已停止";

// "设备[%s]更新第(%d/%d)个文件:\t%s" (single-board) or "设备[%s]更新%6d字节:\t%s" (batch).
std::string ComponentLogLine(PageKind page, const std::string& address, int index, int count,
                             std::size_t length, std::string_view text);
// "正在下载第%d/%d个文件..."
std::string DownloadingText(int index, int count);
// Progress after component i of n: the bar's integer percent and "已完成： %.2f%%".
int ProgressPercent(int index, int count);
std::string ProgressText(int index, int count);

// A line of the page's own log box: "(%H:%M:%S):text\r\n"; new lines go in front.
std::string PageLogLine(const std::tm& localTime, std::string_view text);
void PrependLogLine(std::string& log, std::string_view line);

struct ComponentOutcome {
  std::uint32_t address = 0;
  int index = 0;  // 1-based
  int count = 0;
  std::size_t length = 0;
  int result = 0;
};

struct UpgradeEvents {
  std::function<void(std::string_view)> status;                 // status line 1209
  std::function<void(int percent, std::string_view)> progress;  // bar 1207 and static 1208
  std::function<void(std::string_view)> log;                    // a line for the log box 1093
  std::function<void(const ComponentOutcome&)> component;       // every result, in order
};

enum class RunEnd {
  Refused,    // a check of steps 2-4 or the package's components refused; nothing sent
  Declined,   // the question was not answered Yes; nothing sent
  Completed,  // every component went to every board (each with its own result)
  Stopped,    // Stop() was asked; the run ended after the component on the wire
};

struct RunSummary {
  RunEnd end = RunEnd::Refused;
  std::string refusal;  // the message of a refusal
  std::vector<ComponentOutcome> outcomes;
};

class UpgradeEngine {
 public:
  UpgradeEngine(BoardLink& link, Notifier& notifier, UpgradeRules rules, UpgradeEvents events = {},
                Sleeper sleep = RealSleep);

  // Steps 2-4 and the package's own check: the refusal text, or empty when the run may ask.
  // `fileLength` is the length of the file at file.path now (negative: it cannot be opened).
  std::string Check(const ChosenFile& file, std::int64_t fileLength,
                    const TargetList& targets) const;

  // The whole run: checks (refusals as message boxes), the question, loading the components,
  // then each board in list order, each component in order.
  RunSummary Run(const ChosenFile& file, const TargetList& targets);
  // Step 7 alone, with the components already loaded and the question answered.
  RunSummary Send(const std::vector<std::vector<std::uint8_t>>& components,
                  const TargetList& targets);

  // Ends the run after the component on the wire; callable from any thread.
  void Stop() { stop_ = true; }
  bool stopRequested() const { return stop_; }

 private:
  BoardLink& link_;
  Notifier& notifier_;
  UpgradeRules rules_;
  UpgradeEvents events_;
  Sleeper sleep_;
  std::atomic<bool> stop_{false};
};

// Length of a file on disk, -1 when it cannot be opened.
std::int64_t FileLength(const std::string& path);

}  // namespace tav::upgrade
