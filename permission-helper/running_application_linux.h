// Whether an application, named by its identifier, is running on a Linux desktop.
//
// Linux keeps no registry of running applications by identifier, but two places name them:
// - the windows: the identifier "--front-window" reports for an application is the one its
//   windows carry (_GTK_APPLICATION_ID, else the WM_CLASS instance), so the same rule over
//   every client window finds the application while it shows a window;
// - the session bus: an application with a D-Bus identifier (every GApplication, every
//   D-Bus-activatable application) owns its identifier as a bus name while it runs, windows
//   or not.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ozmi::permission {

// True when a client window carries `id`, or the session bus has an owner of `id`.
bool applicationRunningOnDesktop(const std::string& id);

// Whether `name` is a well-formed D-Bus well-known bus name: at most 255 characters, two or
// more dot-separated elements of [A-Za-z0-9_-], none empty and none starting with a digit.
// Only such a name is ever put to the bus.
bool isWellKnownBusName(std::string_view name);

// The bus address of the socket at `path` ("unix:path=<path>"); none when nothing is there or
// it is not a socket, so that libdbus is never handed a file to connect to.
std::optional<std::string> busAddressOfSocket(const std::string& path);

}  // namespace ozmi::permission
