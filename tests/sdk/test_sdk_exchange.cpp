// DEVICE_GetConfig / DEVICE_SetConfig against raw peers on the boards' side of the test LAN:
// byte-exact commands, every read type's reply rules, and every result code provoked.

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "board_peer.h"
#include "qorsdk.h"

using tav::test::BoardPeer;
using tav::test::Bytes;
using tav::test::Packet;

namespace {

constexpr const char* kBoard = "10.77.0.50";

// Fails the send/receive time-out options of sockets made on the calling thread.
thread_local bool gFailTimeouts = false;

Bytes pattern(std::size_t size, std::uint32_t sizeField, std::uint8_t seed = 1) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7);
  if (size >= 4) std::memcpy(b.data(), &sizeField, 4);
  return b;
}

double secondsOf(const std::function<void()>& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A board whose next reply the test sets before each call.
struct ScriptedBoard {
  std::mutex lock;
  std::optional<Bytes> reply;
  BoardPeer board{kBoard, {4010}, [this](const Bytes&) {
                    std::lock_guard guard(lock);
                    return reply;
                  }};
  void answer(std::optional<Bytes> r) {
    std::lock_guard guard(lock);
    reply = std::move(r);
  }
};

}  // namespace

extern "C" int setsockopt(int fd, int level, int name, const void* value,
                          socklen_t length) noexcept {
  using Real = int (*)(int, int, int, const void*, socklen_t);
  static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "setsockopt"));
  if (gFailTimeouts && level == SOL_SOCKET && (name == SO_SNDTIMEO || name == SO_RCVTIMEO)) {
    errno = EINVAL;
    return -1;
  }
  return real(fd, level, name, value, length);
}

TEST(SdkWrite, EachTypeSendsItsCommandAndPayloadToItsPort) {
  struct Case {
    int type;
    std::uint8_t command;
    std::size_t payload;
    std::uint16_t port;
  };
  const Case cases[] = {{0, 0xE4, 88, 4010},    {1, 0x16, 28, 4010},  {2, 0x26, 16, 4010},
                        {3, 0x12, 0, 4010},     {4, 0x13, 0, 4010},   {5, 0x22, 0, 4010},
                        {6, 0x23, 0, 4010},     {7, 0xED, 16, 4010},  {8, 0xED, 16, 4010},
                        {9, 0xEE, 12, 4010},    {10, 0xEF, 8, 4010},  {13, 0xE7, 0, 8060},
                        {14, 0xFA, 1052, 8067}, {15, 0xFB, 16, 4010}, {16, 0xFC, 80, 4010},
                        {17, 0x20, 36, 4010},   {18, 0x53, 76, 4010}};
  BoardPeer board(kBoard, {4010, 8060, 8067});
  std::size_t sent = 0;
  for (const Case& c : cases) {
    Bytes record = pattern(2048, static_cast<std::uint32_t>(c.payload));
    ASSERT_EQ(DEVICE_SetConfig(kBoard, c.type, record.data()), QORSDK_CONFIG_OK) << c.type;
    auto got = board.received(++sent);
    ASSERT_EQ(got.size(), sent);
    Bytes expected = Packet(c.command, Bytes(record.begin(), record.begin() + c.payload));
    EXPECT_EQ(got.back().bytes, expected) << "type " << c.type;
    EXPECT_EQ(got.back().port, c.port) << "type " << c.type;
  }
}

