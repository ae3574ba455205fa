#pragma once
// A BoardStream for unit tests: records what is sent and answers from a script of chunks.
#include <algorithm>
#include <deque>
#include <vector>

#include "device/board_stream.h"

namespace tav::test {

class ScriptedStream : public BoardStream {
 public:
  bool isConnected = true;
  bool sendFails = false;
  std::vector<std::uint8_t> sent;
  // Each receive takes chunks from the front until `atLeast` bytes are in; an empty script
  // behaves as a silent board (0 bytes, as after a time-out).
  std::deque<std::vector<std::uint8_t>> answers;
  // The board closes its end once the script is used up (receives then return 0 at once).
  bool closesAfterScript = false;
  int receives = 0;

  bool connected() const override { return isConnected; }
  bool peerClosed() const override { return closesAfterScript && answers.empty(); }
  bool sendAll(std::span<const std::uint8_t> bytes, Millis) override {
    if (!isConnected || sendFails) return false;
    sent.insert(sent.end(), bytes.begin(), bytes.end());
    return true;
  }
  long receive(std::span<std::uint8_t> buffer, std::size_t atLeast, Millis) override {
    if (!isConnected) return -1;
    ++receives;
    atLeast = std::min(std::max<std::size_t>(atLeast, 1), buffer.size());
    std::size_t got = 0;
    while (got < atLeast && !answers.empty()) {
      auto& chunk = answers.front();
      std::size_t n = std::min(chunk.size(), buffer.size() - got);
      std::copy_n(chunk.begin(), n, buffer.begin() + static_cast<long>(got));
      got += n;
      chunk.erase(chunk.begin(), chunk.begin() + static_cast<long>(n));
      if (chunk.empty()) answers.pop_front();
    }
    return static_cast<long>(got);
  }
};

}  // namespace tav::test
