// Paced MPEG transport streams from the simulated encoders.

#include "streams.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>

#include "layout.h"
#include "le_bytes.h"
#include "qorsim.h"

namespace qorsim {

namespace {

constexpr int kTickMs = 10;
constexpr double kPsiPeriodMs = 100;
constexpr std::size_t kPacketsPerDatagram = 7;  // 1316 bytes
constexpr double kLongestBurstMs = 100;         // credit kept across a stall

void header(std::array<std::uint8_t, kTsPacket>& p, std::uint16_t pid, bool start,
            std::uint8_t cc) {
  p.fill(0xFF);
  p[0] = 0x47;
  p[1] = static_cast<std::uint8_t>((start ? 0x40 : 0x00) | ((pid >> 8) & 0x1F));
  p[2] = static_cast<std::uint8_t>(pid & 0xFF);
  p[3] = static_cast<std::uint8_t>(0x10 | (cc & 0x0F));
}

// A section after a pointer field, its CRC appended.
std::array<std::uint8_t, kTsPacket> sectionPacket(std::uint16_t pid, std::uint8_t cc,
                                                  std::vector<std::uint8_t> section) {
  std::uint32_t crc = mpegCrc32(section.data(), section.size());
  for (int shift = 24; shift >= 0; shift -= 8)
    section.push_back(static_cast<std::uint8_t>(crc >> shift));
  std::array<std::uint8_t, kTsPacket> p;
  header(p, pid, true, cc);
  p[4] = 0;  // pointer field
  std::copy(section.begin(), section.end(), p.begin() + 5);
  return p;
}

}  // namespace

std::uint32_t mpegCrc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= static_cast<std::uint32_t>(data[i]) << 24;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

std::array<std::uint8_t, kTsPacket> patPacket(std::uint8_t cc) {
  // One program (1) whose PMT is on kPmtPid.
  return sectionPacket(0, cc,
                       {0x00, 0xB0, 13, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01,
                        static_cast<std::uint8_t>(0xE0 | (kPmtPid >> 8)),
                        static_cast<std::uint8_t>(kPmtPid & 0xFF)});
}

std::array<std::uint8_t, kTsPacket> pmtPacket(std::uint8_t cc) {
  // Program 1: H.264 video on kVideoPid (also the PCR PID), AAC audio on kAudioPid.
  return sectionPacket(kPmtPid, cc,
                       {0x02,
                        0xB0,
                        23,
                        0x00,
                        0x01,
                        0xC1,
                        0x00,
                        0x00,
                        static_cast<std::uint8_t>(0xE0 | (kVideoPid >> 8)),
                        static_cast<std::uint8_t>(kVideoPid & 0xFF),
                        0xF0,
                        0x00,
                        0x1B,
                        static_cast<std::uint8_t>(0xE0 | (kVideoPid >> 8)),
                        static_cast<std::uint8_t>(kVideoPid & 0xFF),
                        0xF0,
                        0x00,
                        0x0F,
                        static_cast<std::uint8_t>(0xE0 | (kAudioPid >> 8)),
                        static_cast<std::uint8_t>(kAudioPid & 0xFF),
                        0xF0,
                        0x00});
}

std::array<std::uint8_t, kTsPacket> payloadPacket(std::uint16_t pid, std::uint8_t cc) {
  std::array<std::uint8_t, kTsPacket> p;
  header(p, pid, false, cc);
  return p;
}

std::optional<StreamSource> streamSourceOf(const BoardState& board) {
  namespace L = layout;
  if (!board.isEncoderKind() || board.restarting() || board.faults.silent || board.faults.streamOff)
    return std::nullopt;
  const auto& s = board.status;
  StreamSource source;
  source.boardIp = board.ip();
  source.sendAddress = qor::getU32(s, L::kSendAddress);
  source.sendPort = qor::getU16(s, L::kSendPort);
  const std::uint16_t mode = qor::getU16(s, L::kSendMode);
  // TCP is served to clients; RTSP, RTMP, Onvif and the customer protocol are not simulated.
  source.tcp = mode == 3;
  if (source.sendPort == 0 || (!source.tcp && (source.sendAddress == 0 || mode >= 4)))
    return std::nullopt;
  if (qor::getU32(s, L::kVideoRecord + 24) != 0)
    source.videoKbps = qor::getU16(s, L::kVideoRecord + 10);
  if (qor::getU32(s, L::kAudioRecord + 12) != 0)
    source.audioKbps = qor::getU16(s, L::kAudioRecord + 6);
  return source;
}

StreamSender::StreamSender(std::string netns, std::function<std::vector<StreamSource>()> sources)
    : netns_(std::move(netns)), sources_(std::move(sources)) {
  thread_ = std::thread([this] { run(); });
}

StreamSender::~StreamSender() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  for (auto& [ip, flow] : flows_) close(flow);
}