TEST(SdkWrite, SpecialPayloads) {
  BoardPeer board(kBoard, {4010});
  std::size_t sent = 0;
  auto sendOf = [&](int type, const void* record) {
    EXPECT_EQ(DEVICE_SetConfig(kBoard, type, record), QORSDK_CONFIG_OK);
    return board.received(++sent).back().bytes;
  };
  // Transport: 228 bytes when the stream-access block is marked or the size says so, else 28.
  QORSDK_TRANSPORT transport{};
  transport.size = 28;
  transport.encoderPort = 1234;
  EXPECT_EQ(sendOf(11, &transport).size(), 4u + 28);
  transport.access.size = 200;
  std::strcpy(transport.access.url, "rtsp://x");
  Bytes full = sendOf(11, &transport);
  ASSERT_EQ(full.size(), 4u + 228);
  EXPECT_EQ(std::memcmp(full.data() + 4, &transport, 228), 0);
  transport.access.size = 0;
  transport.size = 29;
  EXPECT_EQ(sendOf(11, &transport).size(), 4u + 228);

  // Restart ignores the record, null or not.
  Bytes restart = Packet(0xE8, {12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  Bytes junk = pattern(64, 0xFFFFFFFF);
  EXPECT_EQ(sendOf(12, junk.data()), restart);
  EXPECT_EQ(sendOf(12, nullptr), restart);

  // A null record sends the head alone; a text command its text and NUL.
  EXPECT_EQ(sendOf(1, nullptr), Packet(0x16));
  EXPECT_EQ(sendOf(19, "lockedid:;"),
            Packet(0x50, Bytes{'l', 'o', 'c', 'k', 'e', 'd', 'i', 'd', ':', ';', 0}));

  // Nothing is sent for an unknown type or a text the boards cannot take.
  std::string tooLong(QORSDK_TEXT_COMMAND_MAX + 1, 'x');
  EXPECT_EQ(DEVICE_SetConfig(kBoard, 20, junk.data()), QORSDK_CONFIG_BAD_TYPE);
  EXPECT_EQ(DEVICE_SetConfig(kBoard, -1, junk.data()), QORSDK_CONFIG_BAD_TYPE);
  EXPECT_EQ(DEVICE_SetConfig(kBoard, 19, tooLong.c_str()), QORSDK_CONFIG_BAD_TYPE);
  EXPECT_EQ(board.received(sent + 1).size(), sent);
}

// Fixed-block reads: exact minimum stores the block; one byte short 13; another type's reply
// command 14; a wrong size field 1 after the exchange. Only success changes the record.
TEST(SdkRead, FixedBlocksFollowTheirReplyRules) {
  struct Case {
    int type;
    std::uint8_t request, reply;
    std::size_t block;
    bool sizeChecked;
  };
  const Case cases[] = {{256, 0xE5, 0xE6, 200, true},  {257, 0xFD, 0xFE, 80, true},
                        {259, 0xC3, 0xC4, 1052, true}, {260, 0xC5, 0xC6, 80, true},
                        {261, 0xFF, 0xFF, 200, true},  {262, 0xCC, 0xCD, 4084, true},
                        {263, 0x54, 0x55, 76, true},   {264, 0x56, 0x57, 8040, true},
                        {265, 0x58, 0x59, 68, true},   {269, 0xC7, 0xC8, 388, false}};
  ScriptedBoard board;
  std::size_t asked = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    const Bytes block = pattern(c.block, 0xABCD0000u + c.block, 3);
    const Bytes before = pattern(c.block, static_cast<std::uint32_t>(c.block), 9);
    Bytes record = before;
    auto read = [&](const Bytes& reply) {
      board.answer(reply);
      std::int32_t result = DEVICE_GetConfig(kBoard, c.type, record.data());
      auto got = board.board.received(++asked);
      EXPECT_EQ(got.back().bytes, Packet(c.request));
      return result;
    };
    EXPECT_EQ(read(Packet(c.reply ^ 0x01, block)), QORSDK_CONFIG_WRONG_HEAD);
    EXPECT_EQ(record, before);
    EXPECT_EQ(read(Packet(c.reply, Bytes(block.begin(), block.end() - 1))),
              QORSDK_CONFIG_SHORT_REPLY);
    EXPECT_EQ(record, before);
    if (c.sizeChecked) {
      std::uint32_t wrong = static_cast<std::uint32_t>(c.block - 1);
      std::memcpy(record.data(), &wrong, 4);
      EXPECT_EQ(read(Packet(c.reply, block)), QORSDK_CONFIG_BAD_TYPE);
      EXPECT_EQ(std::memcmp(record.data() + 4, before.data() + 4, c.block - 4), 0);
      // A wrong head overrides a wrong size field.
      EXPECT_EQ(read(Packet(c.reply ^ 0x01, block)), QORSDK_CONFIG_WRONG_HEAD);
      record = before;
    }
    EXPECT_EQ(read(Packet(c.reply, block)), QORSDK_CONFIG_OK);
    EXPECT_EQ(record, block);
  }
}

TEST(SdkRead, VariableBlocksStoreUpToTheSizeField) {
  ScriptedBoard board;
  Bytes record(64, 0xEE);
  auto setSize = [&](std::uint32_t size) { std::memcpy(record.data(), &size, 4); };
  Bytes block = pattern(26, 26, 5);
  board.answer(Packet(0x5B, block));
  setSize(19);
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 266, record.data()), QORSDK_CONFIG_BAD_TYPE);
  EXPECT_EQ(board.board.received(1).size(), 1u);  // refused after the exchange
  EXPECT_TRUE(std::all_of(record.begin() + 4, record.end(), [](auto b) { return b == 0xEE; }));
  setSize(64);
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 266, record.data()), QORSDK_CONFIG_OK);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), record.begin()));
  EXPECT_TRUE(std::all_of(record.begin() + 26, record.end(), [](auto b) { return b == 0xEE; }));

  // Type 267 with a 32-byte record and a longer reply stores 32 bytes only.
  Bytes small(40, 0xEE);
  std::uint32_t size = 32;
  std::memcpy(small.data(), &size, 4);
  board.answer(Packet(0x5D, pattern(60, 60, 7)));
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 267, small.data()), QORSDK_CONFIG_OK);
  EXPECT_TRUE(std::all_of(small.begin() + 32, small.end(), [](auto b) { return b == 0xEE; }));
  board.answer(Packet(0x5D, pattern(31, 31)));
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 267, small.data()), QORSDK_CONFIG_SHORT_REPLY);
}

