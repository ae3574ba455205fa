#pragma once
// tavctl's commands as plain functions over the same core as Tavmon: each writes its result to
// `out`, its complaints to `err`, and returns the program's exit status. No Qt, no globals, so
// tests call them in-process as well as through the built program.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

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

}  // namespace tav::ctl
