// The configuration exchange's side of a board's reply: storeReply checks the reply against its
// type and the caller's record and stores it, never past the record nor the reply, and leaves
// the record alone unless it says 0 (the type 258 flag aside). The command builders are
// fuzzed too, over records as tavctl passes them from a file.
//
// Input: [type selector] [flags] [size field, 4 bytes LE] then the reply (or the record).
//   selector % 16: read types 256..269, then 255 and 270 (unknown); with flag 0x80 the
//   selector picks a write type (% 20) or a read request (% 20 >= 14 → 256 + ...).
//   flags 0x01: the record's size field is the 4 given bytes, else the type's own block size.
//   flags 0x02: a variable block's record is as large as a reply can be (tavctl's choice).
//   flags 0x04: the compare record carries the reply's key, so the match path is reached.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "config_exchange.h"
#include "fuzz_check.h"
#include "le_bytes.h"
#include "qorsdk.h"
#include "wire.h"

namespace {

constexpr std::size_t kHeader = 6;
constexpr std::size_t kLongestBlock = qorsdk::kReceiveBufferSize - 4;

void FuzzCommands(std::uint8_t selector, qor::Bytes rest) {
  // A record as tavctl hands it over: what the file held, zeros after it.
  std::vector<std::uint8_t> record(std::max<std::size_t>(rest.size(), QORSDK_TEXT_BUFFER_SIZE), 0);
  std::copy(rest.begin(), rest.end(), record.begin());
  record.back() = 0;
  int type = selector % 20;
  if (auto command = qorsdk::writeCommand(type, record.data())) {
    FUZZ_CHECK(command->size() >= 4 && qor::hasHead(*command, qorsdk::writeType(type)->command));
    FUZZ_CHECK(command->size() <= 4 + std::max<std::size_t>(1052, QORSDK_TEXT_COMMAND_MAX + 1));
  }
  int readType = QORSDK_GET_STATUS_BLOCK + selector % 14;
  if (auto request = qorsdk::readRequest(readType, record.data()))
    FUZZ_CHECK(request->size() >= 4 && request->size() <= 4 + QORSDK_TEXT_COMMAND_MAX + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeader) return 0;
  const std::uint8_t selector = data[0], flags = data[1];
  const qor::Bytes reply(data + kHeader, size - kHeader);
  if (flags & 0x80) {
    FuzzCommands(selector, reply);
    return 0;
  }

  int index = selector % 16;
  int type = index < 14 ? QORSDK_GET_STATUS_BLOCK + index : index == 14 ? 255 : 270;
  auto entry = qorsdk::readType(type);

  // The record the caller owns: as large as its size field promises (bounded by what a reply
  // can hold, which is all storeReply may copy), the text buffer for 268.
  std::uint32_t sizeField = entry ? entry->block : 200;
  if (entry && entry->rule == qorsdk::BlockRule::UpToSize && (flags & 0x02))
    sizeField = kLongestBlock;
  if (flags & 0x01) sizeField = qor::getU32(qor::Bytes(data, kHeader), 2);
  std::size_t recordSize = std::min<std::size_t>(std::max<std::uint32_t>(sizeField, 4),
                                                 std::max(kLongestBlock, reply.size()));
  if (entry) recordSize = std::max<std::size_t>(recordSize, entry->block);
  if (entry && entry->rule == qorsdk::BlockRule::Text) recordSize = QORSDK_TEXT_BUFFER_SIZE;
  std::vector<std::uint8_t> record(recordSize, 0);
  if (entry && entry->rule == qorsdk::BlockRule::Text) {
    const char request[] = "getunique:SN=;ID=;";
    std::memcpy(record.data(), request, sizeof request);
  } else {
    qor::putU32(record, 0, sizeField);
  }
  if (entry && entry->rule == qorsdk::BlockRule::Compare && (flags & 0x04) && reply.size() >= 84)
    std::copy(reply.begin() + 8, reply.begin() + 84, record.begin() + 4);
  const std::vector<std::uint8_t> before = record;

  std::int32_t result = qorsdk::storeReply(type, reply, record.data());
  FUZZ_CHECK(result == QORSDK_CONFIG_OK || result == QORSDK_CONFIG_BAD_TYPE ||
             result == QORSDK_CONFIG_SHORT_REPLY || result == QORSDK_CONFIG_WRONG_HEAD);
  if (!entry) {
    FUZZ_CHECK(result == QORSDK_CONFIG_BAD_TYPE && record == before);
    return 0;
  }
  if (result != QORSDK_CONFIG_OK) {
    // Nothing stored; the compare type may still set its flag at 72.
    std::vector<std::uint8_t> kept = record;
    if (entry->rule == qorsdk::BlockRule::Compare)
      std::copy_n(before.begin() + 72, 4, kept.begin() + 72);
    FUZZ_CHECK(kept == before);
    return 0;
  }
  FUZZ_CHECK(qor::hasHead(reply, entry->reply) && reply.size() >= qorsdk::minimumReply(*entry));
  const qor::Bytes block = reply.subspan(4);
  switch (entry->rule) {
    case qorsdk::BlockRule::Exact:
    case qorsdk::BlockRule::Unchecked:
      FUZZ_CHECK(std::equal(block.begin(), block.begin() + entry->block, record.begin()));
      break;
    case qorsdk::BlockRule::UpToSize: {
      std::size_t stored = std::min<std::size_t>(block.size(), sizeField);
      FUZZ_CHECK(std::equal(block.begin(), block.begin() + stored, record.begin()));
      break;
    }
    case qorsdk::BlockRule::Text: {
      // Always terminated inside the buffer, and a prefix of what the board sent.
      auto end = std::find(record.begin(), record.end(), 0);
      FUZZ_CHECK(end != record.end());
      std::size_t length = std::size_t(end - record.begin());
      FUZZ_CHECK(length < QORSDK_TEXT_BUFFER_SIZE && length <= block.size());
      FUZZ_CHECK(std::equal(record.begin(), end, block.begin()));
      break;
    }
    case qorsdk::BlockRule::Compare: {
      std::uint32_t flag = qor::getU32(record, 72);
      FUZZ_CHECK(flag == 0 || flag == 1);
      break;
    }
  }
  return 0;
}
