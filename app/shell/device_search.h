#pragma once
// The device search: one broadcast question to every board's port 4007 and a window in which
// the answers on port 5007 are gathered into the board list, in address order. The engine owns
// the sockets and the texts; its driver owns the clock. The main window drives it with a
// QSocketNotifier on ListenerFd() and a 3000 ms timer; tavctl calls RunBlocking().

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/board.h"
#include "device/board_list.h"
#include "platform/adapters.h"
#include "platform/datagram_listener.h"
#include "platform/udp_endpoint.h"

namespace tav {

class Notifier;

inline constexpr std::uint8_t kCmdSearch = 0xE5;       // question, and an echo of it
inline constexpr std::uint8_t kCmdSearchReply = 0xE6;  // answer: head + status block
inline constexpr std::size_t kSearchReplySize = 4 + 200;
inline constexpr std::chrono::milliseconds kSearchWindow{3000};
// Receive buffer asked for: a burst of answers from ten thousand boards (2 MB on the wire)
// waits there while the rows are built. Never less than the 512 KiB the boards were made for.
inline constexpr int kListenerBufferBytes = 8 << 20;
static_assert(kListenerBufferBytes >= 524288);
inline constexpr std::size_t kMaxDatagramBytes = platform::DatagramListener::kMaxDatagram;
// However many answers arrive, one search lists at most this many rows.
inline constexpr std::size_t kMaxSearchRows = 65536;
// One Drain call reads for at most this long, so a flood of answers cannot hold the caller
// (the window's event loop or RunBlocking) past the search window.
inline constexpr std::chrono::milliseconds kDrainSlice{100};

std::array<std::uint8_t, 4> DiscoveryRequest();

// The status blocks one datagram carries: empty unless it begins with the answer head. Boards
// send one 204-byte answer per datagram; a longer datagram is read answer by answer while each
// begins with the head. A short first answer's missing bytes are zero; a short answer after
// whole ones is dropped rather than listed half empty.
std::vector<StatusBlock> ParseDiscoveryReply(std::span<const std::uint8_t> datagram);

// Dotted order, first octet first: true when a sorts before b or equals it.
bool AddressNotAbove(std::uint32_t a, std::uint32_t b);
// An address as a number that sorts in dotted order (first octet most significant).
constexpr std::uint32_t DottedOrderKey(std::uint32_t address) {
  return (address & 0xffu) << 24 | (address & 0xff00u) << 8 | (address & 0xff0000u) >> 8 |
         address >> 24;
}
// Where a new row with `address` goes in rows listed by their contact addresses (ascending,
// found by halving): after the last row whose address is not above it, so an address already
// listed goes below the earlier one; 0 when every row is above it.
std::size_t SortedRowPosition(const std::vector<std::uint32_t>& rowAddresses,
                              std::uint32_t address);

// The rows of one search: board indices in ascending contact-address order, an address
// already listed below the earlier rows with it. Each insert finds its row by halving.
class SearchRows {
 public:
  // Lists the board; returns its row.
  std::size_t Insert(int boardIndex, std::uint32_t contactAddress);
  const std::vector<int>& Indices() const { return rows_; }
  std::size_t Size() const { return rows_.size(); }
  void Clear();

 private:
  std::vector<std::uint32_t> keys_;  // DottedOrderKey of each row's address, ascending
  std::vector<int> rows_;
};

// Where the answers are taken in.
struct ListenTarget {
  // The adapter address the question leaves from; none when the PC has no usable adapter.
  std::optional<std::uint32_t> address;
  // Only datagrams that arrived on this interface are taken; 0 takes every interface.
  unsigned interfaceIndex = 0;
  // Set when the chosen adapter address is no longer on the PC (for the log).
  std::string note;
};

// The chosen adapter address text when set (the adapter dialog's choice), else the host's
// first address; neither: every adapter.
ListenTarget ChooseListenTarget(const std::vector<platform::Adapter>& adapters,
                                std::string_view chosenAddressText);

class DeviceSearch {
 public:
  DeviceSearch(CBoardCtrl& boards, Notifier& notifier);
  ~DeviceSearch();
  DeviceSearch(const DeviceSearch&) = delete;
  DeviceSearch& operator=(const DeviceSearch&) = delete;

