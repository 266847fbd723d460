#include "x11_windows_linux.h"

#include <dlfcn.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "window_properties_linux.h"

namespace ozmi::desktop {

namespace {

// The libxcb entry points used here, resolved once from libxcb.so.1 (the soname of libxcb 1.x).
struct Xcb {
#define OZMI_XCB_FUNCTIONS(X)                                                                   \
  X(xcb_connect) X(xcb_connection_has_error) X(xcb_disconnect) X(xcb_get_setup)                 \
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

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// One connection to the default display, closed when it goes out of scope.
class Connection {
 public:
  Connection() : xcb_(loadXcb()) {
    if (xcb_ == nullptr) return;
    int screenNumber = 0;
    connection_ = xcb_->xcb_connect(nullptr, &screenNumber);
    if (xcb_->xcb_connection_has_error(connection_) != 0) return;
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
  return repairUtf8(buffer);
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
  if (netName && netName->type == utf8) return repairUtf8(netName->bytes);
  if (!wmName) return std::nullopt;
  if (wmName->type == XCB_ATOM_STRING) return latin1ToUtf8(wmName->bytes);
  return repairUtf8(wmName->bytes);
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

std::optional<std::vector<ListedWindow>> onScreenWindows() {
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
  std::vector<ListedWindow> out;
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
      facts.id = repairUtf8(appId->bytes);
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
      ids.push_back(repairUtf8(appId->bytes));
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

}  // namespace ozmi::desktop
