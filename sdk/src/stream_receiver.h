#pragma once
// The stream receiver behind a started client handle: a worker thread of the library reads the
// source board's status block (type 256) to learn how it sends, receives that stream (UDP
// unicast, broadcast, or multicast joined on the adapter that reaches the board; TCP for the TCP
// send mode), counts it (TsCounter) and publishes the counters every 250 ms.
//
// Counters c1..c8 (CLIENT_GetParam 256): c1 datagrams or TCP reads, c2 transport-stream
// packets, c3 continuity-counter errors, c4 bytes (low 32 bits), c5 total rate, c6 video rate,
// c7 audio rate (rates in kbit/s over the last second), c8 1 while a socket receives.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace qorsdk {

// Rates in kbit/s from byte totals sampled over time: the bytes of the last second.
class RateMeter {
 public:
  // Adds a sample of running totals at time ms; returns nothing, see rate().
  void sample(std::uint64_t ms, std::uint64_t total, std::uint64_t video, std::uint64_t audio);
  std::array<std::uint32_t, 3> rates() const { return rates_; }  // total, video, audio

 private:
  struct Point {
    std::uint64_t ms, total, video, audio;
  };
  std::array<Point, 8> points_{};
  std::size_t count_ = 0;
  std::array<std::uint32_t, 3> rates_{};
};

class StreamReceiver {
 public:
  // Starts receiving from the board at `address` (dotted text).
  explicit StreamReceiver(const std::string& address);
  // Stops: the worker is told to end and is waited for at most 200 ms; one still busy (a
  // status read in flight) finishes on its own without touching the handle.
  ~StreamReceiver();
  StreamReceiver(const StreamReceiver&) = delete;
  StreamReceiver& operator=(const StreamReceiver&) = delete;

  std::array<std::uint32_t, 8> counters() const;

  struct Shared {
    std::atomic<bool> stop{false};
    std::array<std::atomic<std::uint32_t>, 8> counters{};
    std::mutex mu;
    std::condition_variable doneChanged;
    bool done = false;
  };

 private:
  std::shared_ptr<Shared> shared_;
  std::thread worker_;
};

}  // namespace qorsdk
