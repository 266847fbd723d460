#include "atspi_bus_linux.h"

#include <dbus/dbus.h>
#include <dlfcn.h>

#include <chrono>

#include "x11_windows_linux.h"

namespace ozmi::probe::atspi {

namespace {

// The libdbus-1 entry points used here, resolved once from libdbus-1.so.3 (the soname of
// libdbus 1.x). Only the header's types and prototypes are taken from the build machine.
struct Dbus {
#define OZMI_DBUS_FUNCTIONS(X)                                                                   \
  X(dbus_error_init) X(dbus_error_free) X(dbus_connection_open_private) X(dbus_connection_close) \
  X(dbus_connection_unref) X(dbus_connection_set_exit_on_disconnect)                             \
  X(dbus_connection_read_write_dispatch) X(dbus_connection_send_with_reply)                      \
  X(dbus_connection_flush) X(dbus_pending_call_block) X(dbus_pending_call_get_completed)         \
  X(dbus_pending_call_cancel) X(dbus_pending_call_steal_reply) X(dbus_pending_call_unref)        \
  X(dbus_message_new_method_call)                                                                \
  X(dbus_message_unref) X(dbus_message_get_type) X(dbus_message_iter_init)                       \
  X(dbus_message_iter_init_append) X(dbus_message_iter_append_basic)                             \
  X(dbus_message_iter_get_arg_type) X(dbus_message_iter_get_basic) X(dbus_message_iter_recurse)  \
  X(dbus_message_iter_next)
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

// D-Bus allows 32 levels of array and 32 of struct nesting; a reply deeper than that is not
// from a conforming peer, and is cut rather than followed.
constexpr int kMaxDepth = 64;

BusValue decode(const Dbus& d, DBusMessageIter* it, int depth) {
  BusValue v;
  const int type = d.dbus_message_iter_get_arg_type(it);
  v.type = static_cast<char>(type);
  switch (type) {
    case DBUS_TYPE_STRING:
    case DBUS_TYPE_OBJECT_PATH:
    case DBUS_TYPE_SIGNATURE: {
      const char* s = nullptr;
      d.dbus_message_iter_get_basic(it, &s);
      if (s != nullptr) v.text = s;
      break;
    }
    case DBUS_TYPE_BYTE: {
      unsigned char x = 0;
      d.dbus_message_iter_get_basic(it, &x);
      v.integer = x;
      break;
    }
    case DBUS_TYPE_BOOLEAN: {
      dbus_bool_t x = 0;
      d.dbus_message_iter_get_basic(it, &x);
      v.integer = x ? 1 : 0;
      break;
    }
    case DBUS_TYPE_INT16:
    case DBUS_TYPE_UINT16:
    case DBUS_TYPE_INT32:
    case DBUS_TYPE_UINT32:
    case DBUS_TYPE_INT64:
    case DBUS_TYPE_UINT64:
    case DBUS_TYPE_UNIX_FD: {
      DBusBasicValue x{};
      d.dbus_message_iter_get_basic(it, &x);
      if (type == DBUS_TYPE_INT16) v.integer = x.i16;
      if (type == DBUS_TYPE_UINT16) v.integer = x.u16;
      if (type == DBUS_TYPE_INT32) v.integer = x.i32;
      if (type == DBUS_TYPE_UINT32) v.integer = x.u32;
      if (type == DBUS_TYPE_INT64) v.integer = x.i64;
      if (type == DBUS_TYPE_UINT64) v.integer = static_cast<std::int64_t>(x.u64);
      if (type == DBUS_TYPE_UNIX_FD) v.integer = -1;  // never kept: the probe asks for no fd
      break;
    }
    case DBUS_TYPE_DOUBLE: {
      double x = 0;
      d.dbus_message_iter_get_basic(it, &x);
      v.real = x;
      break;
    }
    case DBUS_TYPE_ARRAY:
    case DBUS_TYPE_STRUCT:
    case DBUS_TYPE_DICT_ENTRY:
    case DBUS_TYPE_VARIANT: {
      if (depth >= kMaxDepth) break;
      DBusMessageIter inner;
      d.dbus_message_iter_recurse(it, &inner);
      while (d.dbus_message_iter_get_arg_type(&inner) != DBUS_TYPE_INVALID) {
        v.items.push_back(decode(d, &inner, depth + 1));
        if (!d.dbus_message_iter_next(&inner)) break;
      }
      break;
    }
    default:
      break;
  }
  return v;
}

class DbusBus final : public Bus {
 public:
  DbusBus(const Dbus& d, DBusConnection* connection) : d_(d), connection_(connection) {}
  ~DbusBus() override {
    d_.dbus_connection_close(connection_);
    d_.dbus_connection_unref(connection_);
  }
  DbusBus(const DbusBus&) = delete;
  DbusBus& operator=(const DbusBus&) = delete;

