#include "headless_desktop.h"

#include "x11_windows_linux.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <thread>

namespace ozmi::testing {

namespace {

pid_t spawn(const std::vector<std::string>& argv, int keepFd) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::setpgid(0, 0);
  const int null = ::open("/dev/null", O_RDWR);
  ::dup2(null, 0);
  if (keepFd != 1) ::dup2(null, 1);
  ::dup2(null, 2);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ::execv(args[0], args.data());
  ::_exit(127);
}

// The group is also made by the parent, so that stop() finds it even if the child has not run yet.
void ownGroup(pid_t pid) {
  if (pid > 0) ::setpgid(pid, pid);
}

// The first line written on `fd` within `limit`, without its line feed; empty on timeout.
std::string readLine(int fd, std::chrono::milliseconds limit) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return {};
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
    char buf[256];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) return {};
    line.append(buf, static_cast<std::size_t>(n));
  }
  return line.substr(0, line.find('\n'));
}

// Whether an EWMH window manager has taken the screen: _NET_SUPPORTING_WM_CHECK names its
// check window on the root. Applications started before that get no active window.
bool windowManagerRunning() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  bool running = false;
  if (xcb_connection_has_error(c) == 0) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::strlen(name), name), nullptr);
    if (atom != nullptr && atom->atom != XCB_ATOM_NONE) {
      xcb_get_property_reply_t* p = xcb_get_property_reply(
          c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
      running = p != nullptr && xcb_get_property_value_length(p) == 4;
      std::free(p);
    }
    std::free(atom);
  }
  xcb_disconnect(c);
  return running;
}

}  // namespace

std::optional<pid_t> HeadlessDesktop::startReading(const std::vector<std::string>& argv, std::string& line,
                                                   const char* fdArgument) {
  int fds[2];
  if (::pipe(fds) != 0) return std::nullopt;
  // The child writes its line on its standard output, which is the pipe's write end.
  std::vector<std::string> args = argv;
  args.push_back(fdArgument);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    ::dup2(fds[1], 1);
    ::close(fds[0]);
    ::close(fds[1]);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 2);
    std::vector<char*> a;
    for (const auto& s : args) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    ::execv(a[0], a.data());
    ::_exit(127);
  }
  ownGroup(pid);
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return std::nullopt;
  }
  started_.push_back(pid);
  line = readLine(fds[0], std::chrono::seconds(20));
  ::close(fds[0]);
  return pid;
}

HeadlessDesktop::HeadlessDesktop(Options options) {
  std::string displayNumber;
  if (!startReading({kXvfb, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-displayfd"}, displayNumber, "1") ||
      displayNumber.empty()) {
    error_ = "Xvfb did not report a display";
    return;
  }
  display_ = ":" + displayNumber;
  ::setenv("DISPLAY", display_.c_str(), 1);
  // Xvfb names its display once the socket exists, which can be before it accepts clients.
  if (!waitUntil(desktop::displayReachable, std::chrono::seconds(20))) {
    error_ = "Xvfb did not accept clients on " + display_;
    return;
  }
  if (options.sessionBus) {
    std::string address;
    if (!startReading({"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile"}, address,
                      "--print-address=1") ||
        address.empty()) {
      error_ = "dbus-daemon did not report an address";
      return;
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  } else {
    // A bus that cannot be reached, rather than none: without an address GLib would start a
    // session bus of its own through dbus-launch.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ozmi-no-session-bus", 1);
  }
  if (!options.windowManager) return;
  // openbox now and then fails to open a display that has just accepted another client
  // ("Failed to open the display"), so it gets a few tries.
  for (int attempt = 0; attempt < 4; ++attempt) {
    const auto openbox = start({"/usr/bin/openbox"});
    if (openbox && waitUntil(windowManagerRunning, std::chrono::seconds(5))) return;
    if (openbox) stop(*openbox);
  }
  error_ = "openbox did not take the screen";
}

HeadlessDesktop::~HeadlessDesktop() {
  // Last started first: applications, then the window manager, the bus and the server.
  while (!started_.empty()) stop(started_.back());
}

std::optional<pid_t> HeadlessDesktop::start(const std::vector<std::string>& argv) {
  const pid_t pid = spawn(argv, -1);
  if (pid < 0) return std::nullopt;
  ownGroup(pid);
  started_.push_back(pid);
  return pid;
}

void HeadlessDesktop::stop(pid_t pid) {
  std::erase(started_, pid);
  ::kill(-pid, SIGCONT);  // a test may have stopped it
  ::kill(-pid, SIGTERM);
  int status = 0;
  const bool exited = waitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; },
                                std::chrono::seconds(5));
  if (!exited) {
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  ::kill(-pid, SIGKILL);  // whatever else of the group is left (activated bus services)
}

}  // namespace ozmi::testing
