#include <string>
#include <vector>

#include "device_key.h"
#include "process.h"
#include "standard_streams.h"

int main(int argc, char** argv) {
  using namespace ozmi::devicekey;
  quietProcess();
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  ozmi::streams::writeStandardOutput(runDeviceKey(args, ozmi::streams::readStandardInput, *makeKeyStore()));
  return 0;
}
