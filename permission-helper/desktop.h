// The three desktop facts of the permission helper that come from the window system: the
// on-screen window list, the frontmost application, and screen-capture access with a one-pixel
// capture of the main display.
//
// Linux supplies these in desktop_linux.cpp over X11; platform_linux.cpp hands them on in the
// records of window_list.h. Nothing else of the helper depends on how they are obtained: the sections
// that use them (screen probe, front-window mode) are portable code over the records below.
//
// Contract for every implementation:
// - No function throws, prints, or writes a file; every failure is folded into the "none" or
//   "not granted" answer named below.
// - Every text handed back is valid UTF-8 (a window system that gives other bytes has them
//   repaired by the layer), because each text may end up in the reply as it stands.
// - Every platform object obtained is released before the function returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ozmi::permission::desktop {

// One on-screen window, as the window list describes it. A value the list does not give, or
// gives with the wrong type, is none.
struct WindowDescription {
  std::optional<std::int64_t> ownerPid;  // the process that owns the window
  std::optional<std::int64_t> layer;     // 0 is the layer of ordinary application windows
  std::optional<std::string> name;       // the window's title; may be empty
};

// The on-screen windows, front to back, without desktop elements (wallpaper, desktop icons);
// none when the window system gives no list (no display, no access).
std::optional<std::vector<WindowDescription>> onScreenWindows();

// The application that has the keyboard focus.
struct FrontApplication {
  std::int32_t pid = 0;
  std::optional<std::string> name;        // its localised name
  std::optional<std::string> bundleId;    // its application identifier
  std::optional<std::string> bundlePath;  // the file-system path of its application bundle
};

// The frontmost application; none when there is no such application or no desktop.
std::optional<FrontApplication> frontmostApplication();

// True when this process may capture the screen. Asked without prompting the user.
bool screenCaptureAccess();

// Captures the one-by-one rectangle at the origin of the main display; true when it gave an
// image. Called only after screenCaptureAccess() answered true.
bool captureMainDisplayPixel();

}  // namespace ozmi::permission::desktop