  // Flushes the neighbour cache (not waiting for it) and logs "发起设备搜索。".
  void Announce();
  // Clears the board list, opens the listener (wildcard:5007, receive buffer, arrival
  // interface reported) and the sender, and sends the question. When 5007 is taken the user
  // is told, the question is still sent and no answer will be taken in; returns false then.
  // When the system grants a smaller receive buffer than asked, the log says so once.
  bool Open(const ListenTarget& target);
  // The listener to watch for readability; -1 when none is open.
  int ListenerFd() const { return listener_.Fd(); }
  // Moves every datagram waiting on the listener into the queue, then turns queued answers
  // into boards and rows, going back to the socket between chunks so a burst never waits
  // behind the rows; at most kDrainSlice. Returns how many answers were listed. Past rowCap
  // rows, answers are read and dropped and the log says so once.
  std::size_t Drain();
  // Datagrams taken off the socket but not yet listed (the last Drain ran out of time): call
  // Drain again without waiting for the socket.
  bool HasBacklog() const { return queued_ < queue_.Size(); }
  // Board indices listed since the last call, in the order they were taken in.
  std::vector<int> TakeNewBoards();
  // The window's end: lists what was already received, closes both sockets, reports a
  // conflict, runs the link diagnosis and logs how many boards were found.
  void Finish();
  bool Running() const { return running_; }

  // Board indices in list order (ascending contact address) for the current search.
  const std::vector<int>& Rows() const { return rows_.Indices(); }
  int ReplyCount() const { return replyCount_; }
  // What the conflict check found at the end of the last search.
  const std::vector<BoardConflict>& Conflicts() const { return conflicts_; }
  // The lines of the last search that are about the search itself (port taken, question not
  // sent, adapter fallback, row cap, small receive buffer), as they went to the notifier.
  const std::vector<std::string>& Diagnostics() const { return diagnostics_; }

  // Announce, Open, Drain until the window ends (poll), Finish. For programs without an event
  // loop.
  void RunBlocking(const ListenTarget& target, std::chrono::milliseconds window = kSearchWindow);

  // Runs at the end of every search after the conflict check, before the count is logged;
  // the link diagnosis writes its findings to the log from here.
  std::function<void(CBoardCtrl&, Notifier&)> linkDiagnosis;
  // Tests switch the flush off to keep their namespaces quiet.
  bool flushNeighbours = true;
  // The listener reads on a thread of its own (platform::DatagramListener), for a driver
  // that may be busy while a burst arrives; Drain is then called on a timer.
  bool receiveInBackground = false;
  // Most rows one search lists (tests lower it).
  std::size_t rowCap = kMaxSearchRows;

 private:
  // Lists up to `most` queued datagrams; returns the answers listed.
  std::size_t ListQueued(std::size_t most);
  std::size_t Take(std::span<const std::uint8_t> datagram, std::uint32_t source);
  void CloseSockets();
  void diagnose(std::string text);  // logs a line about the search itself and keeps it

  CBoardCtrl& boards_;
  Notifier& notifier_;
  platform::DatagramListener listener_;
  platform::DatagramQueue queue_;
  std::size_t queued_ = 0;  // queue entries already listed
  platform::BoundUdpSocket sender_;
  unsigned interfaceIndex_ = 0;
  bool running_ = false;
  int replyCount_ = 0;
  bool capReported_ = false;
  bool bufferReported_ = false;
  SearchRows rows_;
  std::vector<int> newBoards_;
  std::vector<BoardConflict> conflicts_;
  std::vector<std::string> diagnostics_;
};

}  // namespace tav
