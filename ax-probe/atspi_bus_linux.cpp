#include "atspi_bus_linux.h"

#include <utility>

#include "bus_connection_linux.h"
#include "x11_windows_linux.h"

namespace ozmi::probe::atspi {

namespace {

using Dbus = desktop::dbus::Library;

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
  DbusBus(const Dbus& d, desktop::dbus::Connection connection) : d_(d), connection_(std::move(connection)) {}

  Reply call(const MethodCall& call) const override { return callAll({call}).front(); }

  std::vector<Reply> callAll(const std::vector<MethodCall>& calls) const override {
    std::vector<DBusPendingCall*> pending;
    pending.reserve(calls.size());
    for (const MethodCall& c : calls) pending.push_back(send(c));
    d_.dbus_connection_flush(connection_.get());
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
    if (appended && !d_.dbus_connection_send_with_reply(connection_.get(), message, &p, kCallTimeoutMs)) {
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
  desktop::dbus::Connection connection_;
};

}  // namespace

bool isLocalBusAddress(std::string_view address) {
  return address.starts_with("unix:") && address.find(';') == std::string_view::npos &&
         address.find('\0') == std::string_view::npos;
}

std::shared_ptr<const Bus> connectAccessibilityBus() {
  const auto address = ozmi::desktop::x11::rootTextProperty("AT_SPI_BUS");
  if (!address || !isLocalBusAddress(*address)) return nullptr;
  auto connection = desktop::dbus::connect(*address, kCallTimeoutMs);
  if (!connection) return nullptr;
  return std::make_shared<DbusBus>(*desktop::dbus::library(), std::move(connection));
}

}  // namespace ozmi::probe::atspi
