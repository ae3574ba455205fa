#pragma once
// Encoders' streams: while streams are on, every encoder board in a UDP sending mode (unicast,
// broadcast or multicast send address and a port) emits a paced MPEG transport stream from its
// own address: PAT and PMT ten times a second, a video PID at its video bit rate and an audio
// PID at its audio bit rate (status block video/audio encoding records; a disabled one is not
// sent). In the TCP send mode the board listens on its send port and sends the same stream to
// every client connected. A silent, restarting or streamOff board sends nothing.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qorsim {

inline constexpr std::size_t kTsPacket = 188;
inline constexpr std::uint16_t kPmtPid = 0x1000;
inline constexpr std::uint16_t kVideoPid = 0x100;
inline constexpr std::uint16_t kAudioPid = 0x101;

// One encoder as the sender sees it this tick.
struct StreamSource {
  std::uint32_t boardIp = 0;  // network order
  std::uint32_t sendAddress = 0;
  std::uint16_t sendPort = 0;
  std::uint32_t videoKbps = 0;
  std::uint32_t audioKbps = 0;
  bool tcp = false;  // TCP send mode: served to every client connected to the send port
};

// The packets (continuity counters advance per PID).
std::uint32_t mpegCrc32(const std::uint8_t* data, std::size_t size);
std::array<std::uint8_t, kTsPacket> patPacket(std::uint8_t cc);
std::array<std::uint8_t, kTsPacket> pmtPacket(std::uint8_t cc);
std::array<std::uint8_t, kTsPacket> payloadPacket(std::uint16_t pid, std::uint8_t cc);

struct BoardState;
// The stream a board sends now, if any.
std::optional<StreamSource> streamSourceOf(const BoardState& board);

class StreamSender {
 public:
  // Runs its thread in the network namespace `netns` (a path); sources() is asked every tick.
  StreamSender(std::string netns, std::function<std::vector<StreamSource>()> sources);
  ~StreamSender();
  StreamSender(const StreamSender&) = delete;
  StreamSender& operator=(const StreamSender&) = delete;

 private:
  struct Flow {
    int fd = -1;               // UDP sender, or the TCP listener
    std::vector<int> clients;  // TCP
    double videoCredit = 0, audioCredit = 0;
    std::uint8_t cc[4] = {};  // PAT, PMT, video, audio
    double sincePsiMs = 1e9;
  };
  void run();
  void send(const StreamSource& source, Flow& flow, double elapsedMs);
  static bool open(const StreamSource& source, Flow& flow);
  static void close(Flow& flow);

  std::string netns_;
  std::function<std::vector<StreamSource>()> sources_;
  std::atomic<bool> stop_{false};
  std::map<std::uint32_t, Flow> flows_;  // by board address
  std::thread thread_;
};

}  // namespace qorsim
