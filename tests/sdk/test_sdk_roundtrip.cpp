// The C program linked only against libqorsdk.so reads a board's status block, changes its
// video bit rate and reads it back.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "raw_board.h"

using sdktest::Bytes;

namespace {

int runRoundtrip(const std::string& board) {
  std::string command = std::string(std::getenv("TAVMON_BIN")) + "/qorsdk_roundtrip " + board;
  return std::system(command.c_str());
}

}  // namespace

// A minimal board: answers the status read and applies video encoding writes to its block.
TEST(SdkRoundtrip, AgainstARawBoard) {
  std::mutex lock;
  Bytes status(200, 0);
  status[0] = 200;
  status[136] = 28;
  status[146] = 0xD0;  // 2000 kbit/s
  status[147] = 0x07;
  sdktest::RawBoard board(
      "10.77.0.51", {4010},
      [&](const Bytes& request) -> std::optional<Bytes> {
        if (request.size() == 4 && request[3] == 0xE5) {
          std::lock_guard guard(lock);
          return sdktest::packet(0xE6, status);
        }
        return std::nullopt;
      },
      [&](const Bytes& request) {
        if (request.size() == 32 && request[3] == 0x16) {
          std::lock_guard guard(lock);
          std::memcpy(status.data() + 136, request.data() + 4, 28);
        }
      });
  EXPECT_EQ(runRoundtrip("10.77.0.51"), 0);
  std::lock_guard guard(lock);
  EXPECT_EQ(status[146] | status[147] << 8, 3000);
}
