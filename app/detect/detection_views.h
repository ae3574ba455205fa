#pragma once
// What the three detection pages show and do, without widgets: the all-encoders statistics
// page (CRightView11), one encoder's statistics page (CRightView13) and a decoder's list of the
// encoders feeding it (CRightView14). A page widget forwards its buttons and its 200 ms timer
// here, redraws its list from Rows() and arms or disarms its timer as TimerArmed() says.
// Every step only reads counters the library keeps (no network traffic), so ticks never block.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CBoard;
class CBoardCtrl;

namespace tav {

class Notifier;

inline constexpr std::chrono::milliseconds kDetectionPollPeriod{200};

// Texts of the pages that the string table does not hold.
inline constexpr const char* kTextStart = "开始";
inline constexpr const char* kTextStop = "停止";
inline constexpr const char* kTextStreamStatistics = "编码码流统计：";
inline constexpr const char* kTextDetectableEncoders = "可检测对应编码板：";
inline constexpr const char* kTextDetectableNote = "编码板必须在广播、组播或者点播模式才能检测。";
inline constexpr const char* kTextDetectEncoder = "检测编码板";
inline constexpr const char* kTextNoDetectableEncoder =
    "没有可检测的编码板。\n编码板必须在广播、组播或者点播模式才能检测。";
inline constexpr const char* kTextSeveralEncoders = "对应编码板多于一块，请注意检查是否有冲突。";
inline constexpr const char* kTextAskDetect =
    "是否对对应编码板进行数据检测？\n将打开该编码板的配置窗口。";
inline constexpr const char* kTextConfirmCaption = "确认";

// A list column: title and width in dialog units.
struct DetectionColumn {
  const char* title;
  int width;
};
// "线路" 40, "IP地址" 110, "总码率" 70, "视频码率" 60, "音频码流" 55.
std::array<DetectionColumn, 5> AllEncodersColumns();
// "IP地址" 110, "总码率" 70, "视频码率" 60, "音频码流" 60.
std::array<DetectionColumn, 4> OneEncoderColumns();
// "设备IP" 100, "设备名称" 80, "通信方式" 150.
std::array<DetectionColumn, 3> DecoderSourcesColumns();

// The message of a failed all-lines start (-1, -2, -3, -4, -11) or one-board start (1, 2, 3,
// 11); empty for anything else.
std::string AllLinesStartMessage(int result);
std::string OneBoardStartMessage(int result);

// CRightView11: every eligible encoder of the board list at once.
class AllEncodersView {
 public:
  using Row = std::array<std::string, 5>;  // "#n", address, total, video, audio

  AllEncodersView(CBoardCtrl& boards, Notifier& notifier) : boards_(boards), notifier_(notifier) {}
  ~AllEncodersView();  // the page's destruction: stops the lines it runs

  void Start();  // "开始"
  void Tick();   // timer 1, every 200 ms
  void Stop();   // "停止" (also run by the destructor)

  bool TimerArmed() const { return timerArmed_; }
  int LineCount() const { return lineCount_; }
  const std::vector<Row>& Rows() const { return rows_; }

 private:
  CBoardCtrl& boards_;
  Notifier& notifier_;
  int lineCount_ = 0;
  bool timerArmed_ = false;
  std::vector<Row> rows_;
};

// CRightView13: the current board's own detection. It acts only while the current board is an
// encoder; currentBoard may answer null (no board selected).
class OneEncoderView {
 public:
  using Row = std::array<std::string, 4>;  // address, total, video, audio

  OneEncoderView(std::function<CBoard*()> currentBoard, Notifier& notifier)
      : currentBoard_(std::move(currentBoard)), notifier_(notifier) {}
  ~OneEncoderView();  // the page's destruction: stops the board's detection

  void Start();  // "开始"
  void Tick();   // timer 0, every 200 ms
  void Stop();   // "停止" (also run by the destructor)

  bool TimerArmed() const { return timerArmed_; }
  const std::vector<Row>& Rows() const { return rows_; }

 private:
  CBoard* Encoder() const;

  std::function<CBoard*()> currentBoard_;
  Notifier& notifier_;
  bool timerArmed_ = false;
  std::vector<Row> rows_;
};

// CRightView14: the encoders whose sending matches a decoder's reception.
class DecoderSourcesView {
 public:
  struct Row {
    std::array<std::string, 3> texts;  // contact address, name, "transport@address:port"
    int boardIndex;                    // the encoder's index in the board list
  };

  // Fills the list on first display and says what the page must say (no row, several rows).
  DecoderSourcesView(const CBoardCtrl& boards, const CBoard& decoder, Notifier& notifier);

  const std::vector<Row>& Rows() const { return rows_; }
  bool ButtonEnabled() const { return !rows_.empty(); }

  // "检测编码板" or a double click, with the list's selection mark (-1 when no row was ever
  // marked: the first row is taken). Asks the question; on Yes gives the encoder's contact
  // address, which the page then opens: set the open-statistics-page flag, SelectRowByAddress,
  // open a single-board window when exactly one row is selected, close its own window.
  std::optional<std::uint32_t> Choose(int selectionMark);

 private:
  const CBoardCtrl& boards_;
  Notifier& notifier_;
  std::vector<Row> rows_;
};

// Pure: the board-list indices of the encoders that feed `decoder`, in list order.
std::vector<int> MatchingEncoders(const CBoardCtrl& boards, const CBoard& decoder);

}  // namespace tav
