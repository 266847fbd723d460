#include "x11_windows_linux.h"

#include <X11/X.h>  // FamilyInternet, FamilyInternet6
#include <X11/Xauth.h>
#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>

#include "utf8.h"
#include "window_properties_linux.h"

namespace ozmi::desktop::x11 {

namespace {

// The libxcb entry points used here, resolved once from libxcb.so.1 (the soname of libxcb 1.x).
struct Xcb {
#define OZMI_XCB_FUNCTIONS(X)                                                                   \
  X(xcb_parse_display) X(xcb_connect_to_fd) X(xcb_connection_has_error) X(xcb_disconnect)       \
  X(xcb_get_setup)                                                                              \
  X(xcb_setup_roots_iterator) X(xcb_intern_atom) X(xcb_intern_atom_reply) X(xcb_get_property)   \
  X(xcb_get_property_reply) X(xcb_get_property_value) X(xcb_get_property_value_length)          \
  X(xcb_query_tree) X(xcb_query_tree_reply) X(xcb_query_tree_children)                          \
  X(xcb_query_tree_children_length) X(xcb_get_window_attributes)                                \
  X(xcb_get_window_attributes_reply) X(xcb_get_image) X(xcb_get_image_reply)
#define OZMI_XCB_MEMBER(f) decltype(&::f) f = nullptr;
  OZMI_XCB_FUNCTIONS(OZMI_XCB_MEMBER)
#undef OZMI_XCB_MEMBER
};

const Xcb* loadXcb() {
  static const Xcb* const loaded = [] () -> const Xcb* {
    void* library = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static Xcb xcb;
    bool complete = true;
#define OZMI_XCB_RESOLVE(f)                                               \
  xcb.f = reinterpret_cast<decltype(&::f)>(::dlsym(library, #f));         \
  complete = complete && xcb.f != nullptr;
    OZMI_XCB_FUNCTIONS(OZMI_XCB_RESOLVE)
#undef OZMI_XCB_RESOLVE
    return complete ? &xcb : nullptr;
  }();
  return loaded;
}

// libXau, which libxcb itself reads the user's authority file with; loaded the same way. The
// program works without it against a display that asks for no authorisation.
struct Xau {
  decltype(&::XauGetBestAuthByAddr) getBestAuthByAddr = nullptr;
  decltype(&::XauDisposeAuth) disposeAuth = nullptr;
};

const Xau* loadXau() {
  static const Xau* const loaded = []() -> const Xau* {
    void* library = ::dlopen("libXau.so.6", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static Xau xau;
    xau.getBestAuthByAddr =
        reinterpret_cast<decltype(&::XauGetBestAuthByAddr)>(::dlsym(library, "XauGetBestAuthByAddr"));
    xau.disposeAuth = reinterpret_cast<decltype(&::XauDisposeAuth)>(::dlsym(library, "XauDisposeAuth"));
    return xau.getBestAuthByAddr != nullptr && xau.disposeAuth != nullptr ? &xau : nullptr;
  }();
  return loaded;
}

// How long one connection may take, from connecting the socket through its last reply. A
// display answers in milliseconds; one that accepts and then stays silent would otherwise hold
// the program forever, since libxcb waits for every reply without a limit.
constexpr std::chrono::milliseconds kDisplayTimeout{1500};

// Set once a connection ran out of time: the display counts as absent for the rest of the
// run, so a silent display costs the wait once, not once per question.
bool displayWentSilent = false;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Ends a blocked libxcb call at a deadline. libxcb waits in recv and poll without a time limit
// and goes on waiting after EAGAIN or EINTR, so a receive timeout on the socket does not help;
// instead SIGALRM's handler shuts down the socket's reading side, the wait then sees the end of
// the stream, and the connection turns into a connection in error, whose every reply is none.
// One connection is open at a time (each function opens its own), so one alarm suffices.
class SocketDeadline {
 public:
  SocketDeadline(int fd, std::chrono::milliseconds limit) {
    watched = fd;
    expired = 0;
    struct sigaction action = {};
    action.sa_handler = onAlarm;  // no SA_RESTART: a blocked call returns to look again
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, &previousAction_);
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(limit).count();
    itimerval timer = {};
    timer.it_value.tv_sec = static_cast<time_t>(micros / 1000000);
    timer.it_value.tv_usec = static_cast<suseconds_t>(micros % 1000000);
    ::setitimer(ITIMER_REAL, &timer, &previousTimer_);
  }
  ~SocketDeadline() {
    const itimerval off = {};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previousAction_, nullptr);
    ::setitimer(ITIMER_REAL, &previousTimer_, nullptr);
    watched = -1;
    if (expired != 0) displayWentSilent = true;
  }
  SocketDeadline(const SocketDeadline&) = delete;
  SocketDeadline& operator=(const SocketDeadline&) = delete;

 private:
  static void onAlarm(int) {
    expired = 1;
    if (watched >= 0) ::shutdown(watched, SHUT_RD);  // async-signal-safe
  }
  static inline volatile std::sig_atomic_t watched = -1;
  static inline volatile std::sig_atomic_t expired = 0;
  struct sigaction previousAction_ = {};
  itimerval previousTimer_ = {};
};

// Connects a socket to `address` before `deadline`; -1 when that fails or takes too long.
int connectBefore(int family, const sockaddr* address, socklen_t length,
                  std::chrono::steady_clock::time_point deadline) {
  const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  int connected = ::connect(fd, address, length);
  if (connected != 0 && errno == EINPROGRESS) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLOUT, 0};
    int error = 0;
    socklen_t size = sizeof error;
    if (left.count() > 0 && ::poll(&p, 1, static_cast<int>(left.count())) == 1 &&
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0) {
      connected = 0;
    }
  }
  // libxcb expects a blocking socket and sets its own flags.
  if (connected != 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int connectUnix(const std::string& path, bool abstract, std::chrono::steady_clock::time_point deadline) {
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  const std::size_t offset = abstract ? 1 : 0;  // an abstract name starts with a NUL byte
  if (path.size() + offset >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() +
                                             (abstract ? 0 : 1));
  return connectBefore(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), length, deadline);
}

// The socket of the display that libxcb's own parsing of DISPLAY names, connected as libxcb
// connects it: a local display through the abstract socket, else the one in /tmp/.X11-unix; a
// host through TCP port 6000 + the display number.
int connectDisplay(const std::string& host, int display, std::chrono::steady_clock::time_point deadline) {
  if (host.empty() || host == "unix") {
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(display);
    const int fd = connectUnix(path, true, deadline);
    return fd >= 0 ? fd : connectUnix(path, false, deadline);
  }
  if (host.front() == '/') return connectUnix(host, false, deadline);  // a socket's own path
  addrinfo hints = {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(6000 + display).c_str(), &hints, &found) != 0) return -1;
  int fd = -1;
  for (const addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
    fd = connectBefore(a->ai_family, a->ai_addr, a->ai_addrlen, deadline);
  }
  ::freeaddrinfo(found);
  return fd;
}

// The authority entry that libxcb would send for this socket: MIT-MAGIC-COOKIE-1 from the
// user's authority file (libXau finds the file), keyed as X11 keys it. A local socket, or a
// loopback address, is keyed by this host's name; another host by its address.
struct Authority {
  std::string name;
  std::string data;
};

std::optional<Authority> authorityFor(int fd, int display) {
  const Xau* xau = loadXau();
  if (xau == nullptr) return std::nullopt;
  sockaddr_storage peer = {};
  socklen_t size = sizeof peer;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0) return std::nullopt;
  unsigned short family = FamilyLocal;
  std::string address;
  if (peer.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(peer).sin_addr;
    if ((ntohl(in.s_addr) >> 24) != 127) {
      family = FamilyInternet;
      address.assign(reinterpret_cast<const char*>(&in), 4);
    }
  } else if (peer.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(peer).sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&in6)) {
      if (in6.s6_addr[12] != 127) {
        family = FamilyInternet;
        address.assign(reinterpret_cast<const char*>(in6.s6_addr) + 12, 4);
      }
    } else if (!IN6_IS_ADDR_LOOPBACK(&in6)) {
      family = FamilyInternet6;
      address.assign(reinterpret_cast<const char*>(in6.s6_addr), 16);
    }
  }
  if (family == FamilyLocal) {
    char hostname[256] = {};
    if (::gethostname(hostname, sizeof hostname - 1) != 0) return std::nullopt;
    address = hostname;
  }
  const std::string number = std::to_string(display);
  char cookie[] = "MIT-MAGIC-COOKIE-1";
  char* types[] = {cookie};
  int typeLengths[] = {static_cast<int>(sizeof cookie - 1)};
  Xauth* entry = xau->getBestAuthByAddr(family, static_cast<unsigned short>(address.size()), address.data(),
                                        static_cast<unsigned short>(number.size()), number.data(), 1, types,
                                        typeLengths);
  if (entry == nullptr) return std::nullopt;
  Authority authority{std::string(entry->name, entry->name_length), std::string(entry->data, entry->data_length)};
  xau->disposeAuth(entry);
  return authority;
}