TEST(SdkRead, CompareSetsOnlyTheFlag) {
  ScriptedBoard board;
  Bytes record(80, 0);
  std::uint32_t size = 80, length = 5;
  std::memcpy(record.data(), &size, 4);
  std::memcpy(record.data() + 4, &length, 4);
  std::memcpy(record.data() + 8, "hello", 5);
  record[72] = 7;
  const Bytes asked = record;
  auto flag = [&] { return record[72]; };

  Bytes same = record;
  same[72] = 0;
  board.answer(Packet(0xFE, same));
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 258, record.data()), QORSDK_CONFIG_OK);
  EXPECT_EQ(flag(), 1);
  EXPECT_TRUE(std::equal(asked.begin(), asked.begin() + 72, record.begin()));
  Bytes other = same;
  other[9] = 'X';
  board.answer(Packet(0xFE, other));
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 258, record.data()), QORSDK_CONFIG_OK);
  EXPECT_EQ(flag(), 0);
  record[72] = 1;
  board.answer(Packet(0xFD, same));
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 258, record.data()), QORSDK_CONFIG_WRONG_HEAD);
  EXPECT_EQ(flag(), 0);
}

TEST(SdkRead, TextAnswerNeverPassesTheCallerBuffer) {
  ScriptedBoard board;
  std::vector<char> buffer(QORSDK_TEXT_BUFFER_SIZE + 256, '#');
  std::strcpy(buffer.data(), "getedidlock;");
  board.answer(Packet(0x52, Bytes{'s', 'e', 'n', 'd', 0, 'z', 'z'}));
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 268, buffer.data()), QORSDK_CONFIG_OK);
  EXPECT_EQ(board.board.received(1).back().bytes,
            Packet(0x51, Bytes{'g', 'e', 't', 'e', 'd', 'i', 'd', 'l', 'o', 'c', 'k', ';', 0}));
  EXPECT_STREQ(buffer.data(), "send");

  // A board answering 10,000 characters: the text is cut inside the 2 KiB buffer.
  std::strcpy(buffer.data(), "getedidinfo;");
  board.answer(Packet(0x52, Bytes(10000, 'A')));
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 268, buffer.data()), QORSDK_CONFIG_OK);
  std::size_t length = strnlen(buffer.data(), QORSDK_TEXT_BUFFER_SIZE);
  EXPECT_LT(length, std::size_t{QORSDK_TEXT_BUFFER_SIZE});
  EXPECT_GT(length, 0u);
  EXPECT_TRUE(
      std::all_of(buffer.begin(), buffer.begin() + length, [](char c) { return c == 'A'; }));
  EXPECT_TRUE(std::all_of(buffer.begin() + QORSDK_TEXT_BUFFER_SIZE, buffer.end(),
                          [](char c) { return c == '#'; }));

  std::strcpy(buffer.data(), "getunique:SN=;ID=;");
  board.answer(Packet(0x52, Bytes{'x'}));
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 268, buffer.data()), QORSDK_CONFIG_SHORT_REPLY);
  std::string tooLong(QORSDK_TEXT_COMMAND_MAX + 1, 'x');
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 268, tooLong.data()), QORSDK_CONFIG_BAD_TYPE);
  EXPECT_EQ(board.board.received(3).size(), 3u);
}

