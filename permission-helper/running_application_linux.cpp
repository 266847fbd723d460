#include "running_application_linux.h"

#include <dbus/dbus.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "x11_windows_linux.h"

namespace ozmi::permission {

namespace {

// How long the session bus may take to answer one call (the connection's greeting included).
constexpr int kBusTimeoutMs = 1500;

// The libdbus-1 entry points used here, resolved once from libdbus-1.so.3 (the soname of
// libdbus 1.x) on first use, so that a report that names no automation target loads nothing.
struct Dbus {
#define OZMI_DBUS_FUNCTIONS(X)                                                                    \
  X(dbus_error_init) X(dbus_error_free) X(dbus_connection_open_private) X(dbus_connection_close)  \
  X(dbus_connection_unref) X(dbus_connection_set_exit_on_disconnect)                              \
  X(dbus_connection_send_with_reply) X(dbus_connection_read_write_dispatch)                       \
  X(dbus_pending_call_get_completed) X(dbus_pending_call_steal_reply) X(dbus_pending_call_cancel) \
  X(dbus_pending_call_unref) X(dbus_message_new_method_call) X(dbus_message_unref)                \
  X(dbus_message_get_type) X(dbus_message_iter_init) X(dbus_message_iter_init_append)             \
  X(dbus_message_iter_append_basic) X(dbus_message_iter_get_arg_type) X(dbus_message_iter_get_basic)
#define OZMI_DBUS_MEMBER(f) decltype(&::f) f = nullptr;
  OZMI_DBUS_FUNCTIONS(OZMI_DBUS_MEMBER)
#undef OZMI_DBUS_MEMBER
};

const Dbus* loadDbus() {
  static const Dbus* const loaded = []() -> const Dbus* {
    void* library = ::dlopen("libdbus-1.so.3", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static Dbus dbus;
    bool complete = true;
#define OZMI_DBUS_RESOLVE(f)                                              \
  dbus.f = reinterpret_cast<decltype(&::f)>(::dlsym(library, #f));        \
  complete = complete && dbus.f != nullptr;
    OZMI_DBUS_FUNCTIONS(OZMI_DBUS_RESOLVE)
#undef OZMI_DBUS_RESOLVE
    return complete ? &dbus : nullptr;
  }();
  return loaded;
}

// The user's session bus: the bus socket of the user's systemd session (/run/user/<uid>/bus),
// or none. libdbus's own lookup is not used, since without a published address it starts a bus
// of its own ("autolaunch:").
std::optional<std::string> sessionBusAddress() {
  return busAddressOfSocket("/run/user/" + std::to_string(::getuid()) + "/bus");
}

// The reply to `call` within kBusTimeoutMs, or none. The wait is kept here rather than left
// to dbus_connection_send_with_reply_and_block: libdbus starts a call's timeout only once the
// connection has authenticated, and a peer that accepts the connection and never answers
// keeps it from authenticating for ever.
DBusMessage* replyWithin(const Dbus& d, DBusConnection* connection, DBusMessage* call) {
  DBusPendingCall* pending = nullptr;
  if (!d.dbus_connection_send_with_reply(connection, call, &pending, kBusTimeoutMs) || pending == nullptr) {
    return nullptr;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusTimeoutMs);
  while (!d.dbus_pending_call_get_completed(pending)) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    if (!d.dbus_connection_read_write_dispatch(connection, static_cast<int>(left.count()))) break;
  }
  DBusMessage* reply = nullptr;
  if (d.dbus_pending_call_get_completed(pending)) {
    reply = d.dbus_pending_call_steal_reply(pending);
  } else {
    d.dbus_pending_call_cancel(pending);
  }
  d.dbus_pending_call_unref(pending);
  return reply;
}

// One bus call with one string argument and a reply whose first argument is a boolean.
std::optional<bool> callBoolean(const Dbus& d, DBusConnection* connection, const char* member, const char* argument) {
  DBusMessage* call =
      d.dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", member);
  if (call == nullptr) return std::nullopt;
  if (argument != nullptr) {
    DBusMessageIter args;
    d.dbus_message_iter_init_append(call, &args);
    if (!d.dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &argument)) {
      d.dbus_message_unref(call);
      return std::nullopt;
    }
  }
  DBusMessage* reply = replyWithin(d, connection, call);
  d.dbus_message_unref(call);
  if (reply == nullptr) return std::nullopt;
  if (d.dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_METHOD_RETURN) {  // an error, or a timeout
    d.dbus_message_unref(reply);
    return std::nullopt;
  }
  std::optional<bool> answer = false;  // a reply without a boolean (Hello's) still arrived
  DBusMessageIter it;
  if (d.dbus_message_iter_init(reply, &it) && d.dbus_message_iter_get_arg_type(&it) == DBUS_TYPE_BOOLEAN) {
    dbus_bool_t value = 0;
    d.dbus_message_iter_get_basic(&it, &value);
    answer = value != 0;
  }
  d.dbus_message_unref(reply);
  return answer;
}

bool sessionBusHasOwner(const std::string& name) {
  const auto address = sessionBusAddress();
  if (!address) return false;
  const Dbus* d = loadDbus();
  if (d == nullptr) return false;
  DBusError error;
  d->dbus_error_init(&error);
  DBusConnection* connection = d->dbus_connection_open_private(address->c_str(), &error);
  d->dbus_error_free(&error);
  if (connection == nullptr) return false;
  d->dbus_connection_set_exit_on_disconnect(connection, false);
  // The greeting every bus client sends first, sent here with a bound on the wait
  // (dbus_bus_register would wait for a bus that does not answer).
  const bool greeted = callBoolean(*d, connection, "Hello", nullptr).has_value();
  const bool owned = greeted && callBoolean(*d, connection, "NameHasOwner", name.c_str()).value_or(false);
  d->dbus_connection_close(connection);
  d->dbus_connection_unref(connection);
  return owned;
}

bool isElementCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

}  // namespace

bool isWellKnownBusName(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  std::size_t elements = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = name.find('.', start);
    const std::string_view element = name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (element.empty() || (element[0] >= '0' && element[0] <= '9')) return false;
    if (!std::all_of(element.begin(), element.end(), isElementCharacter)) return false;
    ++elements;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return elements >= 2;
}

std::optional<std::string> busAddressOfSocket(const std::string& path) {
  struct stat info{};
  if (::stat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return std::nullopt;
  return "unix:path=" + path;
}

bool applicationRunningOnDesktop(const std::string& id) {
  if (id.empty()) return false;
  const auto ids = desktop::x11::clientApplicationIds();
  if (std::find(ids.begin(), ids.end(), id) != ids.end()) return true;
  return isWellKnownBusName(id) && sessionBusHasOwner(id);
}

}  // namespace ozmi::permission
