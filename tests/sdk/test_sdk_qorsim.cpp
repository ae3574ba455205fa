// The library against simulated boards: every read type, the compare and text reads, writes
// applied, and a misbehaving board's faults mapped to their result codes.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "qorsdk.h"
#include "qorsim.h"

namespace {

std::vector<std::uint8_t> sized(std::uint32_t size) {
  std::vector<std::uint8_t> record(std::max<std::uint32_t>(size, 4), 0);
  std::memcpy(record.data(), &size, 4);
  return record;
}

}  // namespace

TEST(SdkQorsim, ReadsWritesAndFaults) {
  auto sim = qorsim::Simulator::generated(1);
  sim.start();
  const std::string board = sim.addresses().at(0);
  const char* address = board.c_str();

  for (auto [type, size] : {std::pair{256, 200},
                            {257, 80},
                            {259, 1052},
                            {260, 80},
                            {261, 200},
                            {262, 4084},
                            {263, 76},
                            {264, 8040},
                            {265, 68},
                            {266, 64},
                            {267, 64},
                            {269, 388}}) {
    auto record = sized(static_cast<std::uint32_t>(size));
    EXPECT_EQ(DEVICE_GetConfig(address, type, record.data()), QORSDK_CONFIG_OK) << type;
  }

  // Compare against the board's key block: the same key matches, another does not.
  auto key = sized(80);
  ASSERT_EQ(DEVICE_GetConfig(address, 257, key.data()), QORSDK_CONFIG_OK);
  key[72] = 0;
  EXPECT_EQ(DEVICE_GetConfig(address, 258, key.data()), QORSDK_CONFIG_OK);
  EXPECT_EQ(key[72], 1);
  key[8] ^= 0x20;
  EXPECT_EQ(DEVICE_GetConfig(address, 258, key.data()), QORSDK_CONFIG_OK);
  EXPECT_EQ(key[72], 0);

  char text[QORSDK_TEXT_BUFFER_SIZE] = "getunique:SN=;ID=;";
  EXPECT_EQ(DEVICE_GetConfig(address, 268, text), QORSDK_CONFIG_OK);
  EXPECT_EQ(std::string(text).rfind("sendunique:", 0), 0u) << text;

  QORSDK_VOLUME volume{sizeof volume, 1, 37};
  ASSERT_EQ(DEVICE_SetConfig(address, QORSDK_SET_VOLUME, &volume), QORSDK_CONFIG_OK);
  EXPECT_TRUE(sim.waitForJournal(
      [](const qorsim::JournalEntry& e) { return e.bytes.size() == 12 && e.bytes[3] == 0xEF; }));
  auto status = sized(200);
  ASSERT_EQ(DEVICE_GetConfig(address, 256, status.data()), QORSDK_CONFIG_OK);
  EXPECT_EQ(status[QORSDK_STATUS_VOLUME_OFFSET + 6], 37);

  struct Case {
    qorsim::Faults faults;
    std::int32_t result;
  };
  qorsim::Faults cut, wrong, refused;
  cut.cutReply = 1;
  wrong.wrongHead = true;
  refused.refuseTcp = true;
  for (const Case& c : {Case{cut, QORSDK_CONFIG_SHORT_REPLY}, Case{wrong, QORSDK_CONFIG_WRONG_HEAD},
                        Case{refused, QORSDK_CONFIG_CONNECT}}) {
    sim.setFaults(board, c.faults);
    auto record = sized(200);
    EXPECT_EQ(DEVICE_GetConfig(address, 256, record.data()), c.result);
    EXPECT_EQ(record, sized(200));
  }
}