// One connection to the default display, closed when it goes out of scope. The whole
// connection, set-up and every round trip, is bounded by kDisplayTimeout.
class Connection {
 public:
  Connection() : xcb_(loadXcb()) {
    if (xcb_ == nullptr || displayWentSilent) return;
    const auto deadline = std::chrono::steady_clock::now() + kDisplayTimeout;
    char* host = nullptr;
    int display = 0;
    int screenNumber = 0;
    if (xcb_->xcb_parse_display(nullptr, &host, &display, &screenNumber) == 0) return;
    const std::string hostName = host != nullptr ? host : "";
    std::free(host);
    const int fd = connectDisplay(hostName, display, deadline);
    if (fd < 0) return;
    auto authority = authorityFor(fd, display);
    xcb_auth_info_t auth = {};
    if (authority) {
      auth = {static_cast<int>(authority->name.size()), authority->name.data(),
              static_cast<int>(authority->data.size()), authority->data.data()};
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    deadline_.emplace(fd, std::max(left, std::chrono::milliseconds(1)));
    // From here the connection owns the socket, and closes it on failure as on success.
    connection_ = xcb_->xcb_connect_to_fd(fd, authority ? &auth : nullptr);
    if (xcb_->xcb_connection_has_error(connection_) != 0) {
      xcb_->xcb_disconnect(connection_);
      connection_ = nullptr;
      deadline_.reset();
      return;
    }
    auto roots = xcb_->xcb_setup_roots_iterator(xcb_->xcb_get_setup(connection_));
    for (int i = 0; roots.rem > 0; ++i, nextScreen(roots)) {
      if (i == screenNumber) {
        root_ = roots.data->root;
        ok_ = true;
        break;
      }
    }
  }
  ~Connection() {
    deadline_.reset();  // before the socket closes, so the alarm never meets a reused number
    if (connection_ != nullptr) xcb_->xcb_disconnect(connection_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool ok() const { return ok_; }
  const Xcb& xcb() const { return *xcb_; }
  xcb_connection_t* get() const { return connection_; }
  xcb_window_t root() const { return root_; }

  // Interns each name (without creating atoms that do not exist yet); XCB_ATOM_NONE where the
  // server does not know the name, which then matches no property.
  std::vector<xcb_atom_t> atoms(const std::vector<std::string_view>& names) const {
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (std::string_view name : names) {
      cookies.push_back(xcb_->xcb_intern_atom(connection_, 1, static_cast<std::uint16_t>(name.size()),
                                              name.data()));
    }
    std::vector<xcb_atom_t> out;
    for (auto cookie : cookies) {
      xcb_generic_error_t* error = nullptr;
      Reply<xcb_intern_atom_reply_t> reply(xcb_->xcb_intern_atom_reply(connection_, cookie, &error));
      std::free(error);
      out.push_back(reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE});
    }
    return out;
  }

 private:
  // libxcb's macro-free iterator step, spelt out so that it needs no further symbol.
  static void nextScreen(xcb_screen_iterator_t& it) {
    --it.rem;
    ++it.data;
    it.index += sizeof(xcb_screen_t);
  }

  const Xcb* xcb_ = nullptr;
  std::optional<SocketDeadline> deadline_;
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
  bool ok_ = false;
};

struct Property {
  xcb_atom_t type = XCB_ATOM_NONE;
  std::uint8_t format = 0;
  std::string bytes;
};

// Property values are read up to 64 KiB; longer titles or lists are cut there.
constexpr std::uint32_t kPropertyLongs = 16384;

xcb_get_property_cookie_t askProperty(const Connection& c, xcb_window_t window, xcb_atom_t atom) {
  return c.xcb().xcb_get_property(c.get(), 0, window, atom, XCB_ATOM_ANY, 0, kPropertyLongs);
}

std::optional<Property> takeProperty(const Connection& c, xcb_get_property_cookie_t cookie) {
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_get_property_reply_t> reply(c.xcb().xcb_get_property_reply(c.get(), cookie, &error));
  std::free(error);
  if (!reply || reply->type == XCB_ATOM_NONE) return std::nullopt;
  const int length = c.xcb().xcb_get_property_value_length(reply.get());
  const auto* data = static_cast<const char*>(c.xcb().xcb_get_property_value(reply.get()));
  return Property{reply->type, reply->format,
                  std::string(data, data + (length > 0 ? static_cast<std::size_t>(length) : 0))};
}

std::vector<std::uint32_t> cardinals(const std::optional<Property>& p) {
  std::vector<std::uint32_t> out;
  if (!p || p->format != 32) return out;
  for (std::size_t i = 0; i + 4 <= p->bytes.size(); i += 4) {
    std::uint32_t v = 0;
    std::memcpy(&v, p->bytes.data() + i, 4);  // format-32 data arrives in host byte order
    out.push_back(v);
  }
  return out;
}

std::optional<std::string> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return text.str();
}

std::optional<std::string> processName(std::int32_t pid) {
  if (pid <= 0) return std::nullopt;
  const auto comm = readFile("/proc/" + std::to_string(pid) + "/comm");
  return comm ? processNameFromComm(*comm) : std::nullopt;
}

std::optional<std::string> executablePath(std::int32_t pid) {
  std::string buffer(4096, '\0');
  const std::string link = "/proc/" + std::to_string(pid) + "/exe";
  const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return std::nullopt;
  buffer.resize(static_cast<std::size_t>(n));
  return utf8::repair(buffer);
}

enum AtomIndex {
  kActiveWindow, kClientListStacking, kClientList, kWmPid, kNetWmName, kUtf8String, kWmType,
  kWmState, kStateHidden, kGtkApplicationId, kAtomCount
};
const std::vector<std::string_view> kAtomNames = {
    "_NET_ACTIVE_WINDOW", "_NET_CLIENT_LIST_STACKING", "_NET_CLIENT_LIST", "_NET_WM_PID",
    "_NET_WM_NAME", "UTF8_STRING", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN", "_GTK_APPLICATION_ID"};

// Window types and states that windowLayer() tells apart; looked up by atom, given by name.
const std::vector<std::string_view> kHintNames = {
    "_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_WM_WINDOW_TYPE_DOCK", "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "_NET_WM_WINDOW_TYPE_MENU", "_NET_WM_WINDOW_TYPE_UTILITY", "_NET_WM_WINDOW_TYPE_SPLASH",
    "_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
    "_NET_WM_WINDOW_TYPE_POPUP_MENU", "_NET_WM_WINDOW_TYPE_TOOLTIP",
    "_NET_WM_WINDOW_TYPE_NOTIFICATION", "_NET_WM_WINDOW_TYPE_COMBO", "_NET_WM_WINDOW_TYPE_DND",
    "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_HIDDEN"};

std::vector<std::string> hintNames(const std::vector<std::uint32_t>& values,
                                   const std::vector<xcb_atom_t>& hintAtoms) {
  std::vector<std::string> out;
  for (std::uint32_t v : values) {
    for (std::size_t i = 0; i < hintAtoms.size(); ++i) {
      if (hintAtoms[i] != XCB_ATOM_NONE && hintAtoms[i] == v) out.emplace_back(kHintNames[i]);
    }
  }
  return out;
}

std::optional<std::string> windowName(const std::optional<Property>& netName,
                                      const std::optional<Property>& wmName, xcb_atom_t utf8) {
  if (netName && netName->type == utf8) return utf8::repair(netName->bytes);
  if (!wmName) return std::nullopt;
  if (wmName->type == XCB_ATOM_STRING) return latin1ToUtf8(wmName->bytes);
  return utf8::repair(wmName->bytes);
}

// The top-level windows to list, front to back, and whether they are client windows named by
// the window manager (true) or the root's own children (false).
std::vector<xcb_window_t> topLevelsFrontToBack(const Connection& c,
                                               const std::vector<xcb_atom_t>& atoms) {
  const auto stacking = cardinals(takeProperty(c, askProperty(c, c.root(), atoms[kClientListStacking])));
  if (!stacking.empty()) return {stacking.rbegin(), stacking.rend()};
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_query_tree_reply_t> tree(
      c.xcb().xcb_query_tree_reply(c.get(), c.xcb().xcb_query_tree(c.get(), c.root()), &error));
  std::free(error);
  if (!tree) return {};
  const xcb_window_t* children = c.xcb().xcb_query_tree_children(tree.get());
  const int count = c.xcb().xcb_query_tree_children_length(tree.get());
  std::vector<xcb_window_t> out;
  for (int i = count - 1; i >= 0; --i) out.push_back(children[i]);  // the tree lists bottom first
  return out;
}

std::optional<std::int32_t> pidOf(const std::optional<Property>& p) {
  const auto values = cardinals(p);
  if (values.empty() || values[0] == 0 || values[0] > 0x7FFFFFFFu) return std::nullopt;
  return static_cast<std::int32_t>(values[0]);
}

}  // namespace

bool displayReachable() { return Connection().ok(); }

std::optional<std::int32_t> activeWindowPid() {
  Connection c;
  if (!c.ok()) return std::nullopt;
  const auto atoms = c.atoms(kAtomNames);
  const auto active = cardinals(takeProperty(c, askProperty(c, c.root(), atoms[kActiveWindow])));
  if (active.empty() || active[0] == 0) return std::nullopt;
  return pidOf(takeProperty(c, askProperty(c, active[0], atoms[kWmPid])));
}

std::optional<std::vector<OnScreenWindow>> onScreenWindows() {
  Connection c;
  if (!c.ok()) return std::nullopt;
  const auto atoms = c.atoms(kAtomNames);
  const auto hintAtoms = c.atoms(kHintNames);
  const auto windows = topLevelsFrontToBack(c, atoms);

  // All requests first, then all replies: one round trip for the whole list.
  struct Pending {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_property_cookie_t pid, netName, wmName, type, state;
  };
  std::vector<Pending> pending;
  for (xcb_window_t w : windows) {
    pending.push_back({c.xcb().xcb_get_window_attributes(c.get(), w), askProperty(c, w, atoms[kWmPid]),
                       askProperty(c, w, atoms[kNetWmName]), askProperty(c, w, XCB_ATOM_WM_NAME),
                       askProperty(c, w, atoms[kWmType]), askProperty(c, w, atoms[kWmState])});
  }
  std::vector<OnScreenWindow> out;
  for (const Pending& p : pending) {
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_window_attributes_reply_t> attributes(
        c.xcb().xcb_get_window_attributes_reply(c.get(), p.attributes, &error));
    std::free(error);
    const auto pid = pidOf(takeProperty(c, p.pid));
    const auto netName = takeProperty(c, p.netName);
    const auto wmName = takeProperty(c, p.wmName);
    const auto types = hintNames(cardinals(takeProperty(c, p.type)), hintAtoms);
    const auto states = hintNames(cardinals(takeProperty(c, p.state)), hintAtoms);
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) continue;
    if (std::find(states.begin(), states.end(), "_NET_WM_STATE_HIDDEN") != states.end()) continue;
    const auto layer = windowLayer({types, states, attributes->override_redirect != 0});
    if (!layer) continue;
    out.push_back({pid, pid ? processName(*pid) : std::nullopt, *layer,
                   windowName(netName, wmName, atoms[kUtf8String])});
  }
  return out;
}

