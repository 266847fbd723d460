#include "running_application_linux.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include "bus_connection_linux.h"
#include "x11_windows_linux.h"

namespace ozmi::permission {

namespace {

// How long the session bus may take to answer one call (the connection's greeting included).
constexpr int kBusTimeoutMs = 1500;

// The user's session bus: the bus socket of the user's systemd session (/run/user/<uid>/bus),
// or none. libdbus's own lookup is not used, since without a published address it starts a bus
// of its own ("autolaunch:").
std::optional<std::string> sessionBusAddress() {
  return busAddressOfSocket("/run/user/" + std::to_string(::getuid()) + "/bus");
}

// Whether the bus says it has an owner of `name`; false too when it gives no answer in time.
bool nameHasOwner(DBusConnection* connection, const std::string& name) {
  const desktop::dbus::Library& d = *desktop::dbus::library();
  const desktop::dbus::Message call(d.dbus_message_new_method_call(
      "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner"));
  if (!call) return false;
  DBusMessageIter args;
  d.dbus_message_iter_init_append(call.get(), &args);
  const char* argument = name.c_str();
  if (!d.dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &argument)) return false;
  const desktop::dbus::Message reply = desktop::dbus::replyWithin(connection, call.get(), kBusTimeoutMs);
  DBusMessageIter it;
  if (!reply || !d.dbus_message_iter_init(reply.get(), &it) ||
      d.dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_BOOLEAN) {
    return false;
  }
  dbus_bool_t value = 0;
  d.dbus_message_iter_get_basic(&it, &value);
  return value != 0;
}

bool sessionBusHasOwner(const std::string& name) {
  const auto address = sessionBusAddress();
  if (!address) return false;
  const desktop::dbus::Connection connection = desktop::dbus::connect(*address, kBusTimeoutMs);
  return connection && nameHasOwner(connection.get(), name);
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
