#pragma once
// The maintenance protocol of the Ctrl+F dialog (CNewSearchDlg) over UDP port 6006: 272-byte
// datagrams broadcast from one socket per local adapter, 'a' search answered by 'b' (the board's
// adapter table), 'c' restart, 'd' factory reset, 'e' command text, the last three answered by
// 'j'. Codecs are pure functions; MaintenanceSession is the dialog without widgets: its own board
// list, rows in address order, selected address, log and the 100-pass reply wait, run a pass at
// a time so a window can drive it from a timer or a worker (one thread at a time).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/board_list.h"
#include "device/notifier.h"
#include "platform/adapters.h"
#include "platform/udp_endpoint.h"
#include "shell/message_log.h"

namespace tav::batch {

inline constexpr std::uint16_t kMaintenancePort = 6006;
inline constexpr std::size_t kRequestSize = 272;
inline constexpr std::size_t kAdapterTableSize = 124;
inline constexpr std::size_t kMaxAdapters = 8;
inline constexpr std::uint32_t kHeadWord = 12;
inline constexpr std::size_t kSearchReplyMinimum = 140;
inline constexpr std::size_t kResultReplyMinimum = 32;
inline constexpr std::size_t kCommandTextSlot = 108;  // NUL-terminated: up to 107 GBK bytes
inline constexpr std::size_t kCommandTextMax = kCommandTextSlot - 1;
inline constexpr int kReplyPasses = 100;

inline constexpr char kSearch = 'a';
inline constexpr char kSearchReply = 'b';
inline constexpr char kRestart = 'c';
inline constexpr char kFactoryReset = 'd';
inline constexpr char kExecute = 'e';
inline constexpr char kResultReply = 'j';

struct AdapterEntry {
  std::uint32_t address = 0;  // network order held little-endian
  std::uint32_t mask = 0;
  std::array<std::uint8_t, 6> mac{};
  bool operator==(const AdapterEntry&) const = default;
};
using AdapterTable = std::vector<AdapterEntry>;  // at most kMaxAdapters

// The 124-byte record: size 124, count, eight addresses, eight masks, eight MACs, spare.
std::array<std::uint8_t, kAdapterTableSize> EncodeAdapterTable(const AdapterTable& table);
// Entries of a received table; a count above 8 is read as 8, a count below 0 as none.
AdapterTable DecodeAdapterTable(std::span<const std::uint8_t> record);
// The PC's table: the first eight adapters a board can be reached on (loopback and adapters
// without IPv4 left out), each with its first address, its mask and its MAC.
AdapterTable AdapterTableOf(const std::vector<platform::Adapter>& adapters);

// A request datagram. `text` (GBK bytes) is only used by 'e' and is cut to 107 bytes.
std::array<std::uint8_t, kRequestSize> BuildRequest(char letter, std::uint32_t messageNumber,
                                                    std::uint32_t exchangeNumber,
                                                    std::uint32_t target,
                                                    std::string_view gbkText = {});

// A reply that passed the head and length checks.
struct MaintenanceReply {
  char letter = 0;
  std::uint32_t replyNumber = 0;
  std::uint32_t exchangeNumber = 0;
  AdapterTable adapters;                // 'b'
  std::uint8_t result = 0;              // 'j': 0 success, 1 failure, other an error
  std::array<std::uint32_t, 3> kept{};  // 'j': the words at 16, 20 and 28
};
// Nothing for a wrong head, a word other than 12 at offset 4, an unknown letter or a reply
// shorter than its letter's minimum.
std::optional<MaintenanceReply> ParseReply(std::span<const std::uint8_t> datagram);

// "命令执行成功" / "命令执行失败" / "位置错误".
std::string ResultText(std::uint8_t result);

// Refusal of "执行" for a text whose GBK form is longer than the 107 bytes the slot holds.
inline constexpr char kCommandTooLong[] = "命令文本过长：最多107个字节（中文字符占2个）。";
// The GBK form of a command text, or nothing when it does not fit.
std::optional<std::string> CommandTextForWire(std::string_view utf8);

// The sockets: one per adapter of the table, made for every request.
class MaintenanceTransport {
 public:
  virtual ~MaintenanceTransport() = default;
  virtual AdapterTable Adapters() = 0;
  // Opens one socket per entry; a socket that cannot be bound is left out.
  virtual void Open(const AdapterTable& table) = 0;
  // Sends from every open socket to 255.255.255.255:6006.
  virtual void Broadcast(std::span<const std::uint8_t> datagram) = 0;
  // At most one waiting datagram, trying the sockets in table order; no waiting.
  virtual std::optional<platform::ReceivedDatagram> ReceiveOne() = 0;
  virtual void Close() = 0;
  // The 1 ms sleep of each pass.
  virtual void Pause() = 0;
  // "arp -d", started without waiting.
  virtual void FlushNeighbours() = 0;
};

// The real sockets (platform/udp_endpoint). `adapterFilter`, when set, keeps only the adapter
// holding that address (tavctl --adapter); tests switch the "arp -d" off.
std::unique_ptr<MaintenanceTransport> MakeSocketTransport(
    std::optional<std::uint32_t> adapterFilter = std::nullopt, bool flushNeighbours = true);

// CNewSearchDlg without its widgets.
class MaintenanceSession {
 public:
  struct Row {
    int boardIndex = 0;  // in Boards()
    std::string address, mac, mask;
  };
  // `seedClock` gives the seconds the generator is seeded with before every request.
  MaintenanceSession(MaintenanceTransport& transport, Notifier& notifier,
                     std::function<std::uint32_t()> seedClock = nullptr);

