// Stands for the part of <HIServices/AXUIElement.h> (reached through
// <ApplicationServices/ApplicationServices.h>) that the permission helper calls.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// True when this process is a trusted accessibility client.
Boolean AXIsProcessTrusted(void);

#ifdef __cplusplus
}
#endif