void StreamSender::close(Flow& flow) {
  if (flow.fd >= 0) ::close(flow.fd);
  for (int client : flow.clients) ::close(client);
  flow.fd = -1;
  flow.clients.clear();
}

bool StreamSender::open(const StreamSource& source, Flow& flow) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = source.boardIp;
  int on = 1;
  if (source.tcp) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    local.sin_port = htons(source.sendPort);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(fd, 8) != 0) {
      ::close(fd);
      return false;
    }
    flow.fd = fd;
    return true;
  }
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  in_addr from{};
  from.s_addr = source.boardIp;
  ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &from, sizeof from);
  unsigned char ttl = 1;
  ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    ::close(fd);  // the address is not on the interface yet: next tick
    return false;
  }
  flow.fd = fd;
  return true;
}

void StreamSender::run() {
  int ns = ::open(netns_.c_str(), O_RDONLY | O_CLOEXEC);
  if (ns < 0) return;
  int entered = ::setns(ns, CLONE_NEWNET);
  ::close(ns);
  if (entered != 0) return;  // never sends from the wrong namespace

  using Clock = std::chrono::steady_clock;
  auto last = Clock::now();
  while (!stop_) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
    auto now = Clock::now();
    double elapsedMs = std::chrono::duration<double, std::milli>(now - last).count();
    last = now;
    std::set<std::uint32_t> live;
    for (const auto& source : sources_()) {
      live.insert(source.boardIp);
      send(source, flows_[source.boardIp], elapsedMs);
    }
    // A board that stopped sending starts afresh (no stale credit) when it sends again.
    for (auto it = flows_.begin(); it != flows_.end();) {
      if (live.count(it->first)) {
        ++it;
        continue;
      }
      close(it->second);
      it = flows_.erase(it);
    }
  }
}

void StreamSender::send(const StreamSource& source, Flow& flow, double elapsedMs) {
  if (flow.fd < 0 && !open(source, flow)) return;
  if (source.tcp) {
    for (int client; (client = ::accept4(flow.fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
      flow.clients.push_back(client);
  }
  elapsedMs = std::min(elapsedMs, kLongestBurstMs);
  flow.videoCredit += source.videoKbps * elapsedMs / 8.0;  // kbit/s x ms / 8 = bytes
  flow.audioCredit += source.audioKbps * elapsedMs / 8.0;
  flow.sincePsiMs += elapsedMs;

  std::vector<std::array<std::uint8_t, kTsPacket>> packets;
  if (flow.sincePsiMs >= kPsiPeriodMs) {
    packets.push_back(patPacket(flow.cc[0]++));
    packets.push_back(pmtPacket(flow.cc[1]++));
    flow.sincePsiMs = 0;
  }
  // Interleave audio among the video as an encoder's multiplexer would.
  while (flow.videoCredit >= kTsPacket || flow.audioCredit >= kTsPacket) {
    if (flow.videoCredit >= kTsPacket) {
      packets.push_back(payloadPacket(kVideoPid, flow.cc[2]++));
      flow.videoCredit -= kTsPacket;
    }
    if (flow.audioCredit >= kTsPacket) {
      packets.push_back(payloadPacket(kAudioPid, flow.cc[3]++));
      flow.audioCredit -= kTsPacket;
    }
  }
  if (source.tcp) {
    std::vector<std::uint8_t> bytes;
    for (const auto& p : packets) bytes.insert(bytes.end(), p.begin(), p.end());
    // A client that cannot keep up loses bytes (its receiver resynchronises); one that is gone
    // is dropped.
    std::erase_if(flow.clients, [&](int client) {
      if (bytes.empty()) return false;
      long sent = ::send(client, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
      if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        ::close(client);
        return true;
      }
      return false;
    });
    return;
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(source.sendPort);
  to.sin_addr.s_addr = source.sendAddress;
  std::vector<std::uint8_t> datagram;
  for (std::size_t i = 0; i < packets.size(); i += kPacketsPerDatagram) {
    datagram.clear();
    for (std::size_t j = i; j < std::min(packets.size(), i + kPacketsPerDatagram); ++j)
      datagram.insert(datagram.end(), packets[j].begin(), packets[j].end());
    ::sendto(flow.fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
             sizeof to);
  }
}

}  // namespace qorsim