  Reply call(const MethodCall& call) const override { return callAll({call}).front(); }

  std::vector<Reply> callAll(const std::vector<MethodCall>& calls) const override {
    std::vector<DBusPendingCall*> pending;
    pending.reserve(calls.size());
    for (const MethodCall& c : calls) pending.push_back(send(c));
    d_.dbus_connection_flush(connection_);
    std::vector<Reply> replies;
    replies.reserve(calls.size());
    for (DBusPendingCall* p : pending) replies.push_back(collect(p));
    return replies;
  }

 private:
  DBusPendingCall* send(const MethodCall& c) const {
    DBusMessage* message = d_.dbus_message_new_method_call(
        c.destination.c_str(), c.path.c_str(), c.interface.c_str(), c.member.c_str());
    if (message == nullptr) return nullptr;
    DBusMessageIter args;
    d_.dbus_message_iter_init_append(message, &args);
    bool appended = true;
    for (const CallArgument& a : c.arguments) {
      if (a.isText) {
        const char* s = a.text.c_str();
        appended = appended && d_.dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &s);
      } else {
        const dbus_int32_t i = a.integer;
        appended = appended && d_.dbus_message_iter_append_basic(&args, DBUS_TYPE_INT32, &i);
      }
    }
    DBusPendingCall* p = nullptr;
    if (appended && !d_.dbus_connection_send_with_reply(connection_, message, &p, kCallTimeoutMs)) {
      p = nullptr;
    }
    d_.dbus_message_unref(message);
    return p;
  }

  Reply collect(DBusPendingCall* p) const {
    if (p == nullptr) return std::nullopt;
    d_.dbus_pending_call_block(p);
    DBusMessage* message = d_.dbus_pending_call_steal_reply(p);
    d_.dbus_pending_call_unref(p);
    if (message == nullptr) return std::nullopt;
    Reply reply;
    if (d_.dbus_message_get_type(message) == DBUS_MESSAGE_TYPE_METHOD_RETURN) {
      reply.emplace();
      DBusMessageIter it;
      if (d_.dbus_message_iter_init(message, &it)) {
        do {
          reply->push_back(decode(d_, &it, 0));
        } while (d_.dbus_message_iter_next(&it));
      }
    }
    d_.dbus_message_unref(message);
    return reply;
  }

  const Dbus& d_;
  DBusConnection* connection_;
};

// Says Hello to the bus, as every client must before its first call, and waits for the answer
// no longer than one call may. dbus_bus_register would wait without a limit: libdbus starts a
// call's timeout only once the connection has authenticated, and a peer that accepts the
// connection and never answers keeps it from authenticating.
bool registerWithBus(const Dbus& d, DBusConnection* connection) {
  DBusMessage* hello = d.dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "Hello");
  if (hello == nullptr) return false;
  DBusPendingCall* pending = nullptr;
  const bool sent = d.dbus_connection_send_with_reply(connection, hello, &pending, kCallTimeoutMs);
  d.dbus_message_unref(hello);
  if (!sent || pending == nullptr) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kCallTimeoutMs);
  while (!d.dbus_pending_call_get_completed(pending)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
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
  if (reply == nullptr) return false;
  const bool registered = d.dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN;
  d.dbus_message_unref(reply);
  return registered;
}

}  // namespace

bool isLocalBusAddress(std::string_view address) {
  return address.starts_with("unix:") && address.find(';') == std::string_view::npos &&
         address.find('\0') == std::string_view::npos;
}

std::shared_ptr<const Bus> connectAccessibilityBus() {
  const auto address = ozmi::desktop::x11::rootTextProperty("AT_SPI_BUS");
  if (!address || !isLocalBusAddress(*address)) return nullptr;
  const Dbus* d = loadDbus();
  if (d == nullptr) return nullptr;
  DBusError error;
  d->dbus_error_init(&error);
  DBusConnection* connection = d->dbus_connection_open_private(address->c_str(), &error);
  if (connection == nullptr) {
    d->dbus_error_free(&error);
    return nullptr;
  }
  d->dbus_connection_set_exit_on_disconnect(connection, false);
  if (!registerWithBus(*d, connection)) {
    d->dbus_connection_close(connection);
    d->dbus_connection_unref(connection);
    return nullptr;
  }
  return std::make_shared<DbusBus>(*d, connection);
}

}  // namespace ozmi::probe::atspi
