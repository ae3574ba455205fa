#pragma once
// tavctl's command line: parses argv with CLI11 and runs one command.

#include <iosfwd>

namespace tav::ctl {

// Returns the exit status; --help prints to out and returns 0, a parse error prints to err and
// returns kExitBadArguments.
int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
           std::ostream& err);

}  // namespace tav::ctl