std::optional<ApplicationFacts> applicationFacts(std::int32_t pid) {
  const auto comm = processName(pid);
  if (!comm) return std::nullopt;
  ApplicationFacts facts{comm, std::nullopt, executablePath(pid)};
  Connection c;
  if (!c.ok()) return facts;
  const auto atoms = c.atoms(kAtomNames);
  auto clients = cardinals(takeProperty(c, askProperty(c, c.root(), atoms[kClientList])));
  if (clients.empty()) {
    const auto tops = topLevelsFrontToBack(c, atoms);
    clients.assign(tops.begin(), tops.end());
  }
  for (xcb_window_t w : clients) {
    if (pidOf(takeProperty(c, askProperty(c, w, atoms[kWmPid]))) != pid) continue;
    const auto wmClass = takeProperty(c, askProperty(c, w, XCB_ATOM_WM_CLASS));
    const auto appId = takeProperty(c, askProperty(c, w, atoms[kGtkApplicationId]));
    const auto parsed = wmClass ? parseWmClass(wmClass->bytes) : std::nullopt;
    if (parsed && !parsed->className.empty()) facts.name = parsed->className;
    if (appId && !appId->bytes.empty()) {
      facts.id = utf8::repair(appId->bytes);
    } else if (parsed && !parsed->instance.empty()) {
      facts.id = parsed->instance;
    }
    break;
  }
  return facts;
}

