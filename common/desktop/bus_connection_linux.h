// A D-Bus connection as the programs open it: libdbus-1 loaded on first use, a private
// connection greeted within a deadline, and method calls whose replies are awaited no longer
// than a deadline either.
//
// libdbus-1 is loaded with dlopen, not linked: a run that never speaks to a bus must start as
// fast as a trivial program, and libdbus-1 (with libsystemd and its compression libraries)
// would cost several milliseconds of dynamic loading at every start. Only the header's types
// and prototypes are taken from the build machine.
//
// The waits are kept here rather than left to libdbus (dbus_bus_register,
// dbus_connection_send_with_reply_and_block): libdbus starts a call's timeout only once the
// connection has authenticated, and a peer that accepts the connection and never answers keeps
// it from authenticating for ever.
#pragma once

#include <dbus/dbus.h>

#include <memory>
#include <string>

namespace ozmi::desktop::dbus {

// The libdbus-1 entry points the programs use, resolved from libdbus-1.so.3 (the soname of
// libdbus 1.x).
struct Library {
#define OZMI_DBUS_FUNCTIONS(X)                                                                   \
  X(dbus_error_init) X(dbus_error_free) X(dbus_connection_open_private) X(dbus_connection_close) \
  X(dbus_connection_unref) X(dbus_connection_set_exit_on_disconnect)                             \
  X(dbus_connection_read_write_dispatch) X(dbus_connection_send_with_reply)                      \
  X(dbus_connection_flush) X(dbus_pending_call_block) X(dbus_pending_call_get_completed)         \
  X(dbus_pending_call_cancel) X(dbus_pending_call_steal_reply) X(dbus_pending_call_unref)        \
  X(dbus_message_new_method_call) X(dbus_message_unref) X(dbus_message_get_type)                 \
  X(dbus_message_iter_init) X(dbus_message_iter_init_append) X(dbus_message_iter_append_basic)   \
  X(dbus_message_iter_get_arg_type) X(dbus_message_iter_get_basic) X(dbus_message_iter_recurse)  \
  X(dbus_message_iter_next)
#define OZMI_DBUS_MEMBER(f) decltype(&::f) f = nullptr;
  OZMI_DBUS_FUNCTIONS(OZMI_DBUS_MEMBER)
#undef OZMI_DBUS_MEMBER
};

// libdbus-1, loaded on the first call and kept for the life of the process; none when the
// library or one of its entry points is missing.
const Library* library();

struct ConnectionCloser {
  void operator()(DBusConnection* connection) const;
};
// A private connection, closed and released with its owner.
using Connection = std::unique_ptr<DBusConnection, ConnectionCloser>;

struct MessageReleaser {
  void operator()(DBusMessage* message) const;
};
using Message = std::unique_ptr<DBusMessage, MessageReleaser>;

// A private connection to the bus at `address` that has said Hello, as every bus client must
// before its first call, and had the bus's answer within `timeoutMs`; none without libdbus-1,
// when the bus refuses the connection, answers the greeting with an error, or does not answer
// in time. The connection never ends the process when the bus goes away.
Connection connect(const std::string& address, int timeoutMs);

// The reply to `call` on `connection` within `timeoutMs`; none when it could not be sent, did
// not come in time, or came back as an error. Only a method return counts as an answer.
Message replyWithin(DBusConnection* connection, DBusMessage* call, int timeoutMs);

}  // namespace ozmi::desktop::dbus
