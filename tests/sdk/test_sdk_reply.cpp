// Reply checks without sockets: bounds that must hold whatever a board sends.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "config_exchange.h"
#include "qorsdk.h"

namespace {
std::vector<std::uint8_t> reply(std::uint8_t command, std::vector<std::uint8_t> payload) {
  payload.insert(payload.begin(), {'q', 'o', 'r', command});
  return payload;
}
}  // namespace

TEST(SdkReply, TextAnswerIsCutAtTheBufferSize) {
  std::vector<char> buffer(QORSDK_TEXT_BUFFER_SIZE + 64, '#');
  auto answer = reply(0x52, std::vector<std::uint8_t>(10000, 'A'));
  EXPECT_EQ(qorsdk::storeReply(268, answer, buffer.data()), QORSDK_CONFIG_OK);
  EXPECT_EQ(std::strlen(buffer.data()), std::size_t{QORSDK_TEXT_BUFFER_SIZE - 1});
  EXPECT_TRUE(std::all_of(buffer.begin() + QORSDK_TEXT_BUFFER_SIZE, buffer.end(),
                          [](char c) { return c == '#'; }));
  // Without a NUL the text ends with the received bytes.
  EXPECT_EQ(qorsdk::storeReply(268, reply(0x52, {'o', 'k'}), buffer.data()), QORSDK_CONFIG_OK);
  EXPECT_STREQ(buffer.data(), "ok");
}

TEST(SdkReply, CompareLengthBeyondTheBlockNeverMatches) {
  // An 80-byte record claiming 200 compared bytes: no read past either block (ASan watches).
  auto record = std::make_unique<std::uint8_t[]>(80);
  std::memset(record.get(), 0, 80);
  std::uint32_t size = 80, length = 200;
  std::memcpy(record.get(), &size, 4);
  std::memcpy(record.get() + 4, &length, 4);
  std::vector<std::uint8_t> block(record.get(), record.get() + 80);
  record[72] = 9;
  EXPECT_EQ(qorsdk::storeReply(258, reply(0xFE, block), record.get()), QORSDK_CONFIG_OK);
  EXPECT_EQ(record[72], 0);
}
