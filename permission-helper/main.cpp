#include <csignal>

#include "helper_main.h"
#include "process_posix.h"
#include "standard_streams.h"

int main(int argc, char** argv) {
  ozmi::process::pointStandardErrorAtDevNull();
  // The host may close its end early; the write then fails quietly and the exit status stays 0.
  std::signal(SIGPIPE, SIG_IGN);
  auto platform = ozmi::permission::makePlatform();
  const std::string line =
      ozmi::permission::runHelper(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), *platform);
  ozmi::streams::writeStandardOutput(line);
  return 0;
}
