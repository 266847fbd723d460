// The kernel's TPM (Linux 4.12 and later offer /dev/tpmrm0 beside /dev/tpm0).
#include <tss2/tss2_rc.h>
#include <tss2/tss2_tcti_device.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "tcti.h"

namespace ozmi::devicekey {

namespace {

// The resource manager flushes whatever a run leaves in the TPM, even when the run is killed.
// The raw device has none, so a killed run there would hold one of the TPM's few object slots
// until the next reboot: it is used only where the kernel offers no resource manager, never as a
// way around one that this user may not open.
constexpr const char* kResourceManager = "/dev/tpmrm0";
constexpr const char* kRawDevice = "/dev/tpm0";

void freeTcti(TSS2_TCTI_CONTEXT* tcti) {
  Tss2_Tcti_Finalize(tcti);
  std::free(tcti);
}

// Why `device` could not be opened, in words a user can act on. The devices are root:tss 0660
// on the usual distributions; the TSS's own answer to a failed open is only "IO failure".
StoreError openError(const char* device, TSS2_RC rc) {
  if (access(device, R_OK | W_OK) != 0) {
    if (errno == EACCES) return StoreError{std::string("permission denied on ") + device};
    if (errno == ENOENT) return StoreError{std::string("no TPM at ") + kResourceManager + " or " + kRawDevice};
  }
  return StoreError{Tss2_RC_Decode(rc)};
}

}  // namespace

Outcome<Tcti> openTcti() {
  const char* device = access(kResourceManager, F_OK) != 0 && errno == ENOENT ? kRawDevice : kResourceManager;
  std::size_t size = 0;
  TSS2_RC rc = Tss2_Tcti_Device_Init(nullptr, &size, device);
  if (rc != TSS2_RC_SUCCESS) return StoreError{Tss2_RC_Decode(rc)};
  Tcti tcti(static_cast<TSS2_TCTI_CONTEXT*>(std::calloc(1, size)), freeTcti);
  if (!tcti) return StoreError{Tss2_RC_Decode(TSS2_TCTI_RC_MEMORY)};
  rc = Tss2_Tcti_Device_Init(tcti.get(), &size, device);
  if (rc != TSS2_RC_SUCCESS) {
    // Nothing to finalise in a context whose initialisation failed.
    std::free(tcti.release());
    return openError(device, rc);
  }
  return tcti;
}

}  // namespace ozmi::devicekey
