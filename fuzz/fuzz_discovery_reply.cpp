// A datagram on the search answer port, as any host on the LAN may send it: the blocks it
// yields, every text the device list and the pages make of them, the row order of the list
// and the conflict check over them.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/board.h"
#include "device/board_list.h"
#include "fuzz_check.h"
#include "shell/device_row.h"
#include "shell/device_search.h"

namespace {

void CheckTexts(const CBoard& board) {
  const std::string texts[] = {
      board.AddressText(),       board.MaskText(),     board.Name(),         board.MacText(),
      board.TypeName(),          board.VersionText(),  board.BasebandText(), board.TransportName(),
      board.StreamAddressText(), board.VideoModeName()};
  for (const std::string& text : texts) FUZZ_CHECK(fuzz::IsValidUtf8(text));
  for (const std::string& text : tav::DeviceRowTexts(board)) FUZZ_CHECK(fuzz::IsValidUtf8(text));
  FUZZ_CHECK(board.MacText().size() == 17);
  int transport = board.TransportClass();
  FUZZ_CHECK(transport >= tav::kTransportNone && transport <= tav::kTransportUnicast);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> datagram(data, size);
  std::vector<tav::StatusBlock> blocks = tav::ParseDiscoveryReply(datagram);

  // Each block is the 200 bytes after its head, zero past the datagram's end.
  FUZZ_CHECK(blocks.size() <= (size + tav::kSearchReplySize - 1) / tav::kSearchReplySize);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    std::size_t body = i * tav::kSearchReplySize + 4;
    for (std::size_t k = 0; k < blocks[i].size(); ++k)
      FUZZ_CHECK(blocks[i][k] == (body + k < size ? data[body + k] : 0));
  }

  // The same bytes taken as a bare status block (a board added by hand, a page's refresh).
  CheckTexts(CBoard(datagram));

  CBoardCtrl boards;
  std::vector<std::uint32_t> rowAddresses;
  for (const tav::StatusBlock& block : blocks) {
    int index = boards.Add(block);
    CBoard& board = boards.At(index);
    // The answer's source is not in the bytes; odd answers came from another address.
    if (index % 2 == 1) board.SetSourceAddress(board.ip() ^ 0x01000000u);
    CheckTexts(board);
    std::size_t row = tav::SortedRowPosition(rowAddresses, board.ContactAddress());
    FUZZ_CHECK(row <= rowAddresses.size());
    rowAddresses.insert(rowAddresses.begin() + std::ptrdiff_t(row), board.ContactAddress());
  }
  for (std::size_t row = 1; row < rowAddresses.size(); ++row)
    FUZZ_CHECK(tav::AddressNotAbove(rowAddresses[row - 1], rowAddresses[row]));

  boards.HasConflicts();
  if (boards.Count() > 0) {
    // A second answer from the same board always counts as a conflict.
    CBoard again = boards.At(0);
    boards.Add(again);
    FUZZ_CHECK(boards.HasConflicts());
  }
  return 0;
}
