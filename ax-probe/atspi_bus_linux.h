// A connection to the AT-SPI2 accessibility bus and the method calls the probe makes on it.
//
// The bus is spoken to through libdbus-1 (the library that libatspi itself is built on),
// loaded with dlopen on first use: a run without "--open-panel" must start as fast as a
// trivial program, and libdbus-1 (with libsystemd and its compression libraries) would cost
// several milliseconds of dynamic loading at every start. libatspi is not used: it aborts the
// process when it cannot reach a bus, and it offers no way to bound the wait per call.
//
// The bus address is the one the accessibility bus launcher publishes on the X11 root window
// (the "AT_SPI_BUS" property, set by at-spi-bus-launcher since at-spi2-core 2.0). Reading it
// there means the probe never asks the session bus to start anything: with no launcher
// running there is no accessible application either, and every read gives its neutral result.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ozmi::probe::atspi {

// One decoded D-Bus value. `type` is the D-Bus type code of the value: 's', 'o' and 'g' carry
// `text`; 'y', 'b', 'n', 'q', 'i', 'u', 'x', 't' and 'h' carry `integer`; 'd' carries `real`;
// 'a' (array), 'r' (struct), 'e' (dict entry) and 'v' (variant, one item) carry `items`.
struct BusValue {
  char type = '\0';
  std::string text;
  std::int64_t integer = 0;
  double real = 0;
  std::vector<BusValue> items;
};

// An argument of a method call: a string or a 32-bit integer is all the probe sends.
struct CallArgument {
  bool isText = true;
  std::string text;
  std::int32_t integer = 0;
  static CallArgument of(std::string s) { return {true, std::move(s), 0}; }
  static CallArgument of(std::int32_t i) { return {false, {}, i}; }
};

struct MethodCall {
  std::string destination;  // a unique bus name such as ":1.42"
  std::string path;         // "/org/a11y/atspi/accessible/root"
  std::string interface;    // "org.a11y.atspi.Accessible"
  std::string member;       // "GetChildren"
  std::vector<CallArgument> arguments;
};

// The reply's arguments, or none when the call failed, timed out or came back as an error.
using Reply = std::optional<std::vector<BusValue>>;

class Bus {
 public:
  virtual ~Bus() = default;
  virtual Reply call(const MethodCall& call) const = 0;
  // The calls sent all at once, then their replies collected: one wait for the whole batch
  // instead of one per call. Replies are in the order of the calls.
  virtual std::vector<Reply> callAll(const std::vector<MethodCall>& calls) const = 0;
};

// How long one call, or the registration with the bus, may wait for its reply before it counts
// as failed.
inline constexpr int kCallTimeoutMs = 1500;

// Whether `address` names one local socket ("unix:path=..." or "unix:abstract=...", as the bus
// launcher writes it). Any X client may set the root window's property, and libdbus would try
// every address of a ";" list in turn, a TCP connection to an unanswering host for minutes.
bool isLocalBusAddress(std::string_view address);

// The accessibility bus of the X11 display, or none when there is no display, no published
// bus, no libdbus-1, or the bus does not accept the connection.
std::shared_ptr<const Bus> connectAccessibilityBus();

}  // namespace ozmi::probe::atspi
