#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "process.h"
#include "process_posix.h"

namespace ozmi::devicekey {

void quietProcess() {
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
  // Libraries may log their errors to standard error from the inside; the host expects nothing
  // there.
  process::pointStandardErrorAtDevNull();

  signal(SIGPIPE, SIG_IGN);

  quietLibraries();
}

}  // namespace ozmi::devicekey
