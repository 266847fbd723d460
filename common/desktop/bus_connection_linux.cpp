#include "bus_connection_linux.h"

#include <dlfcn.h>

#include <chrono>

namespace ozmi::desktop::dbus {

const Library* library() {
  static const Library* const loaded = []() -> const Library* {
    void* handle = ::dlopen("libdbus-1.so.3", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    static Library dbus;
    bool complete = true;
#define OZMI_DBUS_RESOLVE(f)                                              \
  dbus.f = reinterpret_cast<decltype(&::f)>(::dlsym(handle, #f));         \
  complete = complete && dbus.f != nullptr;
    OZMI_DBUS_FUNCTIONS(OZMI_DBUS_RESOLVE)
#undef OZMI_DBUS_RESOLVE
    return complete ? &dbus : nullptr;
  }();
  return loaded;
}

// Both releasers run only on objects that the loaded library made.
void ConnectionCloser::operator()(DBusConnection* connection) const {
  const Library& d = *library();
  d.dbus_connection_close(connection);
  d.dbus_connection_unref(connection);
}

void MessageReleaser::operator()(DBusMessage* message) const { library()->dbus_message_unref(message); }

Message replyWithin(DBusConnection* connection, DBusMessage* call, int timeoutMs) {
  const Library& d = *library();
  DBusPendingCall* pending = nullptr;
  if (!d.dbus_connection_send_with_reply(connection, call, &pending, timeoutMs) || pending == nullptr) {
    return nullptr;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!d.dbus_pending_call_get_completed(pending)) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    if (!d.dbus_connection_read_write_dispatch(connection, static_cast<int>(left.count()))) break;
  }
  Message reply;
  if (d.dbus_pending_call_get_completed(pending)) {
    reply.reset(d.dbus_pending_call_steal_reply(pending));
  } else {
    d.dbus_pending_call_cancel(pending);
  }
  d.dbus_pending_call_unref(pending);
  // An error reply, or the one libdbus makes up when the call's own timeout runs out.
  if (reply && d.dbus_message_get_type(reply.get()) != DBUS_MESSAGE_TYPE_METHOD_RETURN) reply.reset();
  return reply;
}

Connection connect(const std::string& address, int timeoutMs) {
  const Library* d = library();
  if (d == nullptr) return nullptr;
  DBusError error;
  d->dbus_error_init(&error);
  Connection connection(d->dbus_connection_open_private(address.c_str(), &error));
  d->dbus_error_free(&error);
  if (!connection) return nullptr;
  d->dbus_connection_set_exit_on_disconnect(connection.get(), false);
  const Message hello(d->dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "Hello"));
  if (!hello || !replyWithin(connection.get(), hello.get(), timeoutMs)) return nullptr;
  return connection;
}

}  // namespace ozmi::desktop::dbus
