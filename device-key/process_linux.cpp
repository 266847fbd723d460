#include <fcntl.h>
#include <openssl/crypto.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "process.h"

namespace ozmi::devicekey {

void quietProcess() {
  // The TSS reads TSS2_LOG and TSS2_LOGFILE and OpenSSL reads OPENSSL_CONF and friends from the
  // environment when first used; with no environment there is nothing to read. This runs
  // before the first TSS or OpenSSL call, so neither has looked yet.
  clearenv();

  // With descriptor 1 closed, the TPM device opened later would become standard output.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
      const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
      if (opened >= 0 && opened != fd) {
        dup2(opened, fd);
        close(opened);
      }
    }
  }
  // The TSS logs its errors to standard error by default, from inside the library. The host
  // expects nothing there, so the stream goes nowhere rather than each caller being trusted.
  const int null = open("/dev/null", O_WRONLY);
  if (null >= 0) {
    dup2(null, STDERR_FILENO);
    if (null != STDERR_FILENO) close(null);
  }

  signal(SIGPIPE, SIG_IGN);

  // OpenSSL (the TSS's crypto backend, and our SHA-256) would load openssl.cnf on first use;
  // initialising it first without config settles that for the whole run.
  OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
}

std::string readStandardInput() {
  std::string input;
  std::size_t used = 0;
  for (;;) {
    // Read straight into the string, growing it by half each time it fills.
    if (input.size() - used < (1 << 16)) input.resize(std::max<std::size_t>(used + (1 << 16), used + used / 2));
    const ssize_t n = read(STDIN_FILENO, input.data() + used, input.size() - used);
    if (n > 0) {
      used += static_cast<std::size_t>(n);
    } else if (n == 0 || errno != EINTR) {
      input.resize(used);
      return input;
    }
  }
}

void writeStandardOutput(std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(STDOUT_FILENO, text.data(), text.size());
    if (n > 0) {
      text.remove_prefix(static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      return;
    }
  }
}

}  // namespace ozmi::devicekey
