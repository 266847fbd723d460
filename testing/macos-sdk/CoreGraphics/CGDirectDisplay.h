// Stands for <CoreGraphics/CGDirectDisplay.h>: display ids and the main display.
// (CGDisplayCreateImageForRect is also declared there; it is looked up by name at run time, so
// it is not declared here.)
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t CGDirectDisplayID;

// The display id of the main display, the one with the menu bar.
CGDirectDisplayID CGMainDisplayID(void);

#ifdef __cplusplus
}
#endif
