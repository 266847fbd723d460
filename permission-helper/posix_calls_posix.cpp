#include "posix_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace ozmi::permission::posix {

std::int32_t processId() { return ::getpid(); }

std::int32_t parentProcessId() { return ::getppid(); }

std::optional<std::string> passwordDatabaseHome() {
  const passwd* entry = ::getpwuid(::getuid());
  if (entry == nullptr || entry->pw_dir == nullptr) return std::nullopt;
  return std::string(entry->pw_dir);
}

bool isRegularFile(const std::string& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// O_NONBLOCK keeps a FIFO placed at a probed path from stalling the run; it changes nothing
// for files and directories.
OpenResult openReadOnly(const std::string& path, bool directory) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC |
                                          (directory ? O_DIRECTORY : 0));
  return {fd, fd < 0 ? errno : 0};
}

ReadResult readOneByte(int fd) {
  char byte = 0;
  const ssize_t count = ::read(fd, &byte, 1);
  return {static_cast<long>(count), count < 0 ? errno : 0};
}

void closeDescriptor(int fd) { ::close(fd); }

ListingResult listDirectory(const std::string& path) {
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return {false, errno};
  std::optional<std::int32_t> failure;
  while (true) {
    errno = 0;
    if (::readdir(dir) != nullptr) continue;
    if (errno != 0) failure = errno;
    break;
  }
  ::closedir(dir);
  if (failure) return {false, failure};
  return {true, std::nullopt};
}

}  // namespace ozmi::permission::posix
