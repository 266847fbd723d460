#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "standard_streams.h"

namespace ozmi::streams {
namespace {

// Waits until `fd` is ready for `events`; a failed poll other than an interruption gives up.
bool waitFor(int fd, short events) {
  pollfd p{fd, events, 0};
  for (;;) {
    if (poll(&p, 1, -1) >= 0) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace

std::optional<std::string> readStandardInput() {
  std::string input;
  std::size_t used = 0;
  for (;;) {
    // Read straight into the string, growing it by half each time it fills.
    if (input.size() - used < (1 << 16)) input.resize(std::max<std::size_t>(used + (1 << 16), used + used / 2));
    const ssize_t n = read(STDIN_FILENO, input.data() + used, input.size() - used);
    if (n > 0) {
      used += static_cast<std::size_t>(n);
    } else if (n == 0) {
      input.resize(used);
      return input;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (!waitFor(STDIN_FILENO, POLLIN)) return std::nullopt;
    } else if (errno != EINTR) {
      return std::nullopt;
    }
  }
}

void writeStandardOutput(std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(STDOUT_FILENO, text.data(), text.size());
    if (n > 0) {
      text.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!waitFor(STDOUT_FILENO, POLLOUT)) return;
    } else if (n == 0 || errno != EINTR) {
      return;
    }
  }
}

}  // namespace ozmi::streams
