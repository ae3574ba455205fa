#pragma once
// Runs a program as a child process and collects its exit status and output.

#include <string>
#include <vector>

namespace ctltest {

struct ProgramRun {
  int status = -1;  // exit status; -1 when it did not start or did not exit normally
  std::string out, err;
};

ProgramRun runProgram(const std::vector<std::string>& argv);

// $TAVMON_BIN/tavctl.
std::string tavctlPath();

}  // namespace ctltest
