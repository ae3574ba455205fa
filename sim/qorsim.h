#pragma once
// qorsim: simulated codec boards. Each board keeps its blocks as state, answers every exchange
// a real board offers at its own address, journals what it receives and can be told to
// misbehave. The simulator runs its sockets in the boards' side of the test LAN
// (TAVMON_BOARD_NETNS / TAVMON_BOARD_IF) and refuses to start anywhere else.
//
// Fleet file: a JSON list of boards, or {"restartSeconds": 3, "boards": [...]}. A board is an
// object with "address" (required), "mask", "gateway", "mac", "name" (UTF-8), "type",
// "versions" {"baseband","k","a": "2.1" or [2,1]}, "send"/"receive" {"address","port","mode"},
// "video" {"mode","width","height"}, "encoding" {"enable","cbr","frameRate","bitRate",
// "iFrameInterval","width","height"}, "audio" {"enable","channels","bitRate","sampleRate"},
// "quality" {"brightness","chroma","saturation"}, "volume" {"autoGain","level"},
// "stream" {"url","user","password"}, "rtspUrl", "serialNumber", "id", "baudRate",
// "otherInterfaces" (addresses or {"address","mask","mac"}), "commandResult" (0-255), "faults"
// (the fields of Faults below); or "statusBlock": 400 hex digits, which other fields then
// override. Missing fields get defaults that suit the device type.
//
// Fleets of more than 512 boards listen for TCP once per port on the wildcard address: there a
// connection to an address without a TCP-answering board (fault refuseTcp, or the other address
// of a search reply) is reset right after it is accepted instead of refused.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qorsim {

// How a board misbehaves; settable per board in the fleet file ("faults") and from tests.
struct Faults {
  bool silent = false;     // answers nothing on any endpoint
  bool refuseTcp = false;  // TCP connections are refused (nothing listens)
  int cutReply = 0;        // every reply is sent this many bytes short
  bool wrongHead = false;  // replies carry a wrong command byte
  int delayMs = 0;         // every reply is delayed
  bool answerSearchTwice = false;
  std::string searchReplyFrom;  // search reply sent from this address instead (added to the LAN)
  bool searchReplyBroadcast = false;  // search reply sent to 255.255.255.255:5007
  std::optional<std::int32_t> fileResult;  // answer code of file writes on 8060 (else 1 or 3)
  bool silentFiles = false;                // file writes on 8060 get no answer
  bool streamOff = false;                  // sends no stream even while streams are on
  int dripMs = 0;                     // TCP replies dripped one byte at a time, this far apart
  int splitMs = 0;                    // TCP replies sent in two segments, this far apart
  int floodSearchMs = 0;              // a search is answered by a stream of answers for this long
};

// How a board answers an upgrade component on TCP 8060: the 16-byte result with a code, after
// a flashing time; or silence (the connection held open), a wrong head, or a close unanswered.
struct UpgradeAnswer {
  enum class Kind { Result, Silent, WrongHead, Close };
  Kind kind = Kind::Result;
  std::int32_t result = 1;
  int delayMs = 0;
};
// Fleet "upgrade": {"result", "answer": "result|silent|wrongHead|close", "delayMs",
// "components": {"2": {...}}}; components are numbered per board from 1 as they arrive.
struct UpgradeBehaviour {
  UpgradeAnswer normal;
  std::map<int, UpgradeAnswer> byComponent;
  const UpgradeAnswer& forComponent(int number) const {
    auto it = byComponent.find(number);
    return it == byComponent.end() ? normal : it->second;
  }
};
// One component a board took in: its length and FNV-1a 64 digest (qorsim::componentDigest).
struct ReceivedComponent {
  std::size_t length = 0;
  std::string digest;
  std::int32_t answered = 0;  // the result code sent back (or meant to be)
};

struct JournalEntry {
  std::string board;                // the board's address text when received
  std::string endpoint;             // "udp:4007", "udp:6006", "tcp:4010", "tcp:8068", ...
  std::vector<std::uint8_t> bytes;  // for transfers on 8060, at most the first MiB
  std::chrono::steady_clock::time_point when;
};

// A fleet file or JSON value that does not describe a fleet; the text names the field.
struct FleetError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Simulator;

// An interface of a board besides the one it is searched on (maintenance adapter table).
struct MaintenanceInterface {
  std::uint32_t address = 0, mask = 0;
  std::array<std::uint8_t, 6> mac{};
};

// Key of one 8-bit register in a board's register file (maintenance packets 0xC0/0xC1).
inline constexpr std::uint32_t registerKey(std::uint16_t bus, std::uint16_t device,
                                           std::uint8_t reg) {
  return (std::uint32_t(bus & 0xff) << 16) | (std::uint32_t(device & 0xff) << 8) | reg;
}

// One board's state. Access from tests goes through Simulator::withBoard so the serving
// thread never sees a half-written block.
struct BoardState {
  std::array<std::uint8_t, 200> status{};        // board status block (search answer, type 256)
  std::array<std::uint8_t, 388> streamInfo{};    // type 269
  std::array<std::uint8_t, 200> streamAccess{};  // type 261
  std::string serialNumber, id;                  // identity text answer, GBK as on the wire
  std::string name;                              // UTF-8, mirrors the status block's GBK name
  Faults faults;

