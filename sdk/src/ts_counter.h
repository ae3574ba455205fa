#pragma once
// Counts what a stream receiver takes in: every byte, and inside the MPEG transport stream the
// 188-byte packets, the bytes of the video and audio elementary streams (found through PAT and
// PMT, read with libdvbpsi) and continuity-counter errors. Pure: bytes in, totals out.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

struct dvbpsi_s;
struct dvbpsi_pat_s;
struct dvbpsi_pmt_s;

namespace qorsdk {

inline constexpr std::size_t kTsPacketSize = 188;

struct StreamTotals {
  std::uint64_t bytes = 0;       // everything received
  std::uint64_t reads = 0;       // datagrams, or TCP reads
  std::uint64_t packets = 0;     // transport-stream packets parsed
  std::uint64_t videoBytes = 0;  // whole packets of the video PIDs
  std::uint64_t audioBytes = 0;  // whole packets of the audio PIDs
  std::uint64_t ccErrors = 0;    // continuity-counter jumps
};

class TsCounter {
 public:
  TsCounter();
  ~TsCounter();
  TsCounter(const TsCounter&) = delete;
  TsCounter& operator=(const TsCounter&) = delete;

  // One datagram: its packets start at 0, or after a header of size % 188 bytes (RTP).
  void feedDatagram(const std::uint8_t* data, std::size_t size);
  // A piece of a byte stream (TCP): packets are found across pieces by their sync bytes.
  void feedStream(const std::uint8_t* data, std::size_t size);

  const StreamTotals& totals() const { return totals_; }
  bool isVideoPid(unsigned pid) const { return kinds_[pid] == Kind::Video; }
  bool isAudioPid(unsigned pid) const { return kinds_[pid] == Kind::Audio; }

 private:
  enum class Kind : std::uint8_t { Other, Video, Audio };
  void packet(const std::uint8_t* p);
  static void onPat(void* self, ::dvbpsi_pat_s* pat);
  static void onPmt(void* self, ::dvbpsi_pmt_s* pmt);

  StreamTotals totals_;
  dvbpsi_s* pat_ = nullptr;
  std::map<unsigned, dvbpsi_s*> pmts_;  // by PMT PID
  std::array<Kind, 8192> kinds_{};
  std::array<std::int8_t, 8192> lastCc_;
  std::vector<std::uint8_t> carry_;  // stream mode: bytes of an unfinished packet
};

}  // namespace qorsdk
