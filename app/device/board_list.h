#pragma once
// The board list: every board found by the last search or added by hand, in the order added.

#include <string>
#include <string_view>
#include <vector>

#include "detect/detection.h"
#include "device/board.h"

namespace tav {

enum class ConflictKind { Address, Mac, Multicast, Broadcast, Unicast, UnicastIntoBroadcast };

// Boards that clash: what they share and which boards they are.
struct BoardConflict {
  ConflictKind kind;
  std::string shared;       // the address, the MAC text or "address:port"
  std::vector<int> boards;  // indices into the board list, in list order
};

}  // namespace tav

// CBoardCtrl: the board list owned by the main window, with the conflict check run after a search.
class CBoardCtrl {
 public:
  // Appends a board built from the status block; returns its index. No duplicate test: the
  // conflict check shows duplicates.
  int Add(const tav::StatusBlock& statusBlock);
  int Add(const CBoard& board);
  // Index outside 0..Count()-1 throws std::out_of_range.
  CBoard& At(int index);
  const CBoard& At(int index) const;
  int Count() const { return static_cast<int>(boards_.size()); }
  void Clear() { boards_.clear(); }
  // True when two boards share an address or MAC, or two encoders send to the same stream
  // (multicast, broadcast or unicast address and port, and unicast into a broadcast).
  bool HasConflicts() const;
  // Every conflict HasConflicts looks for, each with all the boards that share it, in the
  // order the boards were found; empty exactly when HasConflicts() is false.
  std::vector<tav::BoardConflict> Conflicts() const;

  // Detection of every eligible encoder as numbered lines (detect/detection.h). Start: the line
  // count, or -1 running, -2 no handle, -3 set or start failed, -4 no encoder, -11 bind failed.
  int StartAllDetection();
  int GetLineStatistics(int line, std::string& address, std::uint32_t& total,
                        std::uint32_t& video, std::uint32_t& audio);
  int StopAllDetection();  // 0, or -1 when a stop failed (still running)
  bool IsDetectionRunning() const;
  // Logs the link diagnosis; 1 when anything was logged.
  int DiagnoseLinks(tav::Notifier& notifier) const;

  std::vector<CBoard>::iterator begin() { return boards_.begin(); }
  std::vector<CBoard>::iterator end() { return boards_.end(); }
  std::vector<CBoard>::const_iterator begin() const { return boards_.begin(); }
  std::vector<CBoard>::const_iterator end() const { return boards_.end(); }

 private:
  std::vector<CBoard> boards_;
  tav::LineDetection lines_;
};

namespace tav {

// "address", "mac", "multicast", "broadcast", "unicast", "unicastIntoBroadcast" (JSON).
std::string_view ConflictKey(ConflictKind kind);
// The log line of a conflict: its kind, what is shared, and each board's address and name.
std::string ConflictLine(const CBoardCtrl& boards, const BoardConflict& conflict);

}  // namespace tav
