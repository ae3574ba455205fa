#include <gtest/gtest.h>
TEST(UpgradeLan, Placeholder) {}