  // "搜索设备": flush, log "发起设备搜索。", clear the list, send 'a', start the reply wait.
  void StartSearch();
  // "重启" / "恢复出厂值": 'c' / 'd' to the selected address, exchange number 0, no wait.
  // False (nothing sent) when no board was picked.
  bool Restart();
  bool FactoryReset();
  // "执行": 'e' with the text to the selected address, then the reply wait. False with the
  // too-long message when the text does not fit, or when no board was picked.
  bool Execute(std::string_view utf8Text);

  // One pass of the reply wait: sleeps 1 ms, handles at most one datagram. False once the
  // passes are used up (the sockets are then closed) or when no wait runs.
  bool Pass();
  // Runs the passes left; for callers without an event loop.
  void Wait();
  bool Waiting() const { return passesLeft_ > 0; }
  // "搜索设备" while idle, "设备搜索中……" (and disabled) while a wait runs.
  std::string SearchButtonText() const;
  bool SearchEnabled() const { return !Waiting(); }

  // Clicking a row: its board's address becomes the selected address.
  void SelectRow(int row);
  void SelectAddress(std::uint32_t address) { selected_ = address; }
  std::uint32_t SelectedAddress() const { return selected_; }

  const std::vector<Row>& Rows() const { return rows_; }
  const CBoardCtrl& Boards() const { return boards_; }
  const std::string& LogText() const { return log_.Text(); }
  std::uint32_t ExchangeNumber() const { return exchange_; }
  std::uint32_t LastReplyNumber() const { return lastReply_; }
  // Every 'j' seen by the last wait, in order.
  const std::vector<MaintenanceReply>& Results() const { return results_; }

  // The dialog sends 'c' and 'd' without waiting; tavctl waits for their 'j' (exchange 0).
  bool waitAfterCommands = false;

  // Called with each new row's position (the dialog inserts it there) and each log line.
  std::function<void(int row)> rowAdded;
  std::function<void(const std::string& line)> logged;

 private:
  void Send(char letter, std::uint32_t target, std::string_view gbkText);
  void Handle(const platform::ReceivedDatagram& datagram);
  void Log(std::string_view text);

  MaintenanceTransport& transport_;
  Notifier& notifier_;
  std::function<std::uint32_t()> seedClock_;
  std::mt19937 random_;
  CBoardCtrl boards_;
  std::vector<Row> rows_;
  MessageLog log_;
  std::uint32_t selected_ = 0;
  std::uint32_t exchange_ = 0;
  std::uint32_t message_ = 0;
  std::uint32_t lastReply_ = 0;
  int passesLeft_ = 0;
  std::vector<MaintenanceReply> results_;
};

}  // namespace tav::batch
