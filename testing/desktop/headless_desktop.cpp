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

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::strlen(name), name), nullptr);
  const xcb_atom_t a = reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return a;
}

// The bytes of a property of `window` when it has the type `type`; none otherwise, also when
// the window no longer exists.
std::optional<std::string> property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
  if (name == XCB_ATOM_NONE || type == XCB_ATOM_NONE) return std::nullopt;
  xcb_get_property_reply_t* p =
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 1024), nullptr);
  std::optional<std::string> bytes;
  if (p != nullptr && p->type == type) {
    bytes.emplace(static_cast<const char*>(xcb_get_property_value(p)),
                  static_cast<std::size_t>(xcb_get_property_value_length(p)));
  }
  std::free(p);
  return bytes;
}

std::optional<xcb_window_t> windowProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name) {
  const auto bytes = property(c, window, name, XCB_ATOM_WINDOW);
  if (!bytes || bytes->size() != sizeof(xcb_window_t)) return std::nullopt;
  xcb_window_t w = 0;
  std::memcpy(&w, bytes->data(), sizeof w);
  return w;
}

xcb_window_t rootOf(xcb_connection_t* c) { return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root; }

// Whether an EWMH window manager runs and has taken the screen: the root's
// _NET_SUPPORTING_WM_CHECK names a window whose own _NET_SUPPORTING_WM_CHECK names itself.
// The root property alone is not enough: a window manager that exits leaves it behind, naming
// a window that is gone, and an application mapped then is never activated (the next window
// manager takes it over as a window that was already there).
bool windowManagerRunning() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  bool running = false;
  if (xcb_connection_has_error(c) == 0) {
    const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
    const auto window = windowProperty(c, rootOf(c), check);
    running = window && *window != XCB_WINDOW_NONE && windowProperty(c, *window, check) == window;
  }
  xcb_disconnect(c);
  return running;
}

bool exited(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, WNOHANG) == pid;
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
  // -noreset: by default Xvfb resets whenever its last client leaves (the readiness check below
  // is one), and a client that connects during the reset fails ("Failed to open the display").
  if (!startReading({kXvfb, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset", "-displayfd"}, displayNumber, "1") ||
      displayNumber.empty()) {
    error_ = "Xvfb did not report a display";
    return;
  }
  display_ = ":" + displayNumber;
  ::setenv("DISPLAY", display_.c_str(), 1);
  // Xvfb names its display once the socket exists, which can be before it accepts clients.
  if (!waitUntil(desktop::x11::displayReachable, std::chrono::seconds(20))) {
    error_ = "Xvfb did not accept clients on " + display_;
    return;
  }
  if (options.sessionBus) {
    userBus_ = UserBusSocket::claim();
    std::vector<std::string> daemon{"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile"};
    if (userBus_) daemon.push_back("--address=unix:path=" + userBus_->path());
    std::string address;
    const auto pid = startReading(daemon, address, "--print-address=1");
    busPid_ = pid.value_or(-1);
    if (!pid || address.empty()) {
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
  // A window manager that is slow to start is waited for, never replaced: one that is stopped
  // after taking the screen leaves its marks on the root. Only one that gave up is started again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto openbox = start({"/usr/bin/openbox"});
    if (!openbox) break;
    bool gone = false;
    const bool settled =
        waitUntil([&] { return windowManagerRunning() || (gone = exited(*openbox)); }, std::chrono::seconds(60));
    if (settled && !gone) return;
    if (!gone) break;
    std::erase(started_, *openbox);
    ::kill(-*openbox, SIGKILL);  // what may be left of its group
  }
  error_ = "openbox did not take the screen";
}

std::optional<std::string> activeWindowTitle() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  std::optional<std::string> title;
  if (xcb_connection_has_error(c) == 0) {
    const auto window = windowProperty(c, rootOf(c), atom(c, "_NET_ACTIVE_WINDOW"));
    if (window && *window != XCB_WINDOW_NONE) {
      title = property(c, *window, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"));
    }
  }
  xcb_disconnect(c);
  return title;
}

HeadlessDesktop::~HeadlessDesktop() {
  // Last started first: applications, then the window manager, the bus and the server.
  while (!started_.empty()) stop(started_.back());
  userBus_.reset();  // also when the bus never started
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
  if (pid == busPid_) userBus_.reset();
}

}  // namespace ozmi::testing
