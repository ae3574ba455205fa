#pragma once
// The private test LAN: the calling process moves into a fresh user+net namespace holding the
// PC side (lan0 = 10.77.0.1/24, default route through lan0), and a second namespace holds the
// boards' side of the veth pair (brd0). Nothing reaches the machine's own network.

#include <string>
#include <vector>

namespace testlan {

struct Options {
  bool secondAdapter = false;  // lan1 = 10.88.0.1/24 beside lan0, boards' side brd1
};

inline constexpr const char* kPcAddress = "10.77.0.1";
inline constexpr const char* kSecondPcAddress = "10.88.0.1";

// Must run while the process has one thread. Throws std::runtime_error naming the step that
// failed; never falls back to the real network.
void enter(const Options& options = {});
bool entered();

// Environment for the boards' side, also set in this process's environment on enter():
// TAVMON_BOARD_NETNS (a path to open and setns into) and TAVMON_BOARD_IF (brd0).
std::string boardNetnsPath();

// Puts the calling thread's new sockets on the boards' side (a raw board peer's thread).
// Throws std::runtime_error outside a test LAN.
void enterBoardSide();

// Adds an address to a boards' side interface; adding it again is harmless. Throws when `ip`
// refuses.
void addBoardAddress(const std::string& address, int prefix = 24,
                     const std::string& device = "brd0");

// Runs a program with arguments (no shell) in the PC namespace, or in the boards' namespace;
// returns its exit status, -1 when it could not be started.
int run(const std::vector<std::string>& argv, bool inBoardNamespace = false);

}  // namespace testlan
