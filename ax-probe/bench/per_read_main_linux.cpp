// ozmi-ax-probe with the accessibility tree read one call per attribute, for comparing the two
// read modes with whole-process timings (testing/desktop/bench_probe.sh).
#include <csignal>
#include <cstdio>

#include "desktop_linux.h"
#include "entry.h"

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  const std::string line = ozmi::probe::probeMain({argv, argv + argc}, [] {
    return ozmi::probe::makeLinuxDesktop(ozmi::probe::atspi::ReadMode::perRead);
  });
  std::fwrite(line.data(), 1, line.size(), stdout);
  return 0;
}