TEST(SdkFailure, ArgumentsAreCheckedBeforeAnyConnection) {
  std::uint8_t record[200] = {200};
  for (const char* address :
       {static_cast<const char*>(nullptr), "0.0.0.0", "10.77.0", "board", ""}) {
    EXPECT_EQ(DEVICE_GetConfig(address, 256, record), QORSDK_CONFIG_BAD_ADDRESS);
    EXPECT_EQ(DEVICE_SetConfig(address, 1, record), QORSDK_CONFIG_BAD_ADDRESS);
  }
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 270, record), QORSDK_CONFIG_BAD_TYPE);
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 255, record), QORSDK_CONFIG_BAD_TYPE);
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 256, nullptr), QORSDK_CONFIG_BAD_TYPE);
  EXPECT_EQ(CLIENT_GetDeviceConfig(nullptr, 256, record), QORSDK_CONFIG_NO_HANDLE);
  EXPECT_EQ(CLIENT_SetDeviceConfig(nullptr, 1, record), QORSDK_CONFIG_NO_HANDLE);
}

TEST(SdkFailure, SocketStepsReportTheirOwnCodes) {
  std::uint8_t record[200] = {200};
  // No descriptor left for a socket.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
  int lowestFree = open("/dev/null", O_RDONLY);
  close(lowestFree);
  rlimit none{static_cast<rlim_t>(lowestFree), old.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
  std::int32_t noSocket = DEVICE_GetConfig(kBoard, 256, record);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &old), 0);
  EXPECT_EQ(noSocket, QORSDK_CONFIG_NO_SOCKET);

  // TCP cannot connect to a multicast address: refused at once, nothing sent.
  EXPECT_EQ(DEVICE_GetConfig("224.0.0.1", 256, record), QORSDK_CONFIG_CONNECT);

  ScriptedBoard board;
  board.answer(Packet(0xE6, Bytes(200)));
  gFailTimeouts = true;
  EXPECT_EQ(DEVICE_SetConfig(kBoard, 12, nullptr), QORSDK_CONFIG_SOCKET_MODE);
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 256, record), QORSDK_CONFIG_SOCKET_MODE);
  gFailTimeouts = false;

  // The board closes without a word; then it refuses (nothing listens on 8060), which Linux
  // reports only through the socket error after the connect wait.
  board.answer(Bytes{});
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 256, record), QORSDK_CONFIG_SHORT_REPLY);
  double waited =
      secondsOf([&] { EXPECT_EQ(DEVICE_SetConfig(kBoard, 13, nullptr), QORSDK_CONFIG_CONNECT); });
  EXPECT_LT(waited, 0.5);
}

