// Stands for the part of <CoreGraphics/CGWindow.h> that the permission helper calls: the
// screen-capture access check (macOS 10.15 and later).
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// True when this process has screen-capture access; never prompts the user.
bool CGPreflightScreenCaptureAccess(void);

#ifdef __cplusplus
}
#endif
