// Decoding of the X11 window properties and /proc facts that the window list is built from.
// Pure functions over the bytes the X server or the kernel hands back, so that they can be
// tested on captured and hostile values without a display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ozmi::desktop {

// WM_NAME of type STRING is ISO 8859-1 (ICCCM 2.0, section 2); this gives it as UTF-8.
std::string latin1ToUtf8(std::string_view bytes);

// /proc/<pid>/comm: the process name followed by one line feed ("openbox\n").
std::optional<std::string> processNameFromComm(std::string_view contents);

// WM_CLASS: two NUL-terminated strings, instance then class ("gedit\0Gedit\0").
struct WmClass {
  std::string instance;
  std::string className;
};
std::optional<WmClass> parseWmClass(std::string_view bytes);

// What the window manager's hints say about one top-level window, as atom names.
struct WindowHints {
  std::vector<std::string> types;   // _NET_WM_WINDOW_TYPE, e.g. "_NET_WM_WINDOW_TYPE_DIALOG"
  std::vector<std::string> states;  // _NET_WM_STATE, e.g. "_NET_WM_STATE_ABOVE"
  bool overrideRedirect = false;    // a popup that bypasses the window manager
};

// The layer a window is listed at, in the numbers the other platform's window list uses:
// 0 ordinary application windows (normal, dialog, utility, toolbar, splash, untyped),
// 3 windows kept above the others, 20 docks and panels, 101 menus, tooltips, notifications
// and override-redirect popups. None for the desktop window (wallpaper, icons), which the
// list leaves out.
std::optional<std::int32_t> windowLayer(const WindowHints& hints);

}  // namespace ozmi::desktop