TEST(SdkDeadline, ADrippingBoardCannotHoldARead) {
  ScriptedBoard board;
  Bytes block = pattern(200, 200, 9);
  board.answer(Packet(0xE6, block));
  Bytes record(200, 0);
  record[0] = 200;
  // A byte every 0.1 s would take 20.4 s: the receive limit ends the call.
  board.board.drip(std::chrono::milliseconds(100));
  double waited = secondsOf(
      [&] { EXPECT_EQ(DEVICE_GetConfig(kBoard, 256, record.data()), QORSDK_CONFIG_TRANSFER); });
  EXPECT_GT(waited, 1.4);
  EXPECT_LT(waited, 2.2);
  EXPECT_EQ(record[1], 0);  // nothing stored
  // The same reply in many small segments within the limit is read whole.
  board.board.drip(std::chrono::milliseconds(1));
  EXPECT_EQ(DEVICE_GetConfig(kBoard, 256, record.data()), QORSDK_CONFIG_OK);
  EXPECT_EQ(record, block);
}

TEST(SdkWrite, TransportNeverReadsPastItsSizeField) {
  BoardPeer board(kBoard, {4010});
  std::size_t sent = 0;
  // Exactly as long as the size field says, so a read past it is caught by the sanitizer.
  auto sendOf = [&](std::uint32_t size) {
    std::vector<std::uint8_t> record(std::max<std::uint32_t>(size, 4));
    for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(i + 1);
    std::memcpy(record.data(), &size, 4);
    EXPECT_EQ(DEVICE_SetConfig(kBoard, 11, record.data()), QORSDK_CONFIG_OK);
    Bytes got = board.received(++sent).back().bytes;
    Bytes expected(4 + (size > 28 ? 228 : 28), 0);
    std::copy(record.begin(), record.begin() + std::min<std::size_t>(size, expected.size() - 4),
              expected.begin() + 4);
    std::copy_n(Packet(0xEC).begin(), 4, expected.begin());
    return std::pair{got, expected};
  };
  for (std::uint32_t size : {4u, 20u, 29u, 100u, 228u}) {
    auto [got, expected] = sendOf(size);
    EXPECT_EQ(got, expected) << "size field " << size;
  }
}

TEST(SdkFailure, SilentBoardsTimeOut) {
  std::uint8_t record[200] = {200};
  ScriptedBoard board;
  board.answer(std::nullopt);
  double waited =
      secondsOf([&] { EXPECT_EQ(DEVICE_GetConfig(kBoard, 256, record), QORSDK_CONFIG_TRANSFER); });
  EXPECT_GT(waited, 1.4);
  EXPECT_LT(waited, 2.6);
  // No host answers at this address: the 2 s connect wait, then the send fails.
  waited = secondsOf(
      [&] { EXPECT_EQ(DEVICE_SetConfig("10.77.0.99", 1, nullptr), QORSDK_CONFIG_TRANSFER); });
  EXPECT_GT(waited, 1.9);
  EXPECT_LT(waited, 6.0);
}

TEST(SdkClientConfig, UsesTheHandlesDeviceAddress) {
  ScriptedBoard board;
  Bytes block = pattern(200, 200, 4);
  board.answer(Packet(0xE6, block));
  QORSDK_CREATE create{};
  create.size = sizeof create;
  create.source.size = sizeof create.source;
  create.source.mode = 1;
  create.source.address = kBoard;
  QORSDK_HANDLE handle = CLIENT_Create(&create);
  ASSERT_NE(handle, nullptr);
  Bytes record(200, 0);
  record[0] = 200;
  EXPECT_EQ(CLIENT_GetDeviceConfig(handle, 256, record.data()), QORSDK_CONFIG_OK);
  EXPECT_EQ(record, block);
  EXPECT_EQ(CLIENT_SetDeviceConfig(handle, 12, nullptr), QORSDK_CONFIG_OK);
  EXPECT_EQ(CLIENT_Dump(handle), 0);
  EXPECT_EQ(CLIENT_GetDeviceConfig(handle, 256, record.data()), QORSDK_CONFIG_NO_HANDLE);
}
