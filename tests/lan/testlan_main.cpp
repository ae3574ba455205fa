// gtest main for tests that need the LAN: enters it before any thread exists.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "testlan.h"

int main(int argc, char** argv) {
  testlan::Options options;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--second-adapter") == 0) options.secondAdapter = true;
  if (std::getenv("TAVMON_SECOND_ADAPTER")) options.secondAdapter = true;
  try {
    testlan::enter(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
