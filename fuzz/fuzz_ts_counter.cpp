// The stream receiver's transport-stream counter: any datagram or byte stream is counted without
// a crash, every byte is counted once, and no more packets or PID bytes than the bytes allow.

#include <cstdint>

#include "fuzz_check.h"
#include "ts_counter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using qorsdk::kTsPacketSize;
  {
    qorsdk::TsCounter counter;
    counter.feedDatagram(data, size);
    counter.feedDatagram(data, size);  // tables learnt from the first pass apply to the second
    const auto& t = counter.totals();
    FUZZ_CHECK(t.bytes == 2 * size);
    FUZZ_CHECK(t.reads == 2);
    FUZZ_CHECK(t.packets * kTsPacketSize <= t.bytes);
    FUZZ_CHECK(t.videoBytes + t.audioBytes <= t.packets * kTsPacketSize);
    FUZZ_CHECK(t.ccErrors <= t.packets);
  }
  {
    // The same bytes as a TCP stream, in pieces sized by the first byte.
    qorsdk::TsCounter counter;
    std::size_t piece = size ? data[0] % 200 + 1 : 1;
    for (std::size_t at = 0; at < size; at += piece)
      counter.feedStream(data + at, size - at < piece ? size - at : piece);
    const auto& t = counter.totals();
    FUZZ_CHECK(t.bytes == size);
    FUZZ_CHECK(t.packets * kTsPacketSize <= t.bytes);
    FUZZ_CHECK(t.videoBytes + t.audioBytes <= t.packets * kTsPacketSize);
  }
  return 0;
}
