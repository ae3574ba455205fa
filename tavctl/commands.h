#pragma once
// tavctl's commands as plain functions over the same core as Tavmon: each writes its result to
// `out`, its complaints to `err`, and returns the program's exit status. No Qt, no globals, so
// tests call them in-process as well as through the built program.

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace tav::ctl {

// Exit statuses, the same for every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitInternal = 1;      // something the program did not expect
inline constexpr int kExitBadArguments = 2;  // bad arguments or input refused: no board was changed
inline constexpr int kExitNoAnswer =
    3;  // no board answered (search empty, board silent or refusing)
inline constexpr int kExitExchangeFailed =
    4;  // the board answered but the exchange failed, or a datagram did not leave

// The text --help shows about them.
std::string_view ExitStatusHelp();

inline constexpr int kDefaultWaitMs = 3000;

struct SearchOptions {
  std::string adapter;  // dotted address of the adapter to listen on; empty: as Tavmon chooses
  int waitMs = kDefaultWaitMs;
  bool json = false;
  bool csv = false;  // the list as Tavmon's "导出列表" writes it (UTF-8 with BOM)
};
int Search(const SearchOptions& options, std::ostream& out, std::ostream& err);

int Show(std::string_view address, bool json, std::ostream& out, std::ostream& err);

// Reads one configuration block and prints it as hex; type 268 sends `text` and prints the
// board's text answer.
int Get(std::string_view address, int type, std::string_view text, std::ostream& out,
        std::ostream& err);

// Writes one configuration record given as hex digits or "@FILE" ("@-": standard input; a file
// of hex digits is read as hex, anything else as the record's bytes). Type 19 takes its
// command text as it is.
int Set(std::string_view address, int type, std::string_view data, std::istream& in,
        std::ostream& out, std::ostream& err);

int Restart(std::string_view address, std::ostream& out, std::ostream& err);
int FactoryReset(std::string_view address, std::ostream& out, std::ostream& err);

struct SetIpOptions {
  std::string address;  // the board as listed now
  std::string ip, mask, gateway;
  std::optional<std::string> name;  // keeps the board's name when absent
  bool dhcp = false;                // all three addresses 0.0.0.0
  bool force = false;               // answers yes to "gateway in another subnet"
  int waitMs = kDefaultWaitMs;      // search window when the board cannot be read directly
};
int SetIp(const SetIpOptions& options, std::ostream& out, std::ostream& err);

// Hardware debug pages (debug_commands.cpp).
enum class EdidAction { Read, LockState, Lock, Unlock, Clear, CopyMonitor };
struct EdidOptions {
  std::string address;
  EdidAction action = EdidAction::Read;
  bool monitor = false;  // the attached monitor's EDID
  bool raw = false;      // the page's 32 lines instead of the summary
  bool json = false;
};
int Edid(const EdidOptions& options, std::ostream& out, std::ostream& err);

struct RegOptions {
  std::string address;
  std::vector<std::string> args;        // read|write DEV REG [VALUE], or [DEV] with a list
  std::optional<int> bus;               // the general page (port 8070) when given
  bool wide = false;                    // 16-bit registers
  std::optional<std::string> listFile;  // batch write ("-": standard input)
  bool readList = false;                // batch read
  bool json = false;
};
int Reg(const RegOptions& options, std::istream& in, std::ostream& out, std::ostream& err);

struct SerialOptions {
  std::string address;
  std::optional<std::string> baud;  // write this rate ("auto" or "动态调整": 0)
  std::optional<std::string> send;  // the page's send text
  bool json = false;
};
int Serial(const SerialOptions& options, std::ostream& out, std::ostream& err);

struct PtzOptions {
  std::string address;
  std::string key;  // up, down, left, right, zoom-in, zoom-out, focus-near, focus-far, stop
  std::optional<std::string> speed;
  bool json = false;
};
int Ptz(const PtzOptions& options, std::ostream& out, std::ostream& err);
// Video commands (video_commands.cpp).
struct VideoOptions {
  std::string address;
  std::string mode;  // empty: print the peripheral settings
  int refresh = 0;
  std::optional<std::string> audio;
  bool json = false;
};
int Video(const VideoOptions& options, std::ostream& out, std::ostream& err);
int Customer(std::string_view file, bool json, std::ostream& out, std::ostream& err);
struct CaptureOptions {
  std::string address;
  std::optional<std::string> set;
  std::optional<int> hOffset, vOffset, maxWidth, maxHeight, clock;
  bool quick = false, yes = false, json = false;
};
int Capture(const CaptureOptions& options, std::ostream& out, std::ostream& err);
struct PositionOptions {
  std::string address;
  bool decoderPage = false;
  std::optional<std::string> setPicture, setVideo, reg, value;
  bool clear = false, json = false;
};
int Position(const PositionOptions& options, std::ostream& out, std::ostream& err);
// Adds video, customer, capture and position; the function runs the one given (nothing when
// none was).
std::function<std::optional<int>()> AddVideoCommands(CLI::App& app, std::ostream& out,
                                                     std::ostream& err);
struct UpgradeInfoOptions {
  std::string file;
  bool batch = false;  // the batch page's reading: short header only, its type names
  bool json = false;
};
// The upgrade page's information line of a package, or its parsed header as JSON.
int UpgradeInfo(const UpgradeInfoOptions& options, std::ostream& out, std::ostream& err);

struct UpgradeOptions {
  std::vector<std::string> addresses;
  std::string file;    // empty: the last of `addresses`
  bool batch = false;  // the batch page's rules: short header, one type for all, 9 attempts
  bool yes = false;  // answers "确定是否升级程序"; without it the question goes to the terminal
  int parallel = 1;  // boards upgraded at once (single-board rules only)
  bool json = false;
};
// Reads each board's type, applies the page's package and type rules, sends the components in
// order and prints the page's log lines oldest first, then a summary.
int Upgrade(const UpgradeOptions& options, std::istream& in, std::ostream& out, std::ostream& err);
// Data detection (detect_commands.cpp).
struct DiagnoseOptions {
  std::string adapter;
  int waitMs = kDefaultWaitMs;
  bool json = false;
};
// Searches and prints the link diagnosis's findings.
int Diagnose(const DiagnoseOptions& options, std::ostream& out, std::ostream& err);

struct DetectOptions {
  std::vector<std::string> addresses;  // encoders; or
  bool all = false;                    // every eligible encoder found by a search
  int seconds = 10;
  std::string adapter;
  int waitMs = kDefaultWaitMs;
  bool json = false;  // one JSON object per second
};
// Starts detection, prints the rates (kbit/s) every second, stops it at the end.
int Detect(const DetectOptions& options, std::ostream& out, std::ostream& err);

struct SourcesOptions {
  std::string address;  // the decoder
  std::string adapter;
  int waitMs = kDefaultWaitMs;
  bool json = false;
};
// The encoders a decoder's detection page offers.
int Sources(const SourcesOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tav::ctl
