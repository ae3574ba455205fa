#pragma once
// EDID tools of a board (EdidDebug, "EDID调试"): the text commands of configuration types 268
// and 19, the answer fields, the EDID as the page's 32 lines of text and a decoded summary of
// the block, and the page's actions over a BoardLink.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

class BoardLink;
class Notifier;

using EdidBytes = std::array<std::uint8_t, 256>;

inline constexpr int kEdidTextType = 268;    // command text in, answer text out
inline constexpr int kEdidCommandType = 19;  // command text, no answer
inline constexpr std::size_t kEdidTextBuffer = 2048;

// Command words; the text sent is the word followed by ';'.
inline constexpr std::string_view kEdidReadLock = "getedidlock";
inline constexpr std::string_view kEdidLock = "lockedid:";
inline constexpr std::string_view kEdidUnlock = "unlockedid:";
inline constexpr std::string_view kEdidClear = "clearedid:";
inline constexpr std::string_view kEdidCopyMonitor = "setperiphedid:";
inline constexpr std::string_view kEdidReadBoard = "getedidinfo";
inline constexpr std::string_view kEdidReadMonitor = "getperiphedidinfo";
// Answer words.
inline constexpr std::string_view kEdidLockAnswer = "sendedidlock:";
inline constexpr std::string_view kEdidErrorAnswer = "sendediderror:";
inline constexpr std::string_view kEdidBoardAnswer = "sendedidinfo";
inline constexpr std::string_view kEdidMonitorAnswer = "sendperiphedidinfo";

std::string EdidCommandText(std::string_view word);  // "word;"

// The field that starts at `at`: the text up to the next ';', 1 to 7 characters; nothing when
// it is empty, 8 characters or longer, or not ended by ';'.
std::optional<std::string_view> AnswerField(std::string_view answer, std::size_t at);
// A field read as a decimal integer (leading blanks and a sign allowed, stops at a non-digit).
long DecimalValue(std::string_view field);
// A field read as a C integer literal: "0x" hexadecimal, leading 0 octal, else decimal.
long LiteralValue(std::string_view field);

// The flag or code after an answer word; nothing when the answer does not begin with the word
// (wordMatched false) or the field is missing.
struct AnswerCode {
  bool wordMatched = false;
  std::optional<long> code;
};
AnswerCode ParseCodeAnswer(std::string_view answer, std::string_view word);

// The 256 values after an EDID answer word, five characters each. Bytes not converted stay 0.
struct EdidAnswer {
  bool wordMatched = false;
  std::size_t converted = 0;  // values read before the first missing field
  EdidBytes bytes{};
  bool complete() const { return converted == 256; }
};
EdidAnswer ParseEdidAnswer(std::string_view answer, std::string_view word);

// The page's text: "0x%02x;" each, 8 to a line, lines joined by "\r\n" (32 lines).
std::string EdidText(const EdidBytes& bytes);

// What an EDID says, decoded from the base block and a CTA-861 extension.
struct EdidTiming {
  std::uint32_t pixelClockKHz = 0;
  int hActive = 0, hBlank = 0, hFrontPorch = 0, hSync = 0;
  int vActive = 0, vBlank = 0, vFrontPorch = 0, vSync = 0;
  bool interlaced = false;
  bool hSyncPositive = false, vSyncPositive = false;  // digital separate sync only
  double refreshHz() const;
  bool operator==(const EdidTiming&) const = default;
};
struct EdidSummary {
  bool headerValid = false;
  std::string manufacturer;  // three letters
  std::uint16_t productCode = 0;
  std::uint32_t serialNumber = 0;
  int week = 0;  // 0: not given; 255: year is the model year
  int year = 0;
  int version = 0, revision = 0;
  std::optional<EdidTiming> preferred;
  std::string monitorName;  // descriptor 0xFC, printable ASCII only
  std::string serialText;   // descriptor 0xFF
  int extensions = 0;       // byte 126
  bool baseChecksumValid = false;
  std::optional<bool> extensionChecksumValid;  // when a second block is announced
  std::vector<EdidTiming> ctaTimings;          // detailed timings of a CTA-861 extension
};
EdidSummary DecodeEdid(const EdidBytes& bytes);
// The summary as lines for "结果分析：" (UTF-8, "\r\n" between lines).
std::string EdidSummaryText(const EdidSummary& summary);
std::string TimingText(const EdidTiming& timing);  // "1920x1080p 60.00 Hz, 148.50 MHz"

// How one page action ended, for the command line; the page's messages went to the notifier.
enum class EdidStatus {
  Done,            // the board did it (or answered the read fully)
  ExchangeFailed,  // non-zero result of the configuration exchange
  UnknownCommand,  // answer with another word
  UnknownData,     // missing field; for EDID reads: fewer than 256 values
  BoardRefused,    // an error code from the board
};
struct EdidOutcome {
  EdidStatus status = EdidStatus::Done;
  int result = 0;       // exchange result, or the board's code
  std::string message;  // what the page showed; empty when it showed nothing
};

// EdidDebug without a display. Messages go to the notifier (the page writes no log lines).
class EdidTool {
 public:
  EdidTool(BoardLink& link, std::string address, Notifier& notifier);

  // Read the lock flag (also the page's initial update); the caption changes only on a readable
  // answer.
  EdidOutcome readLockState();
  // Lock when unlocked, unlock when locked; reads the state again after a sent command.
  EdidOutcome toggleLock();
  EdidOutcome clear();        // then reads the lock state
  EdidOutcome copyMonitor();  // then reads the lock state
  EdidOutcome readBoardEdid();
  EdidOutcome readMonitorEdid();

  // The flag as last read (a page runs each action on a fresh tool and carries the flag over).
  void setLockFlag(long flag);
  bool locked() const { return lockFlag_ != 0; }
  int lockReads() const { return lockReads_; }          // readable lock answers this tool has had
  std::string lockCaption() const { return caption_; }  // "锁定EDID" or "解锁EDID"
  const std::string& edidText() const { return edidText_; }
  const std::string& summaryText() const { return summaryText_; }
  const std::optional<EdidBytes>& edid() const { return edid_; }

 private:
  int exchangeText(std::string_view word, std::string& answer);
  EdidOutcome show(EdidStatus status, int result, std::string message);
  EdidOutcome codeCommand(std::string_view word, bool copy);
  EdidOutcome readEdid(std::string_view word, std::string_view answerWord);

  BoardLink& link_;
  std::string address_;
  Notifier& notifier_;
  long lockFlag_ = 0;
  int lockReads_ = 0;
  std::string caption_;
  std::string edidText_, summaryText_;
  std::optional<EdidBytes> edid_;
};

}  // namespace tav
