// Transport-stream counting for the stream receiver.

#include "ts_counter.h"

#include <sys/types.h>

#include <cstring>

extern "C" {
#include <dvbpsi/descriptor.h>
#include <dvbpsi/dvbpsi.h>
#include <dvbpsi/pat.h>
#include <dvbpsi/pmt.h>
#include <dvbpsi/psi.h>
}

namespace qorsdk {

namespace {

constexpr unsigned kPatPid = 0;
constexpr unsigned kNullPid = 0x1FFF;
constexpr std::size_t kMaxPrograms = 16;  // PMT decoders kept at most

bool isVideoType(std::uint8_t type) {
  switch (type) {
    case 0x01:
    case 0x02:
    case 0x10:
    case 0x1B:
    case 0x24:
    case 0x42:
    case 0xEA:
      return true;
    default:
      return false;
  }
}

bool isAudioType(std::uint8_t type) {
  switch (type) {
    case 0x03:
    case 0x04:
    case 0x0F:
    case 0x11:
    case 0x81:
    case 0x82:
    case 0x83:
    case 0x84:
    case 0x87:
      return true;
    default:
      return false;
  }
}

}  // namespace

TsCounter::TsCounter() {
  lastCc_.fill(-1);
  pat_ = dvbpsi_new(nullptr, DVBPSI_MSG_NONE);
  if (pat_ && !dvbpsi_pat_attach(pat_, &TsCounter::onPat, this)) {
    dvbpsi_delete(pat_);
    pat_ = nullptr;
  }
}

TsCounter::~TsCounter() {
  for (auto& [pid, handle] : pmts_) {
    dvbpsi_pmt_detach(handle);
    dvbpsi_delete(handle);
  }
  if (pat_) {
    dvbpsi_pat_detach(pat_);
    dvbpsi_delete(pat_);
  }
}

void TsCounter::onPat(void* self, dvbpsi_pat_s* pat) {
  auto& counter = *static_cast<TsCounter*>(self);
  for (auto* program = pat->p_first_program; program; program = program->p_next) {
    if (program->i_number == 0) continue;  // network PID
    unsigned pid = program->i_pid & kNullPid;
    if (counter.pmts_.count(pid) || counter.pmts_.size() >= kMaxPrograms || pid == kPatPid)
      continue;
    dvbpsi_t* handle = dvbpsi_new(nullptr, DVBPSI_MSG_NONE);
    if (!handle) continue;
    if (!dvbpsi_pmt_attach(handle, program->i_number, &TsCounter::onPmt, self)) {
      dvbpsi_delete(handle);
      continue;
    }
    counter.pmts_[pid] = handle;
  }
  dvbpsi_pat_delete(pat);
}

void TsCounter::onPmt(void* self, dvbpsi_pmt_s* pmt) {
  auto& counter = *static_cast<TsCounter*>(self);
  for (auto* es = pmt->p_first_es; es; es = es->p_next) {
    unsigned pid = es->i_pid & kNullPid;
    if (isVideoType(es->i_type))
      counter.kinds_[pid] = Kind::Video;
    else if (isAudioType(es->i_type))
      counter.kinds_[pid] = Kind::Audio;
  }
  dvbpsi_pmt_delete(pmt);
}

void TsCounter::packet(const std::uint8_t* p) {
  ++totals_.packets;
  const unsigned pid = ((p[1] & 0x1F) << 8) | p[2];
  if (pid == kNullPid) return;
  const bool hasPayload = (p[3] & 0x10) != 0;
  const int cc = p[3] & 0x0F;
  if (hasPayload) {
    int last = lastCc_[pid];
    if (last >= 0 && cc != ((last + 1) & 0x0F) && cc != last) ++totals_.ccErrors;
    lastCc_[pid] = static_cast<std::int8_t>(cc);
  }
  if (kinds_[pid] == Kind::Video) totals_.videoBytes += kTsPacketSize;
  if (kinds_[pid] == Kind::Audio) totals_.audioBytes += kTsPacketSize;

  std::uint8_t copy[kTsPacketSize];  // the library takes a writable packet
  std::memcpy(copy, p, kTsPacketSize);
  if (pid == kPatPid && pat_) {
    dvbpsi_packet_push(pat_, copy);
  } else if (auto it = pmts_.find(pid); it != pmts_.end()) {
    dvbpsi_packet_push(it->second, copy);
  }
}

void TsCounter::feedDatagram(const std::uint8_t* data, std::size_t size) {
  ++totals_.reads;
  totals_.bytes += size;
  if (!data || size < kTsPacketSize) return;
  std::size_t start = 0;
  if (data[0] != 0x47) {
    start = size % kTsPacketSize;
    if (start == 0 || data[start] != 0x47) return;  // not a transport stream
  }
  for (std::size_t at = start; at + kTsPacketSize <= size; at += kTsPacketSize) {
    if (data[at] != 0x47) return;  // lost sync: the rest is not counted
    packet(data + at);
  }
}

void TsCounter::feedStream(const std::uint8_t* data, std::size_t size) {
  ++totals_.reads;
  totals_.bytes += size;
  if (!data || size == 0) return;
  carry_.insert(carry_.end(), data, data + size);
  std::size_t at = 0;
  while (carry_.size() - at >= kTsPacketSize) {
    // In sync when this packet starts with 0x47 and the next one (if already here) does too.
    bool sync = carry_[at] == 0x47 &&
                (carry_.size() - at < 2 * kTsPacketSize || carry_[at + kTsPacketSize] == 0x47);
    if (!sync) {
      ++at;
      continue;
    }
    packet(carry_.data() + at);
    at += kTsPacketSize;
  }
  carry_.erase(carry_.begin(), carry_.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace qorsdk