std::vector<ClientWindow> clientWindowsFrontToBack(std::int32_t pid) {
  Connection c;
  if (!c.ok()) return {};
  const auto atoms = c.atoms(kAtomNames);
  const auto windows = topLevelsFrontToBack(c, atoms);
  struct Pending {
    xcb_get_property_cookie_t pid, netName, wmName;
  };
  std::vector<Pending> pending;
  for (xcb_window_t w : windows) {
    pending.push_back({askProperty(c, w, atoms[kWmPid]), askProperty(c, w, atoms[kNetWmName]),
                       askProperty(c, w, XCB_ATOM_WM_NAME)});
  }
  std::vector<ClientWindow> out;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    const bool owned = pidOf(takeProperty(c, pending[i].pid)) == pid;
    const auto netName = takeProperty(c, pending[i].netName);
    const auto wmName = takeProperty(c, pending[i].wmName);
    if (owned) out.push_back({windows[i], windowName(netName, wmName, atoms[kUtf8String])});
  }
  return out;
}

std::vector<std::string> clientApplicationIds() {
  Connection c;
  if (!c.ok()) return {};
  const auto atoms = c.atoms(kAtomNames);
  auto clients = cardinals(takeProperty(c, askProperty(c, c.root(), atoms[kClientList])));
  if (clients.empty()) {
    const auto tops = topLevelsFrontToBack(c, atoms);
    clients.assign(tops.begin(), tops.end());
  }
  std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> pending;
  for (xcb_window_t w : clients) {
    pending.emplace_back(askProperty(c, w, atoms[kGtkApplicationId]), askProperty(c, w, XCB_ATOM_WM_CLASS));
  }
  std::vector<std::string> ids;
  for (const auto& [appIdCookie, wmClassCookie] : pending) {
    const auto appId = takeProperty(c, appIdCookie);
    const auto wmClass = takeProperty(c, wmClassCookie);
    const auto parsed = wmClass ? parseWmClass(wmClass->bytes) : std::nullopt;
    if (appId && !appId->bytes.empty()) {
      ids.push_back(utf8::repair(appId->bytes));
    } else if (parsed && !parsed->instance.empty()) {
      ids.push_back(parsed->instance);
    }
  }
  return ids;
}

bool readRootPixel() {
  Connection c;
  if (!c.ok()) return false;
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_get_image_reply_t> image(c.xcb().xcb_get_image_reply(
      c.get(), c.xcb().xcb_get_image(c.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, c.root(), 0, 0, 1, 1, ~0u),
      &error));
  std::free(error);
  return image != nullptr;
}

std::optional<std::string> rootTextProperty(std::string_view name) {
  Connection c;
  if (!c.ok()) return std::nullopt;
  const auto atom = c.atoms({name});
  if (atom[0] == XCB_ATOM_NONE) return std::nullopt;
  const auto value = takeProperty(c, askProperty(c, c.root(), atom[0]));
  if (!value || value->format != 8) return std::nullopt;
  return value->bytes;
}

}  // namespace ozmi::desktop::x11
