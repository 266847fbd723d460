#include "user_bus_socket.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>

namespace ozmi::testing {

namespace {

// Whether a process listens at the socket `path` (a connection is refused at a socket that its
// listener left behind).
bool someoneListens(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  path.copy(address.sun_path, path.size());
  const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  const bool connected = ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(s);
  return connected;
}

}  // namespace

// The lock, taken without waiting, is held until the socket is removed, so that two tests
// (in two checkouts, say) never share the socket or remove it under each other. A socket nobody
// listens at (left by a run that was killed) is taken over; anything else there is left alone.
std::unique_ptr<UserBusSocket> UserBusSocket::claim() {
  const std::string uid = std::to_string(::getuid());
  const std::string lockPath = "/tmp/ozmi-test-user-bus-" + uid + ".lock";
  const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) return nullptr;
  auto give_up = [lock] {
    ::close(lock);
    return nullptr;
  };
  if (::flock(lock, LOCK_EX | LOCK_NB) != 0) return give_up();
  const std::string folder = "/run/user/" + uid;
  std::string folderMade;
  if (::mkdir(folder.c_str(), 0700) == 0) {
    folderMade = folder;
  } else if (errno != EEXIST) {
    return give_up();
  }
  const std::string socket = folder + "/bus";
  struct stat info{};
  if (::lstat(socket.c_str(), &info) == 0) {
    if (!S_ISSOCK(info.st_mode) || someoneListens(socket)) return give_up();
    ::unlink(socket.c_str());
  }
  return std::unique_ptr<UserBusSocket>(new UserBusSocket(lock, socket, folderMade));
}

UserBusSocket::~UserBusSocket() {
  ::unlink(path_.c_str());
  if (!folderMade_.empty()) ::rmdir(folderMade_.c_str());
  ::close(lock_);
}

}  // namespace ozmi::testing
