// The library's discovery answers, as any host on the LAN may send them to the answer port:
// what they do to the caller's address list and block buffer. Nothing is written outside
// either buffer, the list stays a NUL-terminated run of "a.b.c.d;" entries, blocks are whole
// 200-byte copies, and the count and result follow the datagrams.
//
// Input: [text length, 1 byte] [block length, 2 bytes LE, % 1024] [mode 2 when odd], then
// datagrams, each [length, 2 bytes LE] [sender, 4 bytes] [bytes].

#include <algorithm>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "discovery_answers.h"
#include "fuzz_check.h"
#include "le_bytes.h"
#include "qorsdk.h"

namespace {

constexpr std::size_t kGuard = 16;
constexpr std::uint8_t kGuardByte = 0xA5;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const qor::Bytes input(data, size);
  const std::size_t textLength = std::max<std::size_t>(1, input[0]);
  const std::size_t blockLength = qor::getU16(input, 1) % 1024;
  const bool longMode = input[3] & 1;

  // Each buffer with guard bytes after it; the text zeroed as the discovery does.
  std::vector<char> text(textLength + kGuard, static_cast<char>(kGuardByte));
  std::fill_n(text.begin(), textLength, 0);
  std::vector<std::uint8_t> blocks(blockLength + kGuard, kGuardByte);
  qorsdk::DiscoveryState state;
  state.text = text.data();
  state.textLength = textLength;
  if (longMode) {
    state.blocks = blocks.data();
    state.blockLength = blockLength;
  }

  std::int32_t expectedCount = 0;
  bool bad = false;
  std::vector<std::vector<std::uint8_t>> stored;
  for (std::size_t at = 4; at + 6 <= size;) {
    std::size_t length = std::min<std::size_t>(qor::getU16(input, at), size - at - 6);
    std::uint32_t sender = qor::getU32(input, at + 2);
    qor::Bytes datagram = input.subspan(at + 6, length);
    at += 6 + length;
    const std::size_t usedBefore = state.blockUsed;
    qorsdk::takeAnswer(state, datagram, sender);

    bool magic =
        datagram.size() >= 4 && datagram[0] == 'q' && datagram[1] == 'o' && datagram[2] == 'r';
    if (!magic) continue;
    if (datagram[3] == qorsdk::kDiscoveryShortAnswer) {
      ++expectedCount;
    } else if (datagram[3] == qorsdk::kDiscoveryLongAnswer) {
      ++expectedCount;
      if (datagram.size() < 204) bad = true;
      if (state.blockUsed != usedBefore)
        stored.emplace_back(datagram.begin() + 4, datagram.begin() + 204);
    } else {
      bad = true;
    }
  }

  FUZZ_CHECK(state.count == expectedCount);
  FUZZ_CHECK(state.result == (bad ? QORSDK_DISCOVERY_BAD_ANSWER : 0));
  FUZZ_CHECK(std::all_of(text.begin() + textLength, text.end(),
                         [](char c) { return static_cast<std::uint8_t>(c) == kGuardByte; }));
  FUZZ_CHECK(std::all_of(blocks.begin() + blockLength, blocks.end(),
                         [](std::uint8_t b) { return b == kGuardByte; }));
  FUZZ_CHECK(state.blockUsed == stored.size() * qorsdk::kDiscoveryBlockSize);
  FUZZ_CHECK(state.blockUsed <= blockLength);
  for (std::size_t i = 0; i < stored.size(); ++i)
    FUZZ_CHECK(std::equal(stored[i].begin(), stored[i].end(), blocks.begin() + 200 * i));

  auto end = std::find(text.begin(), text.begin() + textLength, 0);
  FUZZ_CHECK(end != text.begin() + textLength);
  std::string list(text.begin(), end);
  static const std::regex kList(
      "(((25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])\\.){3}"
      "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9]);)*");
  FUZZ_CHECK(std::regex_match(list, kList));
  FUZZ_CHECK(std::count(list.begin(), list.end(), ';') <= state.count);
  return 0;
}
