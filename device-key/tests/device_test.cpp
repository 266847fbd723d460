// The installed program against the kernel's TPM devices as an unprivileged user finds them,
// in a private /dev whose nodes are plain files: which node it opens and what it answers when
// it may not. Needs root for the private mount namespace; skipped without.
#include <gtest/gtest.h>

#include <unistd.h>

#include "base64.h"
#include "program_output.h"
#include "tpm_blob.h"

namespace ozmi::devicekey::testing {
namespace {

using nlohmann::json;

ozmi::testing::RunResult runWithDevices(const std::vector<std::string>& nodes, const std::string& command,
                                        const std::string& input = "") {
  std::vector<std::string> args{"-m", "bash", OZMI_WITH_DEVICES};
  args.insert(args.end(), nodes.begin(), nodes.end());
  args.insert(args.end(), {"--", OZMI_DEVICE_KEY, command});
  return ozmi::testing::runProgram("/usr/bin/unshare", runOptions(args, input));
}

// A blob that passes every check of the tool's own, so that loading it asks the TPM.
std::string wellFormedBlob() {
  TpmKeyParts parts{};
  parts.publicPart = signingKeyTemplate();
  parts.publicPart.publicArea.unique.ecc.x.size = 32;
  parts.publicPart.publicArea.unique.ecc.y.size = 32;
  parts.privatePart.size = 126;
  return encodeBase64(std::get<Bytes>(packTpmBlob(parts)));
}

bool privateDevPossible() {
  return geteuid() == 0 && runWithDevices({}, "available").exitStatus == 0;
}

TEST(DeviceKeyDevices, UnopenableDeviceIsNotAvailableAndSaysWhy) {
  if (!privateDevPossible()) GTEST_SKIP() << "needs root and a private mount namespace";
  // The raw device is opened only where there is no resource manager: a run killed there would
  // hold a TPM object slot until the next reboot. A readable /dev/tpm0 beside an unreadable
  // /dev/tpmrm0 must not be taken instead.
  static const struct {
    const char* what;
    std::vector<std::string> nodes;
    const char* why;
  } kCases[] = {
      {"resource manager not permitted, raw device open to all", {"tpmrm0=0660", "tpm0=0666"},
       "permission denied on /dev/tpmrm0"},
      {"only the raw device, not permitted", {"tpm0=0660"}, "permission denied on /dev/tpm0"},
      {"no device", {}, "no TPM at /dev/tpmrm0 or /dev/tpm0"},
  };
  const std::string input = wellFormedBlob() + "\nAAAA\n";
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(replyOf(runWithDevices(c.nodes, "available")), (json{{"available", false}, {"ok", true}, {"schema", 1}}));
    EXPECT_EQ(replyOf(runWithDevices(c.nodes, "create")), failure("secure enclave not available"));
    for (const char* command : {"public", "sign"}) {
      SCOPED_TRACE(command);
      EXPECT_EQ(replyOf(runWithDevices(c.nodes, command, input)),
                failure(std::string("enclave rejected the key handle: ") + c.why));
    }
  }
}

}  // namespace
}  // namespace ozmi::devicekey::testing
