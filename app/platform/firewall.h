#pragma once
// The trust-list step: lets the boards' answers through the PC's firewall by adding allow rules
// for the UDP ports the program listens on. Linux knows two front ends, ufw and firewalld; the
// commands run with argument lists, never through a shell.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace tav::platform {

// UDP ports the PC receives on: search answers and the maintenance protocol.
std::vector<std::uint16_t> trustedUdpPorts();

enum class FirewallKind { None, Ufw, Firewalld };

enum class TrustOutcome {
  AlreadyTrusted,  // every port was allowed before
  Added,           // missing rules were added
  NoFirewall,      // neither ufw nor firewalld is present
  Failed,          // a command failed; detail says which and what it printed
};

struct TrustResult {
  TrustOutcome outcome = TrustOutcome::Failed;
  FirewallKind kind = FirewallKind::None;
  std::string detail;  // failed command and its first output line
};

// How the step reaches the system; tests replace both.
struct FirewallTools {
  std::function<std::string(const std::string&)> findProgram = platform::findProgram;
  std::function<ProcessResult(const std::vector<std::string>&)> run = platform::runProcess;
};

FirewallKind detectFirewall(const FirewallTools& tools);

// Ports of `wanted` that `ufw status` output shows allowed for UDP (any source).
std::vector<std::uint16_t> ufwAllowedPorts(const std::string& statusOutput,
                                           const std::vector<std::uint16_t>& wanted);

// Runs the step: lists the rules, adds what is missing, returns what happened.
TrustResult addTrustRules(const FirewallTools& tools = {});

// The user's message for a result (UTF-8).
std::string trustMessage(const TrustResult& result);

}  // namespace tav::platform
