// tavctl's detection commands refuse bad arguments before any packet leaves.

#include <gtest/gtest.h>

#include <sstream>

#include "commands.h"

namespace ctl = tav::ctl;

TEST(DetectCommands, BadArgumentsExitWith2) {
  std::ostringstream out, err;
  ctl::DetectOptions none;
  EXPECT_EQ(ctl::Detect(none, out, err), ctl::kExitBadArguments) << "neither ADDR nor --all";
  ctl::DetectOptions both;
  both.all = true;
  both.addresses = {"10.77.0.11"};
  EXPECT_EQ(ctl::Detect(both, out, err), ctl::kExitBadArguments);
  ctl::DetectOptions seconds;
  seconds.addresses = {"10.77.0.11"};
  seconds.seconds = 0;
  EXPECT_EQ(ctl::Detect(seconds, out, err), ctl::kExitBadArguments);
  ctl::DetectOptions address;
  address.addresses = {"10.77.0"};
  EXPECT_EQ(ctl::Detect(address, out, err), ctl::kExitBadArguments);
  address.addresses = {"255.255.255.255"};
  EXPECT_EQ(ctl::Detect(address, out, err), ctl::kExitBadArguments);

  ctl::SourcesOptions sources;
  sources.address = "nowhere";
  EXPECT_EQ(ctl::Sources(sources, out, err), ctl::kExitBadArguments);
  ctl::DiagnoseOptions diagnose;
  diagnose.waitMs = -1;
  EXPECT_EQ(ctl::Diagnose(diagnose, out, err), ctl::kExitBadArguments);
  diagnose.waitMs = 100;
  diagnose.adapter = "10.1.2.300";
  EXPECT_EQ(ctl::Diagnose(diagnose, out, err), ctl::kExitBadArguments);
  EXPECT_TRUE(out.str().empty());
}
