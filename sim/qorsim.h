#pragma once
// qorsim: simulated codec boards. Each board keeps its blocks as state, answers every exchange
// a real board offers at its own address, journals what it receives and can be told to
// misbehave. The simulator runs its sockets in the boards' side of the test LAN
// (TAVMON_BOARD_NETNS / TAVMON_BOARD_IF) and refuses to start anywhere else.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace qorsim {

// How a board misbehaves; settable per board in the fleet file ("faults") and from tests.
struct Faults {
  bool silent = false;          // answers nothing on any endpoint
  bool refuseTcp = false;       // TCP connections are refused (nothing listens)
  int cutReply = 0;             // every reply is sent this many bytes short
  bool wrongHead = false;       // replies carry a wrong command byte
  int delayMs = 0;              // every reply is delayed
  bool answerSearchTwice = false;
  std::string searchReplyFrom;  // search reply sent from this address instead (added to the LAN)
  bool searchReplyBroadcast = false;  // search reply sent to 255.255.255.255:5007
};

struct JournalEntry {
  std::string board;     // the board's address text when received
  std::string endpoint;  // "udp:4007", "tcp:4010", "tcp:8068", ...
  std::vector<std::uint8_t> bytes;
  std::chrono::steady_clock::time_point when;
};

// A fleet file or JSON value that does not describe a fleet; the text names the field.
struct FleetError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Simulator;

// One board's state. Access from tests goes through Simulator::withBoard so the serving
// thread never sees a half-written block.
struct BoardState {
  std::array<std::uint8_t, 200> status{};       // board status block (search answer, type 256)
  std::array<std::uint8_t, 388> streamInfo{};   // type 269
  std::array<std::uint8_t, 200> streamAccess{}; // type 261
  std::string serialNumber, id;                 // identity text answer
  std::string name;                             // UTF-8, mirrors the status block's GBK name
  Faults faults;
  // Further blocks (other read types, register files, records) live in the implementation.
};

class Simulator {
 public:
  static Simulator fromFile(const std::string& path);  // throws FleetError
  static Simulator fromJson(const nlohmann::json& fleet);
  // A fleet of `count` boards 10.77.0.10, .11, ... with realistic defaults.
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
  void withBoard(const std::string& address, const std::function<void(BoardState&)>& f);
  void withBoard(std::size_t index, const std::function<void(BoardState&)>& f);
  void setFaults(const std::string& address, const Faults& faults);

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