  // Blocks of the read types no page uses (257-267), by reply command byte; each starts with
  // its own size.
  std::map<std::uint8_t, std::vector<std::uint8_t>> readBlocks;
  // The payload of the last write of each command byte (4010 and 8067), as received.
  std::map<std::uint8_t, std::vector<std::uint8_t>> lastWrite;
  std::array<std::uint8_t, 16> peripheral{};       // last type 7/8 record
  std::array<std::uint8_t, 16> picturePosition{};  // short packets 0xF1/0xF3
  std::array<std::uint8_t, 36> customerTiming{};   // short packets 0xF5/0xF4
  std::array<std::uint8_t, 36> videoPosition{};    // direct frames 0xF1/0xF3 on 4010
  std::map<std::uint32_t, std::uint32_t>
      videoRegisters;                                // addressed through the video position record
  std::uint32_t value = 9600;                        // direct frames 0x3C/0x3D: serial baud rate
  std::map<std::uint32_t, std::uint8_t> registers;   // by registerKey(bus, device, register)
  std::map<std::uint16_t, std::uint16_t> words;      // 16-bit registers (0xC9/0xCA)
  std::vector<std::vector<std::uint8_t>> serialOut;  // bytes passed to the serial port (type 14)
  std::array<std::uint8_t, 256> edid{};              // the board's own EDID
  std::array<std::uint8_t, 256> monitorEdid{};       // the attached monitor's (decoder kind)
  bool edidLocked = false;
  std::int64_t clockOffset = 0;                // board clock minus the host's, seconds (0x30/0x31)
  std::array<std::uint8_t, 368> overlay{};     // time and channel-text overlays (0x33/0x34)
  // Each channel's overlays as last set; `overlay` is the channel set last (a read names none).
  std::map<std::uint32_t, std::array<std::uint8_t, 368>> channelOverlays;
  std::array<std::uint8_t, 40> storage{};      // storage report (0x3A); 0x39 sets sizes and switch
  std::map<std::string, std::string> files;    // files written over TCP 8060, by target path
  std::vector<std::size_t> upgradeComponents;  // sizes of the upgrade components received on 8060
  int restarts = 0;                            // restarts obeyed (group command or type 12)
  int factoryResets = 0;                       // factory resets obeyed
  std::chrono::steady_clock::time_point restartingUntil{};  // silent until then
  // UDP 6006: the other interfaces its adapter table lists (fleet "otherInterfaces"), the
  // result byte of its 'j' replies (fleet "commandResult"), the commands 'e' brought, and the
  // last request answered with its reply number.
  std::vector<MaintenanceInterface> otherInterfaces;
  std::uint8_t commandResult = 0;
  std::vector<std::string> maintenanceCommands;
  std::uint64_t lastMaintenanceRequest = 0;
  std::uint32_t lastMaintenanceReply = 0;
  std::chrono::steady_clock::time_point lastMaintenanceAt{};

  // Upgrade components on 8060: what arrived (with digests, in order) and how the board answers.
  std::vector<ReceivedComponent> upgradeReceived;
  UpgradeBehaviour upgrade;

  std::uint32_t ip() const;  // status block IP (network order, first octet lowest)
  std::int32_t deviceType() const;
  bool isEncoderKind() const;
  bool restarting(
      std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now()) const {
    return now < restartingUntil;
  }
};

class Simulator {
 public:
  static Simulator fromFile(const std::string& path);  // throws FleetError
  static Simulator fromJson(const nlohmann::json& fleet);
  // A fleet of `count` boards 10.77.0.10, .11, ... with realistic defaults: even indexes are
  // HD encoders (type 1) multicasting to 239.77.0.<last octet>:1234, odd indexes HD decoders
  // (type 2) receiving the encoder before them.
  static Simulator generated(int count);

  Simulator(Simulator&&) noexcept;
  Simulator& operator=(Simulator&&) noexcept;
  ~Simulator();  // stops

  // Opens every board's endpoints in the boards' namespace, adding board addresses to the
  // boards' interface as needed. Throws std::runtime_error when not inside a test LAN.
  void start();
  void stop();

  std::size_t boardCount() const;
  std::vector<std::string> addresses() const;
  // Runs f on the board's state under the simulator's lock. Throws std::out_of_range.
  // Changes of address or faults take effect on the endpoints before this returns.
  void withBoard(const std::string& address, const std::function<void(BoardState&)>& f);
  void withBoard(std::size_t index, const std::function<void(BoardState&)>& f);
  void setFaults(const std::string& address, const Faults& faults);
  void setFaults(std::size_t index, const Faults& faults);

  // Encoders in a UDP sending mode emit their MPEG-TS streams while on (off by default).
  void setStreams(bool on);
  // Search answers: zero (the default) sends them as one burst the moment the question
  // arrives; otherwise each board answers after its own random delay below `spread`, as real
  // boards do.
  void setSearchSpread(std::chrono::milliseconds spread);

  // How long a board stays silent after a restart (fleet "restartSeconds", default 3).
  void setRestartSeconds(double seconds);

  std::vector<JournalEntry> journal() const;
  void clearJournal();
  // Waits until the journal holds an entry matching pred, or the time-out passes.
  bool waitForJournal(const std::function<bool(const JournalEntry&)>& pred,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));

  // One readable line per exchange is written here when set (the program sets stdout).
  void setLogSink(std::function<void(const std::string&)> sink);

  struct Impl;

 private:
  explicit Simulator(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace qorsim
