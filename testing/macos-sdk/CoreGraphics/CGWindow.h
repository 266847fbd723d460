// Stands for <CoreGraphics/CGWindow.h>: the window list of the window server. Written from
// Apple's CoreGraphics documentation ("Quartz Window Services"); only what our macOS files call.
#pragma once

#include <stdint.h>

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFBase.h>

CF_ASSUME_NONNULL_BEGIN

// --- Window identifiers and list options ---------------------------------------------------
typedef uint32_t CGWindowID;
#define kCGNullWindowID ((CGWindowID)0)

typedef uint32_t CGWindowListOption;
enum : CGWindowListOption {
  kCGWindowListOptionOnScreenOnly = (1 << 0),
  kCGWindowListExcludeDesktopElements = (1 << 4),
};

// --- The window list -----------------------------------------------------------------------
// Create rule: an array of dictionaries, one per window, front to back; NULL outside a GUI
// session or without a window server.
CF_EXPORT CFArrayRef _Nullable CGWindowListCopyWindowInfo(CGWindowListOption option, CGWindowID relativeToWindow);

// --- Keys of a window's dictionary ---------------------------------------------------------
CF_EXPORT const CFStringRef kCGWindowLayer;      // CFNumber, int32
CF_EXPORT const CFStringRef kCGWindowOwnerPID;   // CFNumber, int32
CF_EXPORT const CFStringRef kCGWindowOwnerName;  // CFString, optional
CF_EXPORT const CFStringRef kCGWindowName;       // CFString, optional

// --- Screen capture access (macOS 10.15 and later) -----------------------------------------
// True when this process has screen-capture access; never prompts the user.
CF_EXPORT bool CGPreflightScreenCaptureAccess(void);

CF_ASSUME_NONNULL_END
