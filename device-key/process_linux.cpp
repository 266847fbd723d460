#include <openssl/crypto.h>

#include <cstdlib>

#include "process.h"

namespace ozmi::devicekey {

void quietLibraries() {
  // The TSS reads TSS2_LOG and TSS2_LOGFILE and OpenSSL reads OPENSSL_CONF and friends from the
  // environment when first used; with no environment there is nothing to read. This runs
  // before the first TSS or OpenSSL call, so neither has looked yet.
  clearenv();

  // OpenSSL (the TSS's crypto backend, and our SHA-256) would load openssl.cnf on first use;
  // initialising it first without config settles that for the whole run.
  OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
}

}  // namespace ozmi::devicekey
