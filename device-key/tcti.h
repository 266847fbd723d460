// The channel to the TPM under the key store. Which TPM that is gets settled when linking: each
// program links exactly one implementation of `openTcti`, the kernel's devices
// (tcti_device_linux.cpp) in the program that is installed, a software TPM at an address fixed
// when building (tcti_test_linux.cpp) in the test build alone.
#pragma once

#include <tss2/tss2_tcti.h>

#include <memory>

#include "key_store.h"

namespace ozmi::devicekey {

// An open TCTI, finalised and freed with its owner.
using Tcti = std::unique_ptr<TSS2_TCTI_CONTEXT, void (*)(TSS2_TCTI_CONTEXT*)>;

// Opens the TCTI, or says why it cannot be opened.
Outcome<Tcti> openTcti();

}  // namespace ozmi::devicekey
