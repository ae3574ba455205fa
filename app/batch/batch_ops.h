#pragma once
// The batch window's pages without widgets: the tree of batch functions, the selected-device
// list, batch restart (CMULTIPLE_RIGHTVIEW0) and batch factory reset (CMULTIPLE_RIGHTVIEW1).
// The boards are the main list and the selection the page is handed at the moment of the
// action. A run goes board by board: each board's result comes out as it is known, a stop
// request is honoured between boards, and every board gets one line in the main log.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/board_link.h"
#include "device/board_list.h"
#include "device/notifier.h"

namespace tav::batch {

// Items of CLeftViewMul in order; the page each opens.
enum class BatchPage { SelectedList, Restart, FactoryReset, Upgrade, EncoderStatistics, Blank };
struct BatchTreeItem {
  int stringId;
  BatchPage page;
};
const std::vector<BatchTreeItem>& BatchTreeItems();

// The page's buttons (ids 1050, 1000, 1001, 1002).
enum class BatchButton { Selected, All, Encoders, Decoders };

// Board indices the per-board buttons act on, in list order: the selection, every board of
// encoder kind, or every board of type 2, 4 or 21. Selected indices outside the list are
// dropped. All: none (the All buttons send one group datagram).
std::vector<int> BoardsFor(BatchButton button, const CBoardCtrl& boards,
                           const std::vector<int>& selected);

// What a row of the selected-device list shows: "设备IP", "设备名称", "其它信息" (type name).
struct SelectedRow {
  std::string address, name, typeName;
};
std::vector<SelectedRow> SelectedDeviceRows(const CBoardCtrl& boards,
                                            const std::vector<int>& selected);

// How the commands leave; tests record them, the program sends them (MakeNetworkSender).
class BatchSender {
 public:
  virtual ~BatchSender() = default;
  virtual int RestartBoard(const CBoard& board) = 0;  // configuration write type 12; 0 written
  virtual int GroupRestart(std::int32_t target) = 0;  // datagram 0xE8; 0 sent
  virtual int FactoryReset(const CBoard& board) = 0;  // datagram 0xEB to the board; 0 sent
  virtual int FactoryResetAll() = 0;                  // datagram 0xEB to -1; 0 sent
};
BatchSender& NetworkSender();
// The same over a given link (the pages: their host's link).
std::unique_ptr<BatchSender> MakeLinkSender(BoardLink& link);

struct BoardProgress {
  int position = 0;  // 1-based among `count`
  int count = 0;
  int boardIndex = -1;  // -1 for a group datagram
  std::string address;  // the board's address text, or "" for a group datagram
  int result = 0;       // the sender's result
  std::string text;     // the log line's text
};

struct BatchRun {
  bool refused = false;  // wrong credentials: nothing sent
  bool stopped = false;  // the stop request came between boards
  std::vector<BoardProgress> boards;
  int failures() const;
};

struct BatchEvents {
  std::function<void(const BoardProgress&)> progress;  // after each board, as it happens
  const std::atomic<bool>* stop = nullptr;             // checked before each board
};

// "重启所选设备" / "重启所有设备" / "重启所有编码板" / "重启所有解码板"; each logs
// "发起批量重启。" at the end, with or without a selection.
BatchRun RunBatchRestart(BatchButton button, const CBoardCtrl& boards,
                         const std::vector<int>& selected, BatchSender& sender, Notifier& notifier,
                         const BatchEvents& events = {});

// The four factory-reset buttons: the credentials are checked first ("admin", "tarvenol",
// exactly); otherwise "用户名或密码错误。" and nothing is sent. Logs "发起批量重置。" at the end.
inline constexpr char kFactoryUserDefault[] = "admin";
inline constexpr char kFactoryPasswordDefault[] = "tarvenol";
BatchRun RunBatchFactoryReset(BatchButton button, std::string_view user, std::string_view password,
                              const CBoardCtrl& boards, const std::vector<int>& selected,
                              BatchSender& sender, Notifier& notifier,
                              const BatchEvents& events = {});

}  // namespace tav::batch
