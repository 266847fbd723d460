// Runs a built program the way the host does: arguments, bytes on standard input, then the
// output, the error stream and the exit status. For end-to-end tests only.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace ozmi::testing {

struct RunOptions {
  std::vector<std::string> args;      // after the program path
  std::string stdinData;              // written, then standard input is closed
  // The first `stdinPauseAfter` bytes of stdinData are written, the rest only `stdinPause` later.
  std::size_t stdinPauseAfter = std::string::npos;
  std::chrono::milliseconds stdinPause{0};
  // O_NONBLOCK on the program's end of standard input, as an event-loop host may pass it on.
  bool stdinNonBlocking = false;
  bool closeStdoutEarly = false;      // the reader closes its end before the program writes
  std::chrono::milliseconds timeout{60000};
  std::vector<std::string> environment;  // "NAME=value" entries set for the program alone
  bool nonBlockingStdout = false;     // the program's standard output has O_NONBLOCK set
  std::chrono::milliseconds readDelay{0};  // the reader starts this late
};

struct RunResult {
  std::string out;
  std::string err;
  int exitStatus = -1;   // -1 when the program did not exit normally
  int termSignal = 0;    // the signal that ended it, if any
  bool timedOut = false;
};

RunResult runProgram(const std::string& path, const RunOptions& options = {});

}  // namespace ozmi::testing
