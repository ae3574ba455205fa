// The stream receiver's counting: transport-stream PIDs learnt from PAT and PMT, continuity
// errors, RTP-wrapped and TCP-split streams, and rates over the last second.

#include <gtest/gtest.h>

#include <vector>

#include "stream_receiver.h"
#include "streams.h"
#include "ts_counter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void append(Bytes& out, const std::array<std::uint8_t, 188>& packet) {
  out.insert(out.end(), packet.begin(), packet.end());
}

Bytes tables() {
  Bytes b;
  append(b, qorsim::patPacket(0));
  append(b, qorsim::pmtPacket(0));
  return b;
}

TEST(TsCounter, PidsFromPatAndPmt) {
  qorsdk::TsCounter counter;
  Bytes early;
  append(early, qorsim::payloadPacket(qorsim::kVideoPid, 0));
  counter.feedDatagram(early.data(), early.size());
  EXPECT_EQ(counter.totals().videoBytes, 0u) << "no PMT seen yet";

  Bytes b = tables();
  for (std::uint8_t cc = 1; cc <= 4; ++cc) append(b, qorsim::payloadPacket(qorsim::kVideoPid, cc));
  append(b, qorsim::payloadPacket(qorsim::kAudioPid, 0));
  counter.feedDatagram(b.data(), b.size());
  EXPECT_TRUE(counter.isVideoPid(qorsim::kVideoPid));
  EXPECT_TRUE(counter.isAudioPid(qorsim::kAudioPid));
  const auto& t = counter.totals();
  EXPECT_EQ(t.videoBytes, 4u * 188);
  EXPECT_EQ(t.audioBytes, 188u);
  EXPECT_EQ(t.packets, 8u);
  EXPECT_EQ(t.bytes, 8u * 188);
  EXPECT_EQ(t.reads, 2u);
  EXPECT_EQ(t.ccErrors, 0u);
}

TEST(TsCounter, ContinuityErrorsRtpAndForeignBytes) {
  qorsdk::TsCounter counter;
  Bytes b = tables();
  append(b, qorsim::payloadPacket(qorsim::kVideoPid, 3));
  append(b, qorsim::payloadPacket(qorsim::kVideoPid, 3));  // a repeat is allowed
  append(b, qorsim::payloadPacket(qorsim::kVideoPid, 7));  // a jump is not
  append(b, qorsim::payloadPacket(qorsim::kVideoPid, 8));
  counter.feedDatagram(b.data(), b.size());
  EXPECT_EQ(counter.totals().ccErrors, 1u);

  // 12 bytes of RTP header before the packets.
  Bytes rtp(12, 0x80);
  append(rtp, qorsim::payloadPacket(qorsim::kVideoPid, 9));
  counter.feedDatagram(rtp.data(), rtp.size());
  EXPECT_EQ(counter.totals().videoBytes, 5u * 188);

  // Not a transport stream: counted as bytes only.
  Bytes other(500, 0x11);
  counter.feedDatagram(other.data(), other.size());
  EXPECT_EQ(counter.totals().packets, 7u);
  EXPECT_EQ(counter.totals().bytes, b.size() + rtp.size() + 500);
}

TEST(TsCounter, StreamSplitAnywhereAndResynced) {
  qorsdk::TsCounter counter;
  Bytes b(37, 0x00);  // junk before the first packet
  Bytes t = tables();
  b.insert(b.end(), t.begin(), t.end());
  for (std::uint8_t cc = 0; cc < 10; ++cc) append(b, qorsim::payloadPacket(qorsim::kVideoPid, cc));
  for (std::size_t at = 0; at < b.size(); at += 61)
    counter.feedStream(b.data() + at, std::min<std::size_t>(61, b.size() - at));
  EXPECT_EQ(counter.totals().packets, 12u);
  EXPECT_EQ(counter.totals().videoBytes, 10u * 188);
  EXPECT_EQ(counter.totals().bytes, b.size());
}

TEST(RateMeter, LastSecondAndFallToZero) {
  qorsdk::RateMeter meter;
  std::uint64_t total = 0;
  for (std::uint64_t ms = 0; ms <= 2000; ms += 250) {
    meter.sample(ms, total, total / 2, total / 10);
    total += 125000 / 4;  // 1000 kbit/s
  }
  EXPECT_EQ(meter.rates()[0], 1000u);
  EXPECT_EQ(meter.rates()[1], 500u);
  EXPECT_EQ(meter.rates()[2], 100u);
  // The stream stops: within a second and a sample the rates are 0.
  for (std::uint64_t ms = 2250; ms <= 3250; ms += 250)
    meter.sample(ms, total, total / 2, total / 10);
  EXPECT_EQ(meter.rates()[0], 0u);
}

TEST(StreamPackets, TablesCarryAValidCrc) {
  for (const auto& p : {qorsim::patPacket(0), qorsim::pmtPacket(0)}) {
    std::size_t length = ((p[6] & 0x0F) << 8) | p[7];
    // The CRC over a section including its own CRC is 0.
    EXPECT_EQ(qorsim::mpegCrc32(p.data() + 5, 3 + length), 0u);
  }
}

}  // namespace
