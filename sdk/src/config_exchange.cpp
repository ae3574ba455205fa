#include "config_exchange.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "qorsdk.h"
#include "socket_io.h"
#include "wire.h"

namespace qorsdk {
namespace {

constexpr std::uint32_t kTransportShort = 28;
constexpr std::uint32_t kTransportLong = 228;
constexpr std::uint32_t kStreamAccessMarker = 200;  // size word of the block at offset 28
constexpr std::uint8_t kTextRequest = 0x51;

qor::Bytes head4(const void* record) {
  return {static_cast<const std::uint8_t*>(record), 4};
}
std::uint32_t sizeField(const void* record) {
  return qor::getU32(head4(record), 0);
}

std::vector<std::uint8_t> headOnly(std::uint8_t command) {
  std::vector<std::uint8_t> out(4);
  qor::putHead(out, command);
  return out;
}

// A command text with its NUL, or nullopt when it is longer than the boards take.
std::optional<std::vector<std::uint8_t>> withText(std::uint8_t command, const void* text) {
  const char* chars = static_cast<const char*>(text);
  std::size_t length = strnlen(chars, QORSDK_TEXT_COMMAND_MAX + 1);
  if (length > QORSDK_TEXT_COMMAND_MAX) return std::nullopt;
  auto out = headOnly(command);
  out.insert(out.end(), chars, chars + length);
  out.push_back(0);
  return out;
}

// Type 11. The transport block's size field is 28 and the stream-access block's own size word
// (200) follows at 28: then all 228 bytes go. A size field below 28 is trusted as the record's
// length: nothing past it is read and the bytes it lacks go as zeros. A size field between 28
// and 228 sends 228 bytes, again zero past the size field.
std::vector<std::uint8_t> transportCommand(std::uint8_t command, const std::uint8_t* record) {
  std::uint32_t size = qor::getU32({record, 4}, 0);
  std::size_t readable = std::min<std::size_t>(size, kTransportLong);
  bool longForm = size > kTransportShort;
  if (size == kTransportShort)
    longForm = qor::getU32({record, kTransportShort + 4}, kTransportShort) == kStreamAccessMarker;
  if (size == kTransportShort && longForm) readable = kTransportLong;
  std::size_t payload = longForm ? kTransportLong : kTransportShort;
  auto out = headOnly(command);
  out.resize(4 + payload, 0);
  std::copy_n(record, std::min(readable, payload), out.begin() + 4);
  return out;
}

}  // namespace

std::optional<WriteType> writeType(std::int32_t type) {
  static constexpr WriteType kTypes[] = {
      {0xE4, 88, qor::kConfigPort}, {0x16, 28, qor::kConfigPort}, {0x26, 16, qor::kConfigPort},
      {0x12, 0, qor::kConfigPort},  {0x13, 0, qor::kConfigPort},  {0x22, 0, qor::kConfigPort},
      {0x23, 0, qor::kConfigPort},  {0xED, 16, qor::kConfigPort}, {0xED, 16, qor::kConfigPort},
      {0xEE, 12, qor::kConfigPort}, {0xEF, 8, qor::kConfigPort},  {0xEC, 28, qor::kConfigPort},
      {0xE8, 12, qor::kConfigPort}, {0xE7, 0, qor::kFilePort},    {0xFA, 1052, qor::kSerialPort},
      {0xFB, 16, qor::kConfigPort}, {0xFC, 80, qor::kConfigPort}, {0x20, 36, qor::kConfigPort},
      {0x53, 76, qor::kConfigPort}, {0x50, 0, qor::kConfigPort},
  };
  if (type < 0 || type >= static_cast<std::int32_t>(std::size(kTypes))) return std::nullopt;
  return kTypes[type];
}

std::optional<ReadType> readType(std::int32_t type) {
  using enum BlockRule;
  static constexpr ReadType kTypes[] = {
      {0xE5, 0xE6, 200, Exact, 0},      {0xFD, 0xFE, 80, Exact, 0},
      {0xFD, 0xFE, 80, Compare, 0},     {0xC3, 0xC4, 1052, Exact, 0},
      {0xC5, 0xC6, 80, Exact, 0},       {0xFF, 0xFF, 200, Exact, 0},
      {0xCC, 0xCD, 4084, Exact, 0},     {0x54, 0x55, 76, Exact, 0},
      {0x56, 0x57, 8040, Exact, 0},     {0x58, 0x59, 68, Exact, 0},
      {0x5A, 0x5B, 20, UpToSize, 20},   {0x5C, 0x5D, 32, UpToSize, 32},
      {kTextRequest, 0x52, 2, Text, 0}, {0xC7, 0xC8, 388, Unchecked, 0},
  };
  std::int32_t index = type - QORSDK_GET_STATUS_BLOCK;
  if (index < 0 || index >= static_cast<std::int32_t>(std::size(kTypes))) return std::nullopt;
  return kTypes[index];
}

std::size_t minimumReply(const ReadType& type) {
  return 4 + type.block;
}

std::optional<std::vector<std::uint8_t>> writeCommand(std::int32_t type, const void* record) {
  auto entry = writeType(type);
  if (!entry) return std::nullopt;
  auto out = headOnly(entry->command);
  if (type == QORSDK_SET_RESTART) {  // fixed payload; the record is not read
    out.resize(16);
    qor::putU32(out, 4, 12);
    return out;
  }
  if (!record) return out;
  if (type == QORSDK_SET_TEXT_COMMAND) return withText(entry->command, record);
  std::uint32_t payload = entry->payload;
  if (type == QORSDK_SET_TRANSPORT) {
    return transportCommand(entry->command, static_cast<const std::uint8_t*>(record));
  }
  auto bytes = static_cast<const std::uint8_t*>(record);
  out.insert(out.end(), bytes, bytes + payload);
  return out;
}

std::optional<std::vector<std::uint8_t>> readRequest(std::int32_t type, const void* record) {
  auto entry = readType(type);
  if (!entry || !record) return std::nullopt;
  if (entry->rule == BlockRule::Text) return withText(entry->request, record);
  return headOnly(entry->request);
}

std::int32_t storeReply(std::int32_t type, qor::Bytes reply, void* record) {
  auto entry = readType(type);
  if (!entry || !record) return QORSDK_CONFIG_BAD_TYPE;
  if (reply.size() < minimumReply(*entry)) return QORSDK_CONFIG_SHORT_REPLY;
  auto* out = static_cast<std::uint8_t*>(record);
  const bool headOk = qor::hasHead(reply, entry->reply);
  const qor::Bytes block = reply.subspan(4);

  bool sizeOk = true;
  switch (entry->rule) {
    case BlockRule::Exact:
    case BlockRule::Compare:
      sizeOk = sizeField(record) == entry->block;
      break;
    case BlockRule::UpToSize:
      sizeOk = sizeField(record) >= entry->minSize;
      break;
    case BlockRule::Text:
    case BlockRule::Unchecked:
      break;
  }

  if (entry->rule == BlockRule::Compare && sizeOk) {
    // Only the flag at 72 changes; a wrong head compares against an all-zero block. The length
    // is bounded so the compare stays inside both 80-byte blocks.
    constexpr std::size_t kData = 8, kFlag = 72, kBlock = 80;
    qor::MutBytes rec{out, kBlock};
    std::uint8_t theirs[kBlock] = {};
    if (headOk) std::memcpy(theirs, block.data(), kBlock);
    std::uint32_t length = qor::getU32(rec, 4);
    qor::putU32(rec, kFlag, 0);
    bool same = length > 0 && length <= kBlock - kData && length == qor::getU32(theirs, 4) &&
                std::memcmp(out + kData, theirs + kData, length) == 0;
    qor::putU32(rec, kFlag, same ? 1 : 0);
  }

  if (!headOk) return QORSDK_CONFIG_WRONG_HEAD;
  if (!sizeOk) return QORSDK_CONFIG_BAD_TYPE;

  switch (entry->rule) {
    case BlockRule::Exact:
    case BlockRule::Unchecked:
      std::memcpy(out, block.data(), entry->block);
      break;
    case BlockRule::UpToSize:
      std::memcpy(out, block.data(), std::min<std::size_t>(block.size(), sizeField(record)));
      break;
    case BlockRule::Text: {
      // The answer is bounded by the caller's buffer, never by what the board sends.
      const char* text = reinterpret_cast<const char*>(block.data());
      std::size_t length =
          strnlen(text, std::min<std::size_t>(block.size(), QORSDK_TEXT_BUFFER_SIZE - 1));
      std::memcpy(out, text, length);
      out[length] = 0;
      break;
    }
    case BlockRule::Compare:
      break;
  }
  return QORSDK_CONFIG_OK;
}

namespace {

// Resolves the address text: 0 when it is missing, not a dotted quad, or 0.0.0.0.
std::uint32_t boardAddress(const char* address) {
  std::uint32_t value = 0;
  if (!address || !qor::parseIp(address, value)) return 0;
  return value;
}

// One connection: connect, send, and for a read receive at least `minimum` bytes into reply.
// Each step has its own limit (connect, send, receive), so a call ends within their sum
// whatever the board does; a board that drips its reply gets 15 when the receive limit passes.
std::int32_t exchange(std::uint32_t address, std::uint16_t port,
                      const std::vector<std::uint8_t>& command, std::size_t minimum,
                      std::vector<std::uint8_t>* reply) {
  using std::chrono::milliseconds;
  TcpSocket socket;
  if (!socket.valid()) return QORSDK_CONFIG_NO_SOCKET;
  switch (socket.connectBy(address, port, Clock::now() + milliseconds(kConnectWaitMs))) {
    case ConnectOutcome::Refused:
      return QORSDK_CONFIG_CONNECT;
    case ConnectOutcome::ModeFailed:
      return QORSDK_CONFIG_SOCKET_MODE;
    case ConnectOutcome::Unfinished:
      return QORSDK_CONFIG_TRANSFER;
    case ConnectOutcome::Connected:
      break;
  }
  if (!socket.makeBlocking(kTransferTimeoutMs)) return QORSDK_CONFIG_SOCKET_MODE;
  if (!socket.sendAll(command.data(), command.size(),
                      Clock::now() + milliseconds(kTransferTimeoutMs)))
    return QORSDK_CONFIG_TRANSFER;
  if (!reply) return QORSDK_CONFIG_OK;

  const auto receiveBy = Clock::now() + milliseconds(kTransferTimeoutMs);
  reply->resize(kReceiveBufferSize);
  std::size_t got = 0;
  // TCP may split a long block; keep reading until the type's minimum has arrived.
  do {
    long more = socket.receive(reply->data() + got, reply->size() - got, receiveBy);
    if (more < 0) return QORSDK_CONFIG_TRANSFER;
    if (more == 0) break;
    got += static_cast<std::size_t>(more);
  } while (got < minimum && got < reply->size());
  reply->resize(got);
  return got == 0 || got < minimum ? QORSDK_CONFIG_SHORT_REPLY : QORSDK_CONFIG_OK;
}

}  // namespace
}  // namespace qorsdk

