// The discovery's answer rules without sockets: the address list's fit rule, block filling and
// the result of odd answers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery_answers.h"
#include "qorsdk.h"
#include "wire.h"

namespace {

std::vector<std::uint8_t> answer(std::uint8_t command, std::size_t size, std::uint8_t fill = 0) {
  std::vector<std::uint8_t> d(size, fill);
  qor::putHead(d, command);
  return d;
}

}  // namespace

TEST(SdkDiscoveryAnswers, TheListTakesAnAddressOnlyWhenAllOfItFits) {
  // "10.0.0.1;" is 9 characters: with its NUL a 10-byte buffer holds it, a 9-byte one does not.
  for (auto [length, expected] : {std::pair<std::size_t, std::string>{10, "10.0.0.1;"},
                                  {9, ""},
                                  {19, "10.0.0.2;10.0.0.1;"},
                                  {18, "10.0.0.1;"}}) {
    std::vector<char> text(length, 0);
    qorsdk::DiscoveryState state;
    state.text = text.data();
    state.textLength = length;
    qorsdk::takeAnswer(state, answer(0xE1, 4), qor::ipFromOctets(10, 0, 0, 1));
    qorsdk::takeAnswer(state, answer(0xE1, 4), qor::ipFromOctets(10, 0, 0, 2));
    EXPECT_EQ(std::string(text.data()), expected) << length;
    EXPECT_EQ(state.count, 2);
    EXPECT_EQ(state.result, 0);
  }
}

TEST(SdkDiscoveryAnswers, BlocksResultsAndNoise) {
  std::vector<char> text(64, 0);
  std::vector<std::uint8_t> blocks(450, 0xAA);
  qorsdk::DiscoveryState state;
  state.text = text.data();
  state.textLength = text.size();
  state.blocks = blocks.data();
  state.blockLength = blocks.size();
  const std::uint32_t a = qor::ipFromOctets(10, 0, 0, 1);
  qorsdk::takeAnswer(state, answer(0xE6, 204, 1), a);
  qorsdk::takeAnswer(state, answer(0xE6, 300, 2), a);  // longer than a block: 200 bytes taken
  qorsdk::takeAnswer(state, answer(0xE6, 204, 3), a);  // 50 bytes free: listed, not stored
  EXPECT_EQ(state.blockUsed, 400u);
  EXPECT_EQ(blocks[199], 1);
  EXPECT_EQ(blocks[399], 2);
  EXPECT_EQ(blocks[400], 0xAA);
  EXPECT_EQ(state.result, 0);
  EXPECT_EQ(state.count, 3);

  qorsdk::takeAnswer(state, {}, a);                  // empty
  qorsdk::takeAnswer(state, answer(0xE1, 4, 0), a);  // counted
  std::vector<std::uint8_t> noMagic{'Q', 'O', 'R', 0xE1};
  qorsdk::takeAnswer(state, noMagic, a);  // ignored
  EXPECT_EQ(state.count, 4);
  EXPECT_EQ(state.result, 0);
  qorsdk::takeAnswer(state, answer(0xE5, 4), a);  // a question: unknown as an answer
  EXPECT_EQ(state.result, QORSDK_DISCOVERY_BAD_ANSWER);
  EXPECT_EQ(state.count, 4);
  qorsdk::takeAnswer(state, answer(0xE1, 4), a);  // 35 stays
  EXPECT_EQ(state.result, QORSDK_DISCOVERY_BAD_ANSWER);
}
