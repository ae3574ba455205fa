#pragma once
// Starting other programs: always with an argument list, never through a shell. POSIX here; a
// Windows build replaces process.cpp with CreateProcess.

#include <string>
#include <vector>

namespace tav::platform {

// The full path of a program found in PATH (or the name itself when it holds a '/' and is
// executable); empty when there is none.
std::string findProgram(const std::string& name);

// Starts argv[0] (looked up in PATH) with its output discarded and does not wait for it; the
// program is not left as a zombie. False when it could not be started.
bool startDetached(const std::vector<std::string>& argv);

struct ProcessResult {
  int exitCode = -1;   // -1 when the program could not be started or did not exit normally
  std::string output;  // standard output and standard error, interleaved
};

// Runs argv[0] (looked up in PATH) and waits for it, collecting what it prints.
ProcessResult runProcess(const std::vector<std::string>& argv);

}  // namespace tav::platform
