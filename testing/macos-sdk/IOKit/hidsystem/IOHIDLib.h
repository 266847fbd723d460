// Stands for <IOKit/hidsystem/IOHIDLib.h>: the input-monitoring access check (macOS 10.15 and
// later).
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  kIOHIDRequestTypePostEvent = 0,
  kIOHIDRequestTypeListenEvent = 1,
} IOHIDRequestType;

typedef enum {
  kIOHIDAccessTypeGranted = 0,
  kIOHIDAccessTypeDenied = 1,
  kIOHIDAccessTypeUnknown = 2,
} IOHIDAccessType;

// Whether this process has the access of `requestType`, without asking the user.
IOHIDAccessType IOHIDCheckAccess(IOHIDRequestType requestType);

#ifdef __cplusplus
}
#endif
