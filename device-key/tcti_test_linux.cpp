// A TPM at an address fixed when building (OZMI_TEST_TCTI), for tests against a software TPM.
// Only the test build links this: whoever listens at that address answers as the TPM, so the
// program that can be installed talks to the kernel's TPM alone. Never taken from the
// environment either, for the same reason.
#include <tss2/tss2_rc.h>
#include <tss2/tss2_tctildr.h>

#include <string>
#include <string_view>

#include "tcti.h"

namespace ozmi::devicekey {

namespace {

constexpr std::string_view kTestTcti = OZMI_TEST_TCTI;

void finalizeTcti(TSS2_TCTI_CONTEXT* tcti) {
  Tss2_TctiLdr_Finalize(&tcti);
}

}  // namespace

// "swtpm:host=...,port=..." names the TCTI library "libtss2-tcti-swtpm.so.0"; the loader would
// find it too, but only after trying the bare name in every library folder first.
Outcome<Tcti> openTcti() {
  const std::size_t colon = kTestTcti.find(':');
  const std::string name(kTestTcti.substr(0, colon));
  const std::string conf(colon == std::string_view::npos ? std::string_view() : kTestTcti.substr(colon + 1));
  const std::string library = name.find('/') == std::string::npos && name.find(".so") == std::string::npos
                                  ? "libtss2-tcti-" + name + ".so.0"
                                  : name;
  TSS2_TCTI_CONTEXT* tcti = nullptr;
  const TSS2_RC rc = Tss2_TctiLdr_Initialize_Ex(library.c_str(), conf.c_str(), &tcti);
  if (rc != TSS2_RC_SUCCESS) return StoreError{Tss2_RC_Decode(rc)};
  return Tcti(tcti, finalizeTcti);
}

}  // namespace ozmi::devicekey
