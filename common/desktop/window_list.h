// The window system as the probe and the permission helper see it: the on-screen windows front
// to back, the frontmost application, and what the system knows of a running application.
//
// One file per platform answers it (window_list_linux.cpp over X11, window_list_mac.mm over
// CGWindowListCopyWindowInfo and NSWorkspace), chosen by the build. Contract for both:
// - no function throws, prints or writes a file; every failure is folded into "none";
// - every text handed back is valid UTF-8, since each may end up in a reply as it stands;
// - every platform object obtained is released before the function returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ozmi::desktop {

// One on-screen window, as the window list describes it. A value the list does not give, or
// gives with the wrong type, is none.
struct OnScreenWindow {
  std::optional<std::int64_t> ownerPid;  // the process that owns the window, as the list gives it
  std::optional<std::string> ownerName;  // that process's name
  std::optional<std::int64_t> layer;     // 0 is the layer of ordinary application windows
  std::optional<std::string> name;       // the window's title; may be empty
};

// The windows on screen, front to back, desktop elements (wallpaper, desktop icons) left out;
// none when the window system gives no list (no display, no access, not a list, empty).
std::optional<std::vector<OnScreenWindow>> onScreenWindows();

// The application that has the keyboard focus.
struct FrontmostApplication {
  std::int32_t pid = 0;                   // its process id, as the system gives it
  std::optional<std::string> name;        // its localised name
  std::optional<std::string> bundleId;    // its application identifier
  std::optional<std::string> bundlePath;  // the file-system path of its application bundle
};

// The frontmost application; none when there is none or no desktop.
std::optional<FrontmostApplication> frontmostApplication();

// What the system knows of the running application with a process id.
struct RunningApplication {
  std::optional<std::string> localizedName;
  std::optional<std::string> bundleIdentifier;
};

// The record of the running application with this pid; none when the system has no record.
std::optional<RunningApplication> runningApplication(std::int32_t pid);

}  // namespace ozmi::desktop
