#include "silent_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace ozmi::testing {

SilentSocket::SilentSocket(std::string path) : path_(std::move(path)) {
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  if (path_.size() >= sizeof address.sun_path) return;
  std::copy(path_.begin(), path_.end(), address.sun_path);
  // macOS has no SOCK_CLOEXEC; the flag is set after.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return;
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
}

SilentSocket::~SilentSocket() {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(path_.c_str());
}

bool SilentSocket::contacted() const {
  pollfd p{fd_, POLLIN, 0};
  return fd_ >= 0 && ::poll(&p, 1, 0) == 1;
}

std::unique_ptr<SilentDisplay> makeSilentDisplay() {
  const std::filesystem::path folder = "/tmp/.X11-unix";
  if (!std::filesystem::exists(folder)) {
    std::error_code ignored;
    std::filesystem::create_directory(folder, ignored);
    ::chmod(folder.c_str(), 01777);
  }
  // Far above the numbers that X servers take (they count up from 0), and never one with a
  // server's lock file or socket.
  for (int n = 700 + ::getpid() % 200; n < 1000; ++n) {
    const std::string socket = folder / ("X" + std::to_string(n));
    const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
    if (std::filesystem::exists(socket) || std::filesystem::exists(lock)) continue;
    auto display = std::make_unique<SilentDisplay>();
    display->socket.emplace(socket);
    if (!display->socket->ok()) continue;
    display->display = ":" + std::to_string(n);
    return display;
  }
  return nullptr;
}

}  // namespace ozmi::testing