extern "C" {

QORSDK_API int32_t QORSDK_CALL DEVICE_SetConfig(const char* address, int32_t type,
                                                const void* record) {
  qorsdk::ensureSocketLibrary();
  std::uint32_t board = qorsdk::boardAddress(address);
  if (board == 0) return QORSDK_CONFIG_BAD_ADDRESS;
  try {
    auto entry = qorsdk::writeType(type);
    auto command = qorsdk::writeCommand(type, record);
    if (!entry || !command) return QORSDK_CONFIG_BAD_TYPE;
    return qorsdk::exchange(board, entry->port, *command, 0, nullptr);
  } catch (const std::bad_alloc&) {
    return QORSDK_CONFIG_NO_SOCKET;  // out of memory: no resources for the exchange
  }
}

QORSDK_API int32_t QORSDK_CALL DEVICE_GetConfig(const char* address, int32_t type, void* record) {
  qorsdk::ensureSocketLibrary();
  std::uint32_t board = qorsdk::boardAddress(address);
  if (board == 0) return QORSDK_CONFIG_BAD_ADDRESS;
  try {
    auto entry = qorsdk::readType(type);
    auto request = qorsdk::readRequest(type, record);
    if (!entry || !request) return QORSDK_CONFIG_BAD_TYPE;
    std::vector<std::uint8_t> reply;
    std::int32_t result =
        qorsdk::exchange(board, qor::kConfigPort, *request, qorsdk::minimumReply(*entry), &reply);
    if (result != QORSDK_CONFIG_OK) return result;
    return qorsdk::storeReply(type, reply, record);
  } catch (const std::bad_alloc&) {
    return QORSDK_CONFIG_NO_SOCKET;
  }
}

}  // extern "C"
