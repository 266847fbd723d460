#include <csignal>

#include "entry.h"
#include "process_posix.h"
#include "standard_streams.h"

int main(int argc, char** argv) {
  ozmi::process::pointStandardErrorAtDevNull();
  std::signal(SIGPIPE, SIG_IGN);  // a host that stopped listening must not end the run
  const std::string line = ozmi::probe::probeMain({argv, argv + argc}, ozmi::probe::makePlatformDesktop);
  ozmi::streams::writeStandardOutput(line);
  return 0;
}
