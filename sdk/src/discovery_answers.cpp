#include "discovery_answers.h"

#include <cstdio>
#include <cstring>

#include "qorsdk.h"
#include "wire.h"

namespace qorsdk {

void addAnswerAddress(DiscoveryState& state, std::uint32_t sender) {
  if (!state.text || state.textLength == 0) return;
  char address[16];
  int length = std::snprintf(address, sizeof address, "%u.%u.%u.%u", sender & 0xff,
                             (sender >> 8) & 0xff, (sender >> 16) & 0xff, sender >> 24);
  std::size_t old = strnlen(state.text, state.textLength);
  if (old >= state.textLength) return;  // no NUL: the caller's text is not ours to extend
  // Address, ";" and the old text, then the NUL: everything must fit in the buffer.
  if (static_cast<std::size_t>(length) + old + 1 >= state.textLength) return;
  std::memmove(state.text + length + 1, state.text, old + 1);
  std::memcpy(state.text, address, static_cast<std::size_t>(length));
  state.text[length] = ';';
}

void takeAnswer(DiscoveryState& state, qor::Bytes datagram, std::uint32_t sender) {
  if (datagram.size() < 4 || datagram[0] != qor::kMagic[0] || datagram[1] != qor::kMagic[1] ||
      datagram[2] != qor::kMagic[2])
    return;
  switch (datagram[3]) {
    case kDiscoveryShortAnswer:
      break;
    case kDiscoveryLongAnswer:
      if (datagram.size() < 4 + kDiscoveryBlockSize) {
        state.result = QORSDK_DISCOVERY_BAD_ANSWER;
      } else if (state.blocks && state.blockUsed <= state.blockLength &&
                 state.blockLength - state.blockUsed >= kDiscoveryBlockSize) {
        std::memcpy(state.blocks + state.blockUsed, datagram.data() + 4, kDiscoveryBlockSize);
        state.blockUsed += kDiscoveryBlockSize;
      }
      break;
    default:
      state.result = QORSDK_DISCOVERY_BAD_ANSWER;
      return;
  }
  addAnswerAddress(state, sender);
  ++state.count;
}

}  // namespace qorsdk
