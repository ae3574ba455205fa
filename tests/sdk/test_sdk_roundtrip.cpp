// The C program linked only against libqorsdk.so reads a simulated board's status block, changes
// its video bit rate and reads it back.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "qorsim.h"

TEST(SdkRoundtrip, CProgramChangesTheVideoBitRate) {
  auto sim = qorsim::Simulator::generated(1);
  sim.start();
  const std::string board = sim.addresses().at(0);
  auto bitRate = [&] {
    int rate = 0;
    sim.withBoard(0, [&](qorsim::BoardState& b) { rate = b.status[146] | b.status[147] << 8; });
    return rate;
  };
  const int before = bitRate();
  std::string command = std::string(std::getenv("TAVMON_BIN")) + "/qorsdk_roundtrip " + board;
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(bitRate(), before == 2000 ? 3000 : 2000);
}
