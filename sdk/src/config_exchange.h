#pragma once
// The configuration types of the boards' TCP exchange: what each type sends, to which port, and
// how a reply is checked and stored. Pure functions over bytes; the sockets are in the .cpp.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "le_bytes.h"

namespace qorsdk {

inline constexpr int kConnectWaitMs = 2001;  // 2 s and 800 us, rounded up to whole ms
inline constexpr int kTransferTimeoutMs = 1600;
inline constexpr std::size_t kReceiveBufferSize = 65536;

struct WriteType {
  std::uint8_t command;
  std::uint32_t payload;  // bytes after the head; type 11 may send 228 instead
  std::uint16_t port;
};
std::optional<WriteType> writeType(std::int32_t type);

enum class BlockRule {
  Exact,      // size field must equal the block length
  UpToSize,   // size field at least minSize; stores min(reply block, size field)
  Compare,    // type 258: compared against the record, only the flag is written
  Text,       // type 268: the record is the text buffer
  Unchecked,  // type 269: size field not checked
};
struct ReadType {
  std::uint8_t request;
  std::uint8_t reply;
  std::uint32_t block;
  BlockRule rule;
  std::uint32_t minSize;  // UpToSize: smallest size field accepted
};
std::optional<ReadType> readType(std::int32_t type);
std::size_t minimumReply(const ReadType& type);

// What a write sends; nullopt when nothing may be sent (unknown type, command text too long).
std::optional<std::vector<std::uint8_t>> writeCommand(std::int32_t type, const void* record);
// What a read sends; nullopt for an unknown type, a null record or a command text too long.
std::optional<std::vector<std::uint8_t>> readRequest(std::int32_t type, const void* record);
// Checks a whole reply (head included) against the type and the record's size field and stores
// the block into the record: 0, 1 size field, 13 too short, 14 wrong head (overrides 1). Nothing
// is stored unless the result is 0, except the type 258 flag.
std::int32_t storeReply(std::int32_t type, qor::Bytes reply, void* record);

}  // namespace qorsdk
