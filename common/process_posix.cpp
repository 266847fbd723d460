#include "process_posix.h"

#include <fcntl.h>
#include <unistd.h>

namespace ozmi::process {

void pointStandardErrorAtDevNull() {
  const int null = open("/dev/null", O_WRONLY);
  if (null < 0) return;
  if (null != STDERR_FILENO) {
    dup2(null, STDERR_FILENO);
    close(null);
  }
}

}  // namespace ozmi::process
