// A private headless X11 desktop for end-to-end tests: Xvfb on a display number it picks
// itself, a session bus (which activates the accessibility bus on first use), openbox for the
// active window, and test applications. Every process is started in a process group of its
// own and stopped through that group's id, so the bus launchers that a session bus activates
// go with it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "user_bus_socket.h"

namespace ozmi::testing {

inline constexpr char kXvfb[] = "/usr/bin/Xvfb";

class HeadlessDesktop {
 public:
  struct Options {
    bool sessionBus = true;     // dbus-daemon --session, with the accessibility bus behind it
    bool windowManager = true;  // openbox
  };

  // Starts the desktop and points this process's DISPLAY at it, so that the programs under test
  // and the applications find it as on a real desktop; the applications, started from here,
  // also get the session bus through DBUS_SESSION_BUS_ADDRESS. `error` says what failed when
  // ok() is false.
  explicit HeadlessDesktop(Options options);
  ~HeadlessDesktop();
  HeadlessDesktop(const HeadlessDesktop&) = delete;
  HeadlessDesktop& operator=(const HeadlessDesktop&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  const std::string& display() const { return display_; }
  // Whether the session bus listens at the user's bus socket, where the programs under test
  // look for it. When that socket is taken (a real session's bus), it is left alone and this
  // desktop's bus listens on an address of its own.
  bool sessionBusAtUserSocket() const { return userBus_ != nullptr; }

  // Starts `argv` in a group of its own; the pid, or none. Output goes to /dev/null.
  std::optional<pid_t> start(const std::vector<std::string>& argv);
  // Stops the group of a process started here and reaps it.
  void stop(pid_t pid);

 private:
  std::optional<pid_t> startReading(const std::vector<std::string>& argv, std::string& line,
                                    const char* fdArgument);
  std::vector<pid_t> started_;
  pid_t busPid_ = -1;
  std::unique_ptr<UserBusSocket> userBus_;  // released once the bus has stopped
  std::string display_;
  std::string error_;
};

// The title (_NET_WM_NAME) of the window manager's active window; none without one.
std::optional<std::string> activeWindowTitle();

// Polls `ready` every 50 ms until it answers true or `limit` has passed; the last answer.
template <typename F>
bool waitUntil(F ready, std::chrono::milliseconds limit = std::chrono::seconds(30));

}  // namespace ozmi::testing

#include <thread>

template <typename F>
bool ozmi::testing::waitUntil(F ready, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (ready()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}
