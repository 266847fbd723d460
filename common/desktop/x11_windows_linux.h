// The X11 window system as the programs see it: the active window's owner, the on-screen
// top-level windows front to back, what the windows say about their application, and a
// one-pixel read of the screen. window_list_linux.cpp answers window_list.h with these; the
// probe's accessibility layer and the permission helper's capture use them directly.
//
// libxcb is loaded with dlopen on the first call, not linked: the probe must start as fast as
// a trivial program when it makes no desktop call, and linking libxcb (with libXau and
// libXdmcp) would make the dynamic loader map them at every start. The display is the one
// libxcb picks itself (from DISPLAY); nothing here reads the environment.
//
// Every function opens its own connection and closes it before returning. No function prints
// (libxcb reports protocol errors as values, never on standard error) or throws. Without
// libxcb or a reachable display each answers its "none".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "window_list.h"

namespace ozmi::desktop::x11 {

// What the desktop knows of the application that a process runs.
struct ApplicationFacts {
  std::optional<std::string> name;            // WM_CLASS class ("Gedit"), else the process name
  std::optional<std::string> id;              // _GTK_APPLICATION_ID, else WM_CLASS instance
  std::optional<std::string> executablePath;  // /proc/<pid>/exe
};

// True when an X display can be reached.
bool displayReachable();

// The process that owns the window manager's active window (_NET_ACTIVE_WINDOW, _NET_WM_PID);
// none without a display, an EWMH window manager, an active window or a pid on it.
std::optional<std::int32_t> activeWindowPid();

// The viewable top-level windows, front to back: the window manager's _NET_CLIENT_LIST_STACKING
// reversed where there is one, else the root's viewable children in reverse stacking order.
// The desktop window is left out, and so are windows hidden by the window manager
// (_NET_WM_STATE_HIDDEN). Of each: the owner pid (_NET_WM_PID, when the client sets it), the
// owner's process name (/proc/<pid>/comm), the layer (windowLayer(), always given) and the
// title (_NET_WM_NAME, else WM_NAME; may be empty). None without a display.
std::optional<std::vector<OnScreenWindow>> onScreenWindows();

// The application facts of a running process; none when no such process exists. The window
// facts come from the first top-level window whose _NET_WM_PID is `pid`; without a display or
// such a window only the process facts are given.
std::optional<ApplicationFacts> applicationFacts(std::int32_t pid);

// One client window of a process.
struct ClientWindow {
  std::uint32_t id = 0;             // the X window id
  std::optional<std::string> name;  // _NET_WM_NAME, else WM_NAME; may be empty
};

// The client windows whose _NET_WM_PID is `pid`, front to back in the window manager's
// stacking order (as onScreenWindows() takes it), mapped or not; empty without a display.
std::vector<ClientWindow> clientWindowsFrontToBack(std::int32_t pid);

// The application identifiers that the window manager's client windows carry, one per window
// in _NET_CLIENT_LIST order, by the rule of ApplicationFacts::id (_GTK_APPLICATION_ID, else the
// WM_CLASS instance); windows with neither are left out. Empty without a display.
std::vector<std::string> clientApplicationIds();

// A 1x1 GetImage of the root window at its origin; true when the server sent the pixel.
bool readRootPixel();

// A text property of the root window (for instance "AT_SPI_BUS", where the accessibility bus
// launcher publishes the bus address); none when absent or without a display.
std::optional<std::string> rootTextProperty(std::string_view name);

}  // namespace ozmi::desktop::x11
