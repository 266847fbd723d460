// The user's bus socket, /run/user/<uid>/bus, where the programs under test look for the
// session bus, held by a test for as long as it needs it.
#pragma once

#include <memory>
#include <string>

namespace ozmi::testing {

class UserBusSocket {
 public:
  // The path, free for a listener of the caller's, or none: when a bus is already there (a real
  // session's), or another test holds it. /run/user/<uid> is made (mode 0700) when missing.
  static std::unique_ptr<UserBusSocket> claim();
  // Removes the socket, and /run/user/<uid> when it was made here.
  ~UserBusSocket();
  UserBusSocket(const UserBusSocket&) = delete;
  UserBusSocket& operator=(const UserBusSocket&) = delete;

  const std::string& path() const { return path_; }

 private:
  UserBusSocket(int lock, std::string path, std::string folderMade)
      : lock_(lock), path_(std::move(path)), folderMade_(std::move(folderMade)) {}
  int lock_;
  std::string path_;
  std::string folderMade_;
};

}  // namespace ozmi::testing
